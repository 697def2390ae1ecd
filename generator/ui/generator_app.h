#pragma once
// Scorvane's application object: shows the main window as a modal dialog and
// ends the program when it closes, whichever way. It keeps no settings, and
// arguments other than Qt's own are ignored.

#include <QApplication>

namespace generator::ui {

class GeneratorApp final : public QApplication {
 public:
  GeneratorApp(int& argc, char** argv);
  // Returns the program's exit status once the window has closed.
  int run();
};

}  // namespace generator::ui
