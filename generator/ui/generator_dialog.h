#pragma once
// Scorvane's main window: the track file, the generation settings, and the
// buttons that browse, convert and exit. A conversion runs inside the convert
// handler from its first check to its one message.

#include <QDialog>

#include "generator/conversion.h"

class QLineEdit;
class QRadioButton;

namespace dialog_kit {
class FileChooser;
class MessagePresenter;
}  // namespace dialog_kit

namespace generator::ui {

class GeneratorDialog final : public QDialog, public MessageSink {
  Q_OBJECT

 public:
  // The controls' ids, which are also their object names.
  enum ControlId {
    kPathField = 1000,
    kBrowseButton = 1001,
    kConvertButton = 1002,
    kExitButton = 1003,
    kTempoField = 1004,
    kDetuneOff = 1005,
    kDetuneOn = 1006,
    kPsg = 1007,
    kScc = 1008,
    kFm = 1009,
    kChannels3 = 1010,
    kChannels4 = 1011,
    kChannels5 = 1012,
    kUnit15 = 1013,
    kUnit20 = 1014,
    kUnit30 = 1015,
    kUnit60 = 1016,
    kVolumeField = 1017,
    kCompensationField = 1018,
    kPitchSortOn = 1019,
    kPitchSortOff = 1020,
  };

  GeneratorDialog(dialog_kit::MessagePresenter& messages, dialog_kit::FileChooser& files,
                  QWidget* parent = nullptr);

  Generator& generator() { return generator_; }
  GenerationControls controls() const;

  void showMessage(const std::string& text, bool exclamation) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildControls();
  void showStartValues();
  void browse();
  void convert();

  dialog_kit::MessagePresenter& messages_;
  dialog_kit::FileChooser& files_;
  QLineEdit* path_ = nullptr;
  QLineEdit* tempo_ = nullptr;
  QLineEdit* volume_ = nullptr;
  QLineEdit* compensation_ = nullptr;
  QRadioButton* detuneOff_ = nullptr;
  QRadioButton* psg_ = nullptr;
  QRadioButton* scc_ = nullptr;
  QRadioButton* fm_ = nullptr;
  QRadioButton* channels3_ = nullptr;
  QRadioButton* channels4_ = nullptr;
  QRadioButton* channels5_ = nullptr;
  QRadioButton* unit15_ = nullptr;
  QRadioButton* unit20_ = nullptr;
  QRadioButton* unit30_ = nullptr;
  QRadioButton* unit60_ = nullptr;
  QRadioButton* pitchSortOn_ = nullptr;
  Generator generator_;
};

}  // namespace generator::ui
