#pragma once
// Tonalyx's main window: the WAV path, the three analysis options, and the
// buttons that browse, convert and exit. It hosts the analysis job, which
// runs inside the convert handler and lets this window's events through
// while it works.

#include <QDialog>
#include <QPointer>

#include "analyser/analysis_job.h"

class QLineEdit;
class QRadioButton;

namespace dialog_kit {
class FileChooser;
class MessagePresenter;
}  // namespace dialog_kit

namespace analyser::ui {

class ProgressDialog;

class AnalyserDialog final : public QDialog, public JobHost {
  Q_OBJECT

 public:
  // The controls' ids, which are also their object names.
  enum ControlId {
    kPathField = 1000,
    kBrowseButton = 1001,
    kConvertButton = 1002,
    kExitButton = 1003,
    kUnit15 = 1005,
    kUnit20 = 1006,
    kUnit30 = 1007,
    kUnit60 = 1008,
    kStaggerOn = 1009,
    kStaggerOff = 1010,
    kOptimiseOff = 1011,
    kOptimiseOn = 1012,
  };

  // `clock` times the job's progress steps.
  AnalyserDialog(dialog_kit::MessagePresenter& messages, dialog_kit::FileChooser& files,
                 Clock& clock = steadyClock(), QWidget* parent = nullptr);
  ~AnalyserDialog() override;

  Analyser& analyser() { return analyser_; }
  // The open progress window, or null.
  ProgressDialog* progressDialog() const;
  AnalysisControls controls() const;

  // What the running job asks of its window.
  void showMessage(const std::string& text, bool exclamation) override;
  bool openProgress() override;
  void updateProgress(double remainingSeconds) override;
  void closeProgress() override;
  void pumpEvents() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void browse();
  void convert();
  void exitClicked();
  void progressClosedByUser();

  dialog_kit::MessagePresenter& messages_;
  dialog_kit::FileChooser& files_;
  QLineEdit* path_ = nullptr;
  QRadioButton* unit20_ = nullptr;
  QRadioButton* unit30_ = nullptr;
  QRadioButton* unit60_ = nullptr;
  QRadioButton* staggerOn_ = nullptr;
  QRadioButton* optimiseOff_ = nullptr;
  QPointer<ProgressDialog> progress_;
  Analyser analyser_;
};

}  // namespace analyser::ui
