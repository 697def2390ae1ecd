#include "analyser/ui/progress_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "analyser/messages.h"
#include "analyser/ui/dialog_builder.h"

namespace analyser::ui {

QString remainingTimeText(double remainingSeconds) {
  // Cut and printed as a double: an estimate gone wild must not overflow an
  // integer, and a value under one second never shows as "-0".
  double whole = std::trunc(remainingSeconds);
  if (!std::isfinite(whole) || whole == 0.0) whole = 0.0;
  return QString::fromUtf8(kRemainingPrefix) + QString::number(whole, 'f', 0) +
         QString::fromUtf8(kSecondsSuffix);
}

ProgressDialog::ProgressDialog(QWidget& owner) : QDialog(&owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Dialog"));
  setFont(dialog_kit::progressDialogFont());

  const dialog_kit::DialogUnits units(font());
  dialog_kit::DialogBuilder build(*this, units, {186, 60});
  remaining_ = build.label(QString(), {7, 7, 150, 12});
  QPushButton* cancel =
      build.button(kCancelButton, QString::fromUtf8("キャンセル"), {129, 33, 50, 20});
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);

  move(owner.mapToGlobal(QPoint(0, 0)));
  show();
}

void ProgressDialog::showRemaining(double remainingSeconds) {
  remaining_->setText(remainingTimeText(remainingSeconds));
}

void ProgressDialog::dismiss() {
  dismissed_ = true;
  close();
}

void ProgressDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
      event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!dismissed_) {
    dismissed_ = true;
    emit closedByUser();
  }
}

}  // namespace analyser::ui
