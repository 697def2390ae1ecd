#pragma once
// The small modeless window that shows a running analysis' remaining time and
// lets the user stop it. It has no keyboard handling of its own: Enter and
// Escape do nothing in it.

#include <QDialog>

class QLabel;
class QPushButton;

namespace analyser::ui {

// "残り時間約N秒" with N the whole seconds of `remainingSeconds`, cut toward zero.
QString remainingTimeText(double remainingSeconds);

class ProgressDialog final : public QDialog {
  Q_OBJECT

 public:
  enum ControlId { kCancelButton = 1001 };

  // Opens at the upper-left corner of `owner`'s client area and deletes
  // itself once closed.
  explicit ProgressDialog(QWidget& owner);

  void showRemaining(double remainingSeconds);
  // Closes the window on the job's behalf, without reporting it as closed by
  // the user.
  void dismiss();

 signals:
  // The window closed itself: its キャンセル button or its close box.
  void closedByUser();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* remaining_;
  bool dismissed_ = false;
};

}  // namespace analyser::ui
