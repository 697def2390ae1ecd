#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>

#include "analyser/ui/dialog_units.h"
#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"

namespace dialog_kit {
namespace {

TEST(DialogFont, FallsBackToAnInstalledJapaneseGothic) {
  const QFont font = mainDialogFont();
  EXPECT_EQ(font.pointSize(), 9);
  EXPECT_EQ(progressDialogFont().pointSize(), 8);
  const QStringList expected =
      QFontDatabase::hasFamily(QStringLiteral("MS UI Gothic"))
          ? QStringList{QStringLiteral("MS UI Gothic")}
          : QStringList{QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};
  EXPECT_TRUE(expected.contains(font.family())) << font.family().toStdString();
  EXPECT_TRUE(QFontMetrics(font).inFontUcs4(U'変'));
}

TEST(DialogFont, TakesTheFirstInstalledFamilyAndKeepsTheSize) {
  const QFont font = firstInstalledFont(
      {QStringLiteral("No Such Face"), QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")},
      11);
  EXPECT_EQ(font.family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(font.pointSize(), 11);
  EXPECT_EQ(firstInstalledFont({QStringLiteral("No Such Face")}, 7).pointSize(), 7);
}

TEST(DialogUnits, RoundsEachCoordinateToTheNearestPixel) {
  const DialogUnits units(6, 13);
  EXPECT_EQ(units.x(4), 6);
  EXPECT_EQ(units.y(8), 13);
  EXPECT_EQ(units.x(1), 2);  // 1.5
  EXPECT_EQ(units.x(3), 5);  // 4.5
  EXPECT_EQ(units.y(3), 5);  // 4.875
  EXPECT_EQ(units.y(5), 8);  // 8.125
  EXPECT_EQ(units.size(279, 165), QSize(419, 268));
  EXPECT_EQ(units.rect({20, 25, 180, 22}), QRect(30, 41, 270, 36));
}

TEST(DialogUnits, MeasuresTheFontsLatinLetters) {
  const QFont font = mainDialogFont();
  const DialogUnits units(font);
  const QFontMetrics metrics(font);
  EXPECT_EQ(units.charHeight(), metrics.height());
  // The average of the letters, within the rounding of the dialog manager.
  const double average = metrics.horizontalAdvance(QStringLiteral(
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                         52.0;
  EXPECT_NEAR(units.averageCharWidth(), average, 0.5 + 1.0 / 52);
}

TEST(MessageBox, HasTheCaptionOneOkButtonAndTheIconAskedFor) {
  QWidget owner;
  for (bool exclamation : {false, true}) {
    const auto box = buildMessageBox(&owner, QStringLiteral("Tonalyx"),
                                     QString::fromUtf8("終了しました"), exclamation);
    EXPECT_EQ(box->parentWidget(), &owner);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Tonalyx"));
    EXPECT_EQ(box->text(), QString::fromUtf8("終了しました"));
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->icon(), exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
  }
}

TEST(FileDialog, ListsTheLabelVerbatimAndFiltersByThePattern) {
  QFileDialog dialog;
  const QString label = QString::fromUtf8("DAT File  （ *.dat ）");
  configureFileDialog(dialog, {label, QStringLiteral("*.dat"), QStringLiteral("dat")});

  const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 1);
  EXPECT_EQ(types->itemText(0), label);  // both blanks after "File" kept
  ASSERT_EQ(dialog.nameFilters().size(), 1);
  EXPECT_TRUE(dialog.nameFilters().first().endsWith(QStringLiteral("(*.dat)")));
  EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("dat"));
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
}

}  // namespace
}  // namespace dialog_kit
