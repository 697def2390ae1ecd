#pragma once
// The open-file dialog behind a browse button. A window asks its FileChooser,
// so tests can answer without a real dialog.

#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace dialog_kit {

// One file type: what the type list shows, the pattern it stands for, and
// the extension added to a typed name that has none.
struct OpenFileRequest {
  QString filterLabel;
  QString pattern;
  QString defaultSuffix;
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The full path of the confirmed file; nothing when the user cancels.
  virtual std::optional<QString> chooseFile(QWidget* owner, const OpenFileRequest& request) = 0;
};

// Sets up `dialog` for `request`: an existing file, one type whose list
// entry reads exactly as the label, no preset name or folder.
void configureFileDialog(QFileDialog& dialog, const OpenFileRequest& request);

class FileDialogChooser final : public FileChooser {
 public:
  std::optional<QString> chooseFile(QWidget* owner, const OpenFileRequest& request) override;
};

}  // namespace dialog_kit
