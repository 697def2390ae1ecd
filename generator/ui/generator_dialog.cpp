#include "generator/ui/generator_dialog.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "analyser/ui/dialog_builder.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/program_icon.h"

namespace generator::ui {
namespace {

QString text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

GeneratorDialog::GeneratorDialog(dialog_kit::MessagePresenter& messages,
                                 dialog_kit::FileChooser& files, QWidget* parent)
    : QDialog(parent), messages_(messages), files_(files), generator_(*this) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Scorvane 2"));
  setWindowIcon(dialog_kit::programIcon(QStringLiteral("scorvane")));
  setFont(dialog_kit::mainDialogFont());
  buildControls();
  showStartValues();
  path_->setFocus();
}

void GeneratorDialog::buildControls() {
  const dialog_kit::DialogUnits units(font());
  dialog_kit::DialogBuilder build(*this, units, {281, 215});

  path_ = build.edit(kPathField, {20, 25, 170, 20});
  QPushButton* browse = build.button(kBrowseButton, text("参照"), {220, 25, 40, 20});
  QPushButton* convert = build.button(kConvertButton, text("変換"), {20, 155, 40, 35});
  QPushButton* exit = build.button(kExitButton, text("終了"), {220, 155, 40, 35});
  build.label(text("DATファイル"), {20, 15, 65, 8});
  tempo_ = build.edit(kTempoField, {90, 65, 40, 20});
  build.label(QStringLiteral("TEMPO"), {90, 55, 45, 8});

  QGroupBox* detune = build.group(text("デチューン"), {155, 70, 48, 40});
  detuneOff_ = build.radio(*detune, kDetuneOff, text("無し"), {165, 80, 30, 10});
  build.radio(*detune, kDetuneOn, text("有り"), {165, 95, 30, 10});

  QGroupBox* source = build.group(text("音源"), {85, 135, 48, 60});
  QGroupBox* channels = build.group(text("チャンネル数"), {155, 135, 48, 60});
  psg_ = build.radio(*source, kPsg, QStringLiteral("PSG"), {95, 147, 30, 10});
  scc_ = build.radio(*source, kScc, QStringLiteral("SCC"), {95, 163, 30, 10});
  fm_ = build.radio(*source, kFm, QStringLiteral("FM"), {95, 179, 30, 10});
  channels3_ = build.radio(*channels, kChannels3, text("３"), {165, 147, 30, 10});
  channels4_ = build.radio(*channels, kChannels4, text("４"), {165, 163, 30, 10});
  channels5_ = build.radio(*channels, kChannels5, text("５"), {165, 179, 30, 10});

  QGroupBox* unit = build.group(text("発音単位"), {216, 65, 48, 68});
  unit15_ = build.radio(*unit, kUnit15, text("1/15秒"), {221, 76, 35, 10});
  unit20_ = build.radio(*unit, kUnit20, text("1/20秒"), {221, 90, 35, 10});
  unit30_ = build.radio(*unit, kUnit30, text("1/30秒"), {221, 104, 35, 10});
  unit60_ = build.radio(*unit, kUnit60, text("1/60秒"), {221, 118, 35, 10});

  volume_ = build.edit(kVolumeField, {20, 65, 39, 20});
  build.label(text("音量(%)"), {20, 55, 23, 8});
  compensation_ = build.edit(kCompensationField, {20, 105, 40, 20});
  build.label(text("発音補整"), {20, 95, 28, 8});

  QGroupBox* pitchSort = build.group(text("音程ソート"), {85, 90, 48, 40});
  pitchSortOn_ = build.radio(*pitchSort, kPitchSortOn, text("する"), {95, 100, 30, 10});
  build.radio(*pitchSort, kPitchSortOff, text("しない"), {95, 115, 30, 10});

  connect(browse, &QPushButton::clicked, this, &GeneratorDialog::browse);
  connect(convert, &QPushButton::clicked, this, &GeneratorDialog::convert);
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);
}

void GeneratorDialog::showStartValues() {
  tempo_->setText(QString::number(generator_.tempo()));
  volume_->setText(QString::number(generator_.volumePercent()));
  compensation_->setText(QString::number(generator_.compensation()));
  detuneOff_->setChecked(true);
  fm_->setChecked(true);
  channels5_->setChecked(true);
  unit15_->setChecked(true);
  pitchSortOn_->setChecked(true);
}

GenerationControls GeneratorDialog::controls() const {
  GenerationControls controls;
  controls.pathText = path_->text().toStdString();
  controls.tempoText = tempo_->text().toStdString();
  controls.volumeText = volume_->text().toStdString();
  controls.compensationText = compensation_->text().toStdString();
  controls.detuneOff = detuneOff_->isChecked();
  controls.psg = psg_->isChecked();
  controls.scc = scc_->isChecked();
  controls.fm = fm_->isChecked();
  controls.channels3 = channels3_->isChecked();
  controls.channels4 = channels4_->isChecked();
  controls.channels5 = channels5_->isChecked();
  controls.unit15 = unit15_->isChecked();
  controls.unit20 = unit20_->isChecked();
  controls.unit30 = unit30_->isChecked();
  controls.unit60 = unit60_->isChecked();
  controls.pitchSortOn = pitchSortOn_->isChecked();
  return controls;
}

void GeneratorDialog::browse() {
  const dialog_kit::OpenFileRequest request{text("DAT File  （ *.dat ）"), QStringLiteral("*.dat"),
                                            QStringLiteral("dat")};
  if (const std::optional<QString> chosen = files_.chooseFile(this, request)) {
    path_->setText(*chosen);
  }
}

void GeneratorDialog::convert() {
  generator_.runConversion(controls());
}

void GeneratorDialog::showMessage(const std::string& message, bool exclamation) {
  messages_.present(this, QStringLiteral("Scorvane"), QString::fromStdString(message), exclamation);
}

void GeneratorDialog::keyPressEvent(QKeyEvent* event) {
  // No button is the default: Enter presses the focused push button, and
  // anywhere else closes the window as 終了 does. Escape closes it through
  // the ordinary cancel path.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      accept();
    }
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace generator::ui
