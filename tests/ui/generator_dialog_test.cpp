#include "generator/ui/generator_dialog.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <vector>

#include "analyser/ui/dialog_units.h"
#include "layout_checks.h"
#include "support/temp_dir.h"
#include "track/track_format.h"
#include "window_fakes.h"

namespace generator::ui {
namespace {

using testing_support::Message;

QString utf8(const char* text) {
  return QString::fromUtf8(text);
}

class GeneratorDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dialog_.show(); }

  template <typename Control>
  Control* control(int id) const {
    auto* found = dialog_.findChild<Control*>(QString::number(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
  }
  QLineEdit* field(int id) const { return control<QLineEdit>(id); }
  QPushButton* button(int id) const { return control<QPushButton>(id); }
  QRadioButton* radio(int id) const { return control<QRadioButton>(id); }

  // A track of `frames` frames at 1/15 s, unstaggered, holding a 440 Hz tone.
  std::string writeTrack(const std::string& name, int frames) const {
    std::vector<unsigned char> records(track::kRecordBytes * static_cast<std::size_t>(frames));
    for (int m = 0; m < frames; ++m) {
      track::writePair(records.data(), static_cast<std::size_t>(m), 0, {1000000, 4400});
    }
    track::writeTrailer(records.data(), static_cast<std::size_t>(frames), {1, 15});
    const std::string file = folder_.file(name);
    testing_support::writeBytes(file, records);
    return file;
  }

  std::vector<Message> onlyMessage(const char* text, bool exclamation) const {
    return {{QStringLiteral("Scorvane"), utf8(text), exclamation}};
  }

  testing_support::TempDir folder_;
  testing_support::RecordingPresenter messages_;
  testing_support::ScriptedChooser files_;
  GeneratorDialog dialog_{messages_, files_};
};

TEST_F(GeneratorDialogTest, LaysOutEveryControlInDialogUnits) {
  const dialog_kit::DialogUnits units(dialog_kit::mainDialogFont());
  EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("Scorvane 2"));
  EXPECT_EQ(dialog_.size(), units.size(281, 215));
  EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize());

  const struct {
    int id;
    const char* text;
    QRect units;
  } controls[] = {
      {1000, "", {20, 25, 170, 20}},        {1001, "参照", {220, 25, 40, 20}},
      {1002, "変換", {20, 155, 40, 35}},    {1003, "終了", {220, 155, 40, 35}},
      {1004, "", {90, 65, 40, 20}},         {1005, "無し", {165, 80, 30, 10}},
      {1006, "有り", {165, 95, 30, 10}},    {1007, "PSG", {95, 147, 30, 10}},
      {1008, "SCC", {95, 163, 30, 10}},     {1009, "FM", {95, 179, 30, 10}},
      {1010, "３", {165, 147, 30, 10}},     {1011, "４", {165, 163, 30, 10}},
      {1012, "５", {165, 179, 30, 10}},     {1013, "1/15秒", {221, 76, 35, 10}},
      {1014, "1/20秒", {221, 90, 35, 10}},  {1015, "1/30秒", {221, 104, 35, 10}},
      {1016, "1/60秒", {221, 118, 35, 10}}, {1017, "", {20, 65, 39, 20}},
      {1018, "", {20, 105, 40, 20}},        {1019, "する", {95, 100, 30, 10}},
      {1020, "しない", {95, 115, 30, 10}},
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
  EXPECT_EQ(labels, (QStringList{utf8("DATファイル"), QStringLiteral("TEMPO"), utf8("音量(%)"),
                                 utf8("発音補整")}));
  QStringList groups;
  for (const QGroupBox* group : dialog_.findChildren<QGroupBox*>()) {
    groups << group->title() + QLatin1Char(':') +
                  QString::number(group->findChildren<QRadioButton*>().size());
  }
  EXPECT_EQ(groups, (QStringList{utf8("デチューン:2"), utf8("音源:3"), utf8("チャンネル数:3"),
                                 utf8("発音単位:4"), utf8("音程ソート:2")}));
}

TEST_F(GeneratorDialogTest, EveryTextIsWholeAndNothingOverlaps) {
  EXPECT_EQ(testing_support::clippedTexts(dialog_), QStringList());
  EXPECT_EQ(testing_support::glyphsMissingFromFont(dialog_), QStringList());
  EXPECT_EQ(testing_support::overlappingControls(dialog_), QStringList());
}

TEST_F(GeneratorDialogTest, StartsWithTheDefaults) {
  EXPECT_TRUE(field(1000)->text().isEmpty());
  EXPECT_EQ(field(1004)->text(), QStringLiteral("120"));
  EXPECT_EQ(field(1017)->text(), QStringLiteral("100"));
  EXPECT_EQ(field(1018)->text(), QStringLiteral("0"));
  for (int id : {1005, 1009, 1012, 1013, 1019}) EXPECT_TRUE(radio(id)->isChecked()) << id;
  for (int id : {1006, 1007, 1008, 1010, 1011, 1014, 1015, 1016, 1020}) {
    EXPECT_FALSE(radio(id)->isChecked()) << id;
  }
  EXPECT_EQ(dialog_.focusWidget(), field(1000));
  for (int side : {16, 32, 48}) {
    EXPECT_EQ(dialog_.windowIcon().pixmap(side).size(), QSize(side, side)) << side;
  }
}

TEST_F(GeneratorDialogTest, TabVisitsTheFieldsAndButtonsInTemplateOrder) {
  QApplication::setActiveWindow(&dialog_);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
  field(1000)->setFocus();
  QStringList visited;
  for (int i = 0; i < 8; ++i) {
    visited << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited,
            (QStringList{QStringLiteral("1000"), QStringLiteral("1001"), QStringLiteral("1002"),
                         QStringLiteral("1003"), QStringLiteral("1004"), QStringLiteral("1017"),
                         QStringLiteral("1018"), QStringLiteral("1000")}));
}

TEST_F(GeneratorDialogTest, RadioButtonsSelectWithinTheirOwnGroup) {
  for (int id : {1006, 1007, 1010, 1016, 1020}) radio(id)->click();
  for (int id : {1006, 1007, 1010, 1016, 1020}) EXPECT_TRUE(radio(id)->isChecked()) << id;
  for (int id : {1005, 1008, 1009, 1011, 1012, 1013, 1014, 1015, 1019}) {
    EXPECT_FALSE(radio(id)->isChecked()) << id;
  }

  const GenerationControls controls = dialog_.controls();
  EXPECT_FALSE(controls.detuneOff);
  EXPECT_TRUE(controls.psg && controls.channels3 && controls.unit60);
  EXPECT_FALSE(controls.fm || controls.channels5 || controls.unit15 || controls.pitchSortOn);
}

TEST_F(GeneratorDialogTest, EnterPressesTheFocusedButtonOrClosesThroughOk) {
  const struct {
    int focus;
    bool staysOpen;
  } cases[] = {{1000, false}, {1004, false}, {1009, false},
               {1003, false}, {1001, true},  {1002, true}};
  for (const auto& c : cases) {
    dialog_.setResult(QDialog::Rejected);
    dialog_.show();
    control<QWidget>(c.focus)->setFocus();
    QTest::keyClick(control<QWidget>(c.focus), Qt::Key_Return);
    EXPECT_EQ(dialog_.isVisible(), c.staysOpen) << c.focus;
    if (!c.staysOpen) {
      EXPECT_EQ(dialog_.result(), QDialog::Accepted) << c.focus;
    }
  }
  // 参照 browsed, and 変換 ran a conversion, which found no track path.
  EXPECT_EQ(files_.requests.size(), 1u);
  EXPECT_EQ(messages_.messages, onlyMessage("ＤＡＴファイルを指定して下さい", true));
}

TEST_F(GeneratorDialogTest, EscapeAndTheCloseBoxCloseThroughCancel) {
  dialog_.setResult(QDialog::Accepted);
  QTest::keyClick(field(1004), Qt::Key_Escape);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), QDialog::Rejected);

  dialog_.show();
  dialog_.setResult(QDialog::Accepted);
  dialog_.close();
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), QDialog::Rejected);
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(GeneratorDialogTest, ExitClosesThroughOk) {
  button(GeneratorDialog::kExitButton)->click();
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
}

