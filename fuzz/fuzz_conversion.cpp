// A whole conversion of an arbitrary track file. The first bytes of the input
// choose the settings, the rest is the file.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "generator/conversion.h"

namespace {

class Silent : public generator::MessageSink {
 public:
  void showMessage(const std::string&, bool) override {}
};

std::string scratchPath(const char* ending) {
  return "/dev/shm/tonalyx-fuzz-" + std::to_string(::getpid()) + ending;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size > 4u << 20) return 0;
  static const char* const kTempos[] = {"120", "75", "320", "120/124999", "200/195000", "113"};
  generator::GenerationControls controls;
  const std::uint8_t a = data[0], b = data[1], c = data[2], d = data[3];
  controls.tempoText = kTempos[a % 6];
  controls.volumeText = std::to_string(20 + b % 181);
  controls.compensationText = std::to_string(c % 192);
  controls.psg = (a >> 3) % 3 == 0;
  controls.scc = (a >> 3) % 3 == 1;
  controls.fm = (a >> 3) % 3 == 2;
  controls.channels3 = (b >> 5) % 3 == 0;
  controls.channels4 = (b >> 5) % 3 == 1;
  controls.channels5 = (b >> 5) % 3 == 2;
  controls.detuneOff = (d & 1) == 0;
  controls.pitchSortOn = (d & 2) != 0;
  controls.unit15 = (d >> 2) % 4 == 0;
  controls.unit20 = (d >> 2) % 4 == 1;
  controls.unit30 = (d >> 2) % 4 == 2;
  controls.unit60 = (d >> 2) % 4 == 3;

  const std::string trackPath = scratchPath(".dat");
  std::FILE* file = std::fopen(trackPath.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + 4, 1, size - 4, file);
  std::fclose(file);
  controls.pathText = trackPath;

  Silent sink;
  generator::Generator generator(sink);
  generator.runConversion(controls);
  std::remove(trackPath.c_str());
  std::remove(scratchPath(".txt").c_str());
  return 0;
}
