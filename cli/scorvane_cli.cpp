// scorvane-cli: converts a track file into MML text from the command line,
// with the same settings, checks and messages as the window.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "generator/conversion.h"
#include "generator/messages.h"

namespace {

constexpr char kUsage[] =
    "Usage: scorvane-cli [--tempo TEXT] [--volume TEXT] [--compensation TEXT]\n"
    "                    [--source psg|scc|fm] [--channels 3|4|5] [--detune|--no-detune]\n"
    "                    [--pitch-sort|--no-pitch-sort] [--unit 15|20|30|60] [--quiet] DATFILE\n";

constexpr char kManual[] =
    "Converts a track file written by tonalyx-cli into MML text for a PSG, SCC or\n"
    "FM sound chip. The text goes beside the track file, under the same name with\n"
    "the extension .txt; a file of that name is replaced.\n"
    "\n"
    "Options:\n"
    "  --tempo TEXT          tempo 75..320, optionally \"/\" and the exact tempo in\n"
    "                        thousandths (within 5000 of tempo x 1000), e.g. 120/120500\n"
    "                        (default 120)\n"
    "  --volume TEXT         output volume in percent, 20..200 (default 100)\n"
    "  --compensation TEXT   sounding compensation in ticks of a 192-tick whole\n"
    "                        note, 0..191 (default 0)\n"
    "  --source psg|scc|fm   sound chip (default fm); psg always uses 3 channels\n"
    "  --channels 3|4|5      number of output channels (default 5)\n"
    "  --detune              write a detune command for every sounding frame\n"
    "  --no-detune           write none (default)\n"
    "  --pitch-sort          let each channel follow one continuous voice (default)\n"
    "  --no-pitch-sort       keep the voices in the order of the track\n"
    "  --unit 15|20|30|60    frames per second the track was analysed with\n"
    "                        (default 15)\n"
    "  -q, --quiet           print nothing on success\n"
    "  -h, --help            show this help and exit\n"
    "      --version         show the version and exit\n"
    "  --                    end of options; DATFILE may then begin with \"-\"\n"
    "\n"
    "TEXT values are checked exactly as typed into the window's fields: the leading\n"
    "number counts, so \" 99x\" reads as 99 and \"abc\" as 0. DATFILE must end in \"dat\".\n"
    "\n"
    "Exit status: 0 when the text was written (\"終了しました\" on standard output),\n"
    "1 when the settings were refused or the conversion failed (its message on\n"
    "standard error), 2 for a malformed command line.\n";

const std::vector<cli::OptionSpec> kOptions = {
    {"tempo", true},       {"volume", true},         {"compensation", true}, {"source", true},
    {"channels", true},    {"unit", true},           {"detune", false},      {"no-detune", false},
    {"pitch-sort", false}, {"no-pitch-sort", false}, {"quiet", false, 'q'},  {"help", false, 'h'},
    {"version", false},
};

// Prints the one message of the conversion where a shell expects it.
class ConsoleSink : public generator::MessageSink {
 public:
  explicit ConsoleSink(bool quiet) : quiet_(quiet) {}
  void showMessage(const std::string& text, bool) override {
    succeeded_ = text == generator::kFinished;
    if (!succeeded_)
      std::cerr << text << '\n';
    else if (!quiet_)
      std::cout << text << '\n';
  }
  bool succeeded() const { return succeeded_; }

 private:
  bool quiet_;
  bool succeeded_ = false;
};

struct Request {
  generator::GenerationControls controls;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Applies one option; false for a value outside its choices.
bool apply(const std::string& name, const std::string& value, Request& request) {
  generator::GenerationControls& c = request.controls;
  if (name == "tempo") {
    c.tempoText = value;
  } else if (name == "volume") {
    c.volumeText = value;
  } else if (name == "compensation") {
    c.compensationText = value;
  } else if (name == "source") {
    if (value != "psg" && value != "scc" && value != "fm") return false;
    c.psg = value == "psg";
    c.scc = value == "scc";
    c.fm = value == "fm";
  } else if (name == "channels") {
    if (value != "3" && value != "4" && value != "5") return false;
    c.channels3 = value == "3";
    c.channels4 = value == "4";
    c.channels5 = value == "5";
  } else if (name == "unit") {
    if (value != "15" && value != "20" && value != "30" && value != "60") return false;
    c.unit15 = value == "15";
    c.unit20 = value == "20";
    c.unit30 = value == "30";
    c.unit60 = value == "60";
  } else if (name == "detune" || name == "no-detune") {
    c.detuneOff = name == "no-detune";
  } else if (name == "pitch-sort" || name == "no-pitch-sort") {
    c.pitchSortOn = name == "pitch-sort";
  } else if (name == "quiet") {
    request.quiet = true;
  } else if (name == "help") {
    request.help = true;
  } else if (name == "version") {
    request.version = true;
  }
  return true;
}

int usageError(const std::string& problem) {
  std::cerr << "scorvane-cli: " << problem << '\n'
            << kUsage << "Try 'scorvane-cli --help' for more information.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const cli::CommandLine line = cli::parseCommandLine(argc, argv, kOptions);
  if (!line.error.empty()) return usageError(line.error);
  Request request;
  for (const auto& [name, value] : line.options)
    if (!apply(name, value, request))
      return usageError("invalid value '" + value + "' for --" + name);
  if (request.help) {
    std::cout << kUsage << '\n' << kManual;
    return 0;
  }
  if (request.version) {
    std::cout << "scorvane-cli " << TONALYX_VERSION << '\n';
    return 0;
  }
  if (line.arguments.size() != 1)
    return usageError(line.arguments.empty() ? "missing DATFILE" : "more than one DATFILE");
  request.controls.pathText = line.arguments.front();

  ConsoleSink sink(request.quiet);
  generator::Generator generator(sink);
  generator.runConversion(request.controls);
  std::cout.flush();
  return sink.succeeded() && std::cout ? 0 : 1;
}
