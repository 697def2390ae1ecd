#include "analyser/ui/analyser_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "analyser/ui/dialog_builder.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"
#include "analyser/ui/program_icon.h"
#include "analyser/ui/progress_dialog.h"

namespace analyser::ui {
namespace {

QString text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

AnalyserDialog::AnalyserDialog(dialog_kit::MessagePresenter& messages,
                               dialog_kit::FileChooser& files, Clock& clock, QWidget* parent)
    : QDialog(parent), messages_(messages), files_(files), analyser_(*this, clock) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Tonalyx"));
  setWindowIcon(dialog_kit::programIcon(QStringLiteral("tonalyx")));
  setFont(dialog_kit::mainDialogFont());
  buildControls();
  path_->setFocus();
}

AnalyserDialog::~AnalyserDialog() {
  if (analyser_.busy()) analyser_.requestStop();
}

void AnalyserDialog::buildControls() {
  const dialog_kit::DialogUnits units(font());
  dialog_kit::DialogBuilder build(*this, units, {279, 165});

  build.label(text("ＷＡＶＥファイル"), {20, 15, 90, 8});
  path_ = build.edit(kPathField, {20, 25, 180, 22});
  QPushButton* browse = build.button(kBrowseButton, text("参照"), {220, 25, 40, 22});
  QPushButton* convert = build.button(kConvertButton, text("変換"), {20, 115, 40, 30});
  QPushButton* exit = build.button(kExitButton, text("終了"), {220, 115, 40, 30});

  QGroupBox* unit = build.group(text("発音単位"), {153, 78, 48, 68});
  QRadioButton* unit15 = build.radio(*unit, kUnit15, text("1/15秒"), {160, 89, 35, 10});
  unit20_ = build.radio(*unit, kUnit20, text("1/20秒"), {160, 103, 35, 10});
  unit30_ = build.radio(*unit, kUnit30, text("1/30秒"), {160, 117, 35, 10});
  unit60_ = build.radio(*unit, kUnit60, text("1/60秒"), {160, 131, 35, 10});

  QGroupBox* stagger = build.group(text("発音ずらし"), {82, 106, 48, 40});
  staggerOn_ = build.radio(*stagger, kStaggerOn, text("有り"), {89, 117, 35, 10});
  build.radio(*stagger, kStaggerOff, text("無し"), {89, 131, 35, 10});

  QGroupBox* optimise = build.group(text("最適化"), {82, 56, 48, 40});
  optimiseOff_ = build.radio(*optimise, kOptimiseOff, text("しない"), {89, 67, 30, 10});
  build.radio(*optimise, kOptimiseOn, text("する"), {89, 81, 30, 10});

  unit15->setChecked(true);
  staggerOn_->setChecked(true);
  optimiseOff_->setChecked(true);

  connect(browse, &QPushButton::clicked, this, &AnalyserDialog::browse);
  connect(convert, &QPushButton::clicked, this, &AnalyserDialog::convert);
  connect(exit, &QPushButton::clicked, this, &AnalyserDialog::exitClicked);
}

ProgressDialog* AnalyserDialog::progressDialog() const {
  return progress_;
}

AnalysisControls AnalyserDialog::controls() const {
  AnalysisControls controls;
  controls.pathText = path_->text().toStdString();
  controls.unit20 = unit20_->isChecked();
  controls.unit30 = unit30_->isChecked();
  controls.unit60 = unit60_->isChecked();
  controls.staggerOn = staggerOn_->isChecked();
  controls.optimiseOff = optimiseOff_->isChecked();
  return controls;
}

void AnalyserDialog::browse() {
  const dialog_kit::OpenFileRequest request{text("WAVE File  （ *.wav ）"), QStringLiteral("*.wav"),
                                            QStringLiteral("wav")};
  if (const std::optional<QString> chosen = files_.chooseFile(this, request)) {
    path_->setText(*chosen);
  }
}

// A press while a job runs reaches the job, which turns it away.
void AnalyserDialog::convert() {
  analyser_.runAnalysisJob(controls());
}

void AnalyserDialog::exitClicked() {
  if (analyser_.busy()) {
    analyser_.requestStop();
    return;
  }
  close();
}

void AnalyserDialog::showMessage(const std::string& message, bool exclamation) {
  messages_.present(this, QStringLiteral("Tonalyx"), QString::fromStdString(message), exclamation);
}

bool AnalyserDialog::openProgress() {
  progress_ = new ProgressDialog(*this);
  connect(progress_, &ProgressDialog::closedByUser, this, &AnalyserDialog::progressClosedByUser);
  return true;
}

void AnalyserDialog::updateProgress(double remainingSeconds) {
  if (progress_) progress_->showRemaining(remainingSeconds);
}

void AnalyserDialog::closeProgress() {
  if (ProgressDialog* progress = progress_) {
    progress_ = nullptr;
    progress->dismiss();
  }
}

void AnalyserDialog::pumpEvents() {
  QCoreApplication::processEvents();
}

void AnalyserDialog::progressClosedByUser() {
  progress_ = nullptr;
  analyser_.progressClosed();
}

void AnalyserDialog::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape stay with the focused control: they never press a
  // button and never close the window.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void AnalyserDialog::closeEvent(QCloseEvent* event) {
  // During a job the window closes all the same, and the program ends once
  // the job has stopped and the convert handler has returned.
  if (analyser_.busy()) analyser_.requestStop();
  QDialog::closeEvent(event);
}

}  // namespace analyser::ui
