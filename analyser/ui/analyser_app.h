#pragma once
// Tonalyx's application object: shows the main window as a modal dialog and
// ends the program when it closes; a window closed during an analysis ends it
// once the analysis has stopped. It keeps no settings, and arguments other
// than Qt's own are ignored.

#include <QApplication>

namespace analyser::ui {

class AnalyserApp final : public QApplication {
 public:
  AnalyserApp(int& argc, char** argv);
  // Returns the program's exit status once the window has closed.
  int run();
};

}  // namespace analyser::ui
