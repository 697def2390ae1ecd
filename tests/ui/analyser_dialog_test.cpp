#include "analyser/ui/analyser_dialog.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <functional>

#include "analyser/ui/dialog_units.h"
#include "analyser/ui/progress_dialog.h"
#include "layout_checks.h"
#include "support/temp_dir.h"
#include "support/wave_builder.h"
#include "window_fakes.h"

namespace analyser::ui {
namespace {

using testing_support::Message;

// Every reading lies 150 ms after the one before, so each progress step of a
// job lets events through, however fast the estimations run.
class SteppingClock final : public Clock {
 public:
  std::int64_t counterFrequency() override { return 1'000'000; }
  std::int64_t counter() override { return counter_ += 1'000; }
  std::int64_t milliseconds() override { return milliseconds_ += 150; }

 private:
  std::int64_t counter_ = 0;
  std::int64_t milliseconds_ = 0;
};

QString utf8(const char* text) {
  return QString::fromUtf8(text);
}

class AnalyserDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dialog_.show(); }

  template <typename Control>
  Control* control(int id) const {
    auto* found = dialog_.findChild<Control*>(QString::number(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
  }
  QLineEdit* path() const { return control<QLineEdit>(AnalyserDialog::kPathField); }
  QPushButton* button(int id) const { return control<QPushButton>(id); }
  QRadioButton* radio(int id) const { return control<QRadioButton>(id); }

  // A mono WAV file of `seconds` of a 440 Hz tone.
  std::string writeTone(const std::string& name, double seconds) const {
    testing_support::WaveSpec tone;
    const int count = static_cast<int>(seconds * 44100);
    for (int i = 0; i < count; ++i) {
      tone.samples.push_back(static_cast<std::int16_t>(8000 * std::sin(i * 0.0626893)));
    }
    const std::string file = folder_.file(name);
    testing_support::writeBytes(file, testing_support::buildWave(tone));
    return file;
  }

  // Presses 変換; `duringJob` runs from the job's first progress step.
  void convertWhile(std::function<void()> duringJob) {
    QTimer::singleShot(0, &dialog_, [this, duringJob] {
      EXPECT_TRUE(dialog_.analyser().busy());
      duringJob();
    });
    button(AnalyserDialog::kConvertButton)->click();
  }

  testing_support::TempDir folder_;
  testing_support::RecordingPresenter messages_;
  testing_support::ScriptedChooser files_;
  SteppingClock clock_;
  AnalyserDialog dialog_{messages_, files_, clock_};
};

TEST_F(AnalyserDialogTest, LaysOutEveryControlInDialogUnits) {
  const dialog_kit::DialogUnits units(dialog_kit::mainDialogFont());
  EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("Tonalyx"));
  EXPECT_EQ(dialog_.size(), units.size(279, 165));
  EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());

  const struct {
    int id;
    const char* text;
    QRect units;
  } controls[] = {
      {1000, "", {20, 25, 180, 22}},        {1001, "参照", {220, 25, 40, 22}},
      {1002, "変換", {20, 115, 40, 30}},    {1003, "終了", {220, 115, 40, 30}},
      {1005, "1/15秒", {160, 89, 35, 10}},  {1006, "1/20秒", {160, 103, 35, 10}},
      {1007, "1/30秒", {160, 117, 35, 10}}, {1008, "1/60秒", {160, 131, 35, 10}},
      {1009, "有り", {89, 117, 35, 10}},    {1010, "無し", {89, 131, 35, 10}},
      {1011, "しない", {89, 67, 30, 10}},   {1012, "する", {89, 81, 30, 10}},
  };
  for (const auto& c : controls) {
    QWidget* widget = control<QWidget>(c.id);
    ASSERT_NE(widget, nullptr);
    const QRect expected = units.rect(c.units);
    EXPECT_EQ(widget->mapTo(&dialog_, QPoint(0, 0)), expected.topLeft()) << c.id;
    EXPECT_EQ(widget->height(), expected.height()) << c.id;
    EXPECT_GE(widget->width(), expected.width()) << c.id;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      EXPECT_EQ(button->text(), utf8(c.text)) << c.id;
    }
  }

  QStringList labels;
  for (const QLabel* label : dialog_.findChildren<QLabel*>()) labels << label->text();
  EXPECT_EQ(labels, QStringList{utf8("ＷＡＶＥファイル")});
  QStringList groups;
  for (const QGroupBox* group : dialog_.findChildren<QGroupBox*>()) {
    groups << group->title() + QLatin1Char(':') +
                  QString::number(group->findChildren<QRadioButton*>().size());
  }
  EXPECT_EQ(groups, (QStringList{utf8("発音単位:4"), utf8("発音ずらし:2"), utf8("最適化:2")}));
}

