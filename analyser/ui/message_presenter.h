#pragma once
// How a program shows a message: a modal box owned by its window, with the
// program's name as caption, one OK button, and the exclamation icon only
// where the caller asks for it. Tests put a recorder in its place.

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace dialog_kit {

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Returns once the user has closed the message.
  virtual void present(QWidget* owner, const QString& caption, const QString& text,
                       bool exclamation) = 0;
};

// The box that MessageBoxPresenter shows.
std::unique_ptr<QMessageBox> buildMessageBox(QWidget* owner, const QString& caption,
                                             const QString& text, bool exclamation);

class MessageBoxPresenter final : public MessagePresenter {
 public:
  void present(QWidget* owner, const QString& caption, const QString& text,
               bool exclamation) override;
};

}  // namespace dialog_kit
