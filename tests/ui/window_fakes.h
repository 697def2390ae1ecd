#pragma once
// Stand-ins for the modal parts of a window: a message recorder in place of
// the message box, and a file chooser that gives a set answer.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "analyser/ui/file_chooser.h"
#include "analyser/ui/message_presenter.h"

namespace testing_support {

struct Message {
  QString caption;
  QString text;
  bool exclamation = false;
  bool operator==(const Message&) const = default;
};

class RecordingPresenter final : public dialog_kit::MessagePresenter {
 public:
  void present(QWidget*, const QString& caption, const QString& text, bool exclamation) override {
    messages.push_back({caption, text, exclamation});
  }
  std::vector<Message> messages;
};

class ScriptedChooser final : public dialog_kit::FileChooser {
 public:
  std::optional<QString> chooseFile(QWidget*, const dialog_kit::OpenFileRequest& request) override {
    requests.push_back(request);
    return answer;
  }
  std::optional<QString> answer;
  std::vector<dialog_kit::OpenFileRequest> requests;
};

}  // namespace testing_support