TEST_F(AnalyserDialogTest, EveryTextIsWholeAndNothingOverlaps) {
  EXPECT_EQ(testing_support::clippedTexts(dialog_), QStringList());
  EXPECT_EQ(testing_support::glyphsMissingFromFont(dialog_), QStringList());
  EXPECT_EQ(testing_support::overlappingControls(dialog_), QStringList());
}

TEST_F(AnalyserDialogTest, StartsWithTheDefaults) {
  EXPECT_TRUE(path()->text().isEmpty());
  for (int id : {1005, 1009, 1011}) EXPECT_TRUE(radio(id)->isChecked()) << id;
  for (int id : {1006, 1007, 1008, 1010, 1012}) EXPECT_FALSE(radio(id)->isChecked()) << id;
  EXPECT_EQ(dialog_.focusWidget(), path());
  for (int side : {16, 32, 48}) {
    EXPECT_EQ(dialog_.windowIcon().pixmap(side).size(), QSize(side, side)) << side;
  }
  EXPECT_FALSE(dialog_.analyser().busy());
}

TEST_F(AnalyserDialogTest, TabVisitsTheFieldAndButtonsButNoRadioButton) {
  QApplication::setActiveWindow(&dialog_);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
  path()->setFocus();
  QStringList visited;
  for (int i = 0; i < 5; ++i) {
    visited << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited,
            (QStringList{QStringLiteral("1000"), QStringLiteral("1001"), QStringLiteral("1002"),
                         QStringLiteral("1003"), QStringLiteral("1000")}));
}

TEST_F(AnalyserDialogTest, RadioButtonsSelectWithinTheirOwnGroup) {
  radio(1008)->click();
  radio(1010)->click();
  radio(1012)->click();
  for (int id : {1008, 1010, 1012}) EXPECT_TRUE(radio(id)->isChecked()) << id;
  for (int id : {1005, 1006, 1007, 1009, 1011}) EXPECT_FALSE(radio(id)->isChecked()) << id;

  const AnalysisControls controls = dialog_.controls();
  EXPECT_TRUE(controls.unit60);
  EXPECT_FALSE(controls.unit20 || controls.unit30);
  EXPECT_FALSE(controls.staggerOn);
  EXPECT_FALSE(controls.optimiseOff);
}

TEST_F(AnalyserDialogTest, EnterAndEscapeNeverPressAButtonNorCloseTheWindow) {
  for (int id : {1000, 1001, 1002, 1003, 1006}) {
    QWidget* focus = control<QWidget>(id);
    focus->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(focus, key);
    }
    EXPECT_TRUE(dialog_.isVisible()) << id;
  }
  EXPECT_TRUE(messages_.messages.empty());
  EXPECT_TRUE(files_.requests.empty());
  EXPECT_FALSE(radio(1006)->isChecked());

  // The space bar still presses the focused button.
  button(AnalyserDialog::kConvertButton)->setFocus();
  QTest::keyClick(button(AnalyserDialog::kConvertButton), Qt::Key_Space);
  EXPECT_EQ(messages_.messages.size(), 1u);
}

TEST_F(AnalyserDialogTest, BrowseReplacesThePathOnlyWhenAFileIsChosen) {
  path()->setText(QStringLiteral("typed.wav"));
  files_.answer = std::nullopt;
  button(AnalyserDialog::kBrowseButton)->click();
  EXPECT_EQ(path()->text(), QStringLiteral("typed.wav"));

  files_.answer = QString::fromUtf8("/home/user/録音/take 1.wav");
  button(AnalyserDialog::kBrowseButton)->click();
  EXPECT_EQ(path()->text(), *files_.answer);

  ASSERT_EQ(files_.requests.size(), 2u);
  EXPECT_EQ(files_.requests[0].filterLabel, utf8("WAVE File  （ *.wav ）"));
  EXPECT_EQ(files_.requests[0].pattern, QStringLiteral("*.wav"));
  EXPECT_EQ(files_.requests[0].defaultSuffix, QStringLiteral("wav"));
}

