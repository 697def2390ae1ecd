#include "analyser/ui/message_presenter.h"

#include <QMessageBox>

namespace dialog_kit {

std::unique_ptr<QMessageBox> buildMessageBox(QWidget* owner, const QString& caption,
                                             const QString& text, bool exclamation) {
  auto box = std::make_unique<QMessageBox>(owner);
  box->setWindowTitle(caption);
  box->setText(text);
  box->setTextFormat(Qt::PlainText);
  box->setIcon(exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
  box->setStandardButtons(QMessageBox::Ok);
  return box;
}

void MessageBoxPresenter::present(QWidget* owner, const QString& caption, const QString& text,
                                  bool exclamation) {
  buildMessageBox(owner, caption, text, exclamation)->exec();
}

}  // namespace dialog_kit
