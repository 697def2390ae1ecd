#include "analyser/ui/progress_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>

#include "analyser/ui/dialog_units.h"
#include "layout_checks.h"

namespace analyser::ui {
namespace {

QString remaining(const char* digits) {
  return QString::fromUtf8("残り時間約") + QString::fromUtf8(digits) + QString::fromUtf8("秒");
}

TEST(RemainingTimeText, ShowsTheWholeSecondsCutTowardZero) {
  const struct {
    double seconds;
    const char* shown;
  } cases[] = {
      {0.0, "0"},
      {0.999999, "0"},
      {1.0, "1"},
      {1.999999, "1"},
      {59.5, "59"},
      {1e12 + 0.5, "1000000000000"},  // beyond any int
      {-0.5, "0"},                    // never "-0"
      {std::numeric_limits<double>::quiet_NaN(), "0"},
      {std::numeric_limits<double>::infinity(), "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(remainingTimeText(c.seconds), remaining(c.shown)) << c.seconds;
  }
}

class ProgressDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_.resize(400, 300);
    owner_.move(50, 70);
    owner_.show();
    progress_ = new ProgressDialog(owner_);
  }

  QPushButton* cancelButton() const {
    return progress_->findChild<QPushButton*>(QStringLiteral("1001"));
  }
  QLabel* remainingLabel() const { return progress_->findChild<QLabel*>(); }

  QWidget owner_;
  QPointer<ProgressDialog> progress_;
};

TEST_F(ProgressDialogTest, OpensShownAtTheOwnersClientCornerWithItsLayout) {
  EXPECT_TRUE(progress_->isVisible());
  EXPECT_FALSE(progress_->isModal());
  EXPECT_EQ(progress_->windowTitle(), QStringLiteral("Dialog"));
  EXPECT_EQ(progress_->parentWidget(), &owner_);
  EXPECT_EQ(progress_->frameGeometry().topLeft(), owner_.mapToGlobal(QPoint(0, 0)));

  const dialog_kit::DialogUnits units(dialog_kit::progressDialogFont());
  EXPECT_EQ(progress_->size(), units.size(186, 60));
  ASSERT_NE(cancelButton(), nullptr);
  EXPECT_EQ(cancelButton()->text(), QString::fromUtf8("キャンセル"));
  EXPECT_EQ(cancelButton()->geometry(), units.rect({129, 33, 50, 20}));
  ASSERT_NE(remainingLabel(), nullptr);
  EXPECT_EQ(remainingLabel()->pos(), units.rect({7, 7, 150, 12}).topLeft());
  EXPECT_TRUE(remainingLabel()->text().isEmpty());

  progress_->showRemaining(3.7);
  EXPECT_EQ(remainingLabel()->text(), remaining("3"));
  EXPECT_TRUE(testing_support::clippedTexts(*progress_).isEmpty());
  EXPECT_TRUE(testing_support::glyphsMissingFromFont(*progress_).isEmpty());
}

TEST_F(ProgressDialogTest, EnterAndEscapeDoNothing) {
  const QSignalSpy closed(progress_.data(), &ProgressDialog::closedByUser);
  cancelButton()->setFocus();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(cancelButton(), key);
    QTest::keyClick(progress_.data(), key);
  }
  EXPECT_TRUE(progress_->isVisible());
  EXPECT_EQ(closed.count(), 0);
}

TEST_F(ProgressDialogTest, ClosingItselfIsReportedOnceAndFreesTheWindow) {
  for (bool byButton : {true, false}) {
    SetUp();
    const QSignalSpy closed(progress_.data(), &ProgressDialog::closedByUser);
    if (byButton) {
      QTest::mouseClick(cancelButton(), Qt::LeftButton);
    } else {
      progress_->close();  // the close box
    }
    EXPECT_FALSE(progress_->isVisible());
    EXPECT_EQ(closed.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(progress_.isNull());
  }
}

TEST_F(ProgressDialogTest, DismissedByTheJobItClosesWithoutReport) {
  const QSignalSpy closed(progress_.data(), &ProgressDialog::closedByUser);
  progress_->dismiss();
  EXPECT_FALSE(progress_->isVisible());
  EXPECT_EQ(closed.count(), 0);
}

}  // namespace
}  // namespace analyser::ui