TEST_F(AnalyserDialogTest, ConvertsTheChosenFileWithOneMessage) {
  const std::string wave = writeTone("short.wav", 0.01);
  path()->setText(QString::fromStdString(wave) + QStringLiteral("  "));
  radio(1008)->click();
  button(AnalyserDialog::kConvertButton)->click();

  EXPECT_EQ(messages_.messages,
            (std::vector<Message>{{QStringLiteral("Tonalyx"), utf8("終了しました"), false}}));
  const std::string track = folder_.file("short.dat");
  EXPECT_EQ(dialog_.analyser().lastOutputPath(), track);
  // 441 samples at 1/60 s: two frames of 64 bytes.
  EXPECT_EQ(std::filesystem::file_size(track), 128u);
  EXPECT_EQ(dialog_.progressDialog(), nullptr);
  EXPECT_FALSE(dialog_.analyser().busy());
  EXPECT_TRUE(dialog_.isVisible());
}

TEST_F(AnalyserDialogTest, RefusesAPathNotEndingInWavWithAnExclamation) {
  path()->setText(QString::fromStdString(folder_.file("song.wave")));
  button(AnalyserDialog::kConvertButton)->click();
  EXPECT_EQ(messages_.messages,
            (std::vector<Message>{
                {QStringLiteral("Tonalyx"), utf8("ＷＡＶＥファイルを指定して下さい"), true}}));
}

TEST_F(AnalyserDialogTest, ShowsTheRemainingTimeAndTurnsAwayASecondConvert) {
  path()->setText(QString::fromStdString(writeTone("long.wav", 1.0)));
  radio(1008)->click();
  convertWhile([this] {
    ProgressDialog* progress = dialog_.progressDialog();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->frameGeometry().topLeft(), dialog_.mapToGlobal(QPoint(0, 0)));
    const QString shown = progress->findChild<QLabel*>()->text();
    EXPECT_TRUE(shown.startsWith(utf8("残り時間約")) && shown.endsWith(utf8("秒")))
        << shown.toStdString();

    button(AnalyserDialog::kConvertButton)->click();
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_EQ(dialog_.progressDialog(), progress);
    EXPECT_TRUE(dialog_.analyser().busy());
    button(AnalyserDialog::kExitButton)->click();  // keeps the test short
  });
  EXPECT_EQ(messages_.messages,
            (std::vector<Message>{{QStringLiteral("Tonalyx"), utf8("中止しました"), false}}));
}

TEST_F(AnalyserDialogTest, ExitDuringAJobStopsItAndKeepsTheWindowOpen) {
  path()->setText(QString::fromStdString(writeTone("long.wav", 1.0)));
  radio(1008)->click();
  convertWhile([this] { button(AnalyserDialog::kExitButton)->click(); });

  EXPECT_EQ(messages_.messages,
            (std::vector<Message>{{QStringLiteral("Tonalyx"), utf8("中止しました"), false}}));
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_FALSE(dialog_.analyser().busy());
  EXPECT_EQ(dialog_.progressDialog(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder_.file("long.dat")));

  button(AnalyserDialog::kExitButton)->click();
  EXPECT_FALSE(dialog_.isVisible());
}

TEST_F(AnalyserDialogTest, ClosingDuringAJobStopsItAndThenEndsTheProgram) {
  path()->setText(QString::fromStdString(writeTone("long.wav", 1.0)));
  radio(1008)->click();
  bool stuck = false;
  QTimer::singleShot(0, &dialog_, [this] { convertWhile([this] { dialog_.close(); }); });
  QTimer::singleShot(20000, &dialog_, [this, &stuck] {
    stuck = true;
    dialog_.done(QDialog::Accepted);
  });
  // The window runs as the program does; its loop ends only after the job.
  dialog_.exec();

  EXPECT_FALSE(stuck);
  EXPECT_EQ(messages_.messages,
            (std::vector<Message>{{QStringLiteral("Tonalyx"), utf8("中止しました"), false}}));
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_FALSE(dialog_.analyser().busy());
  EXPECT_FALSE(std::filesystem::exists(folder_.file("long.dat")));
}

TEST_F(AnalyserDialogTest, CancelInTheProgressWindowStopsTheJob) {
  path()->setText(QString::fromStdString(writeTone("long.wav", 1.0)));
  radio(1008)->click();
  convertWhile([this] {
    ProgressDialog* progress = dialog_.progressDialog();
    ASSERT_NE(progress, nullptr);
    progress->findChild<QPushButton*>(QStringLiteral("1001"))->click();
    EXPECT_EQ(dialog_.progressDialog(), nullptr);
  });

  EXPECT_EQ(messages_.messages,
            (std::vector<Message>{{QStringLiteral("Tonalyx"), utf8("中止しました"), false}}));
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_FALSE(std::filesystem::exists(folder_.file("long.dat")));
}

}  // namespace
}  // namespace analyser::ui
