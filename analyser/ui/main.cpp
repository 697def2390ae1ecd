#include "analyser/ui/analyser_app.h"

int main(int argc, char* argv[]) {
  return analyser::ui::AnalyserApp(argc, argv).run();
}