TEST_F(GeneratorDialogTest, BrowseReplacesThePathOnlyWhenAFileIsChosen) {
  field(1000)->setText(QStringLiteral("typed.dat"));
  files_.answer = std::nullopt;
  button(GeneratorDialog::kBrowseButton)->click();
  EXPECT_EQ(field(1000)->text(), QStringLiteral("typed.dat"));

  files_.answer = QString::fromUtf8("/home/user/曲/take 1.dat");
  button(GeneratorDialog::kBrowseButton)->click();
  EXPECT_EQ(field(1000)->text(), *files_.answer);

  ASSERT_EQ(files_.requests.size(), 2u);
  EXPECT_EQ(files_.requests[0].filterLabel, utf8("DAT File  （ *.dat ）"));
  EXPECT_EQ(files_.requests[0].pattern, QStringLiteral("*.dat"));
  EXPECT_EQ(files_.requests[0].defaultSuffix, QStringLiteral("dat"));
}

TEST_F(GeneratorDialogTest, ConvertsTheTrackBesideItAndKeepsTheSettings) {
  const std::string track = writeTrack("tone.dat", 16);
  field(1000)->setText(QString::fromStdString(track));
  radio(1007)->click();  // PSG, with five channels still selected
  button(GeneratorDialog::kConvertButton)->click();

  EXPECT_EQ(messages_.messages, onlyMessage("終了しました", false));
  const std::string text = folder_.file("tone.txt");
  EXPECT_EQ(dialog_.generator().lastOutputPath(), text);
  ASSERT_TRUE(std::filesystem::exists(text));
  EXPECT_EQ(field(1000)->text(), QString::fromStdString(track));
  EXPECT_TRUE(radio(1007)->isChecked());
  EXPECT_TRUE(radio(1012)->isChecked());
  EXPECT_TRUE(dialog_.isVisible());
}

TEST_F(GeneratorDialogTest, ReportsASettingsCheckWithAnExclamationAndKeepsTheFields) {
  field(1000)->setText(QString::fromStdString(writeTrack("tone.dat", 16)));
  field(1004)->setText(QStringLiteral("74"));
  button(GeneratorDialog::kConvertButton)->click();
  EXPECT_EQ(messages_.messages, onlyMessage("テンポを75-320までに指定して下さい", true));
  EXPECT_EQ(field(1004)->text(), QStringLiteral("74"));
  EXPECT_FALSE(std::filesystem::exists(folder_.file("tone.txt")));
}

TEST_F(GeneratorDialogTest, ReportsAnUnreadableTrackWithoutIcon) {
  field(1000)->setText(QString::fromStdString(folder_.file("missing.dat")));
  button(GeneratorDialog::kConvertButton)->click();
  EXPECT_EQ(messages_.messages, onlyMessage("ファイルが見つかりません", false));
}

}  // namespace
}  // namespace generator::ui
