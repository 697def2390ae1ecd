#include "analyser/ui/file_chooser.h"

#include <QComboBox>
#include <QFileDialog>

namespace dialog_kit {

void configureFileDialog(QFileDialog& dialog, const OpenFileRequest& request) {
  // Qt's own dialog on every desktop, so the type list reads exactly as given.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(request.defaultSuffix);
  // The pattern travels in the trailing parentheses that the dialog parses,
  // and hiding those leaves the label in the list; but the dialog collapses
  // runs of blanks in a filter, so the entry gets the label back verbatim.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(request.filterLabel + QLatin1Char('(') + request.pattern + QLatin1Char(')'));
  if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      types != nullptr && types->count() == 1) {
    types->setItemText(0, request.filterLabel);
  }
}

std::optional<QString> FileDialogChooser::chooseFile(QWidget* owner,
                                                     const OpenFileRequest& request) {
  QFileDialog dialog(owner);
  configureFileDialog(dialog, request);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace dialog_kit
