#include "generator/ui/generator_app.h"

int main(int argc, char* argv[]) {
  return generator::ui::GeneratorApp(argc, argv).run();
}
