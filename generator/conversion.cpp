#include "generator/conversion.h"

#include "generator/messages.h"
#include "generator/mml_writer.h"
#include "generator/quantiser.h"
#include "generator/track_loader.h"
#include "track/block_list.h"

namespace generator {

struct Generator::State {
  explicit State(MessageSink& messageSink) : sink(messageSink) {}

  // Loading, quantisation and writing; the conversion's error text.
  std::string convert(const std::string& trackPath, std::int32_t selectedUnit,
                      std::string& mmlPath) {
    track::BlockList blocks;
    LoadedTrack loaded;
    std::string error = loadTrack(blocks, trackPath, selectedUnit, settings, loaded);
    if (error.empty()) {
      EventGrid grid;
      quantiseTrack(settings, loaded, grid);
      error = writeMml(settings, loaded, grid, trackPath, mmlPath);
    }
    blocks.allocBlock(0);
    return error;
  }

  MessageSink& sink;
  // Kept from one conversion to the next, as the window reads them when it opens.
  GenerationSettings settings;
  std::string lastOutputPath;
};

Generator::Generator(MessageSink& sink) : state_(std::make_unique<State>(sink)) {}

Generator::~Generator() = default;

void Generator::runConversion(const GenerationControls& controls) {
  std::string trackPath;
  const std::string refusal = readGenerationSettings(controls, state_->settings, trackPath);
  if (!refusal.empty()) {
    state_->sink.showMessage(refusal, true);
    return;
  }
  std::string mmlPath;
  std::string error = state_->convert(trackPath, selectedSoundingUnit(controls), mmlPath);
  if (error.empty()) {
    state_->lastOutputPath = mmlPath;
    error = kFinished;
  }
  state_->sink.showMessage(error, false);
}

std::int32_t Generator::tempo() const {
  return state_->settings.tempo;
}
std::int32_t Generator::volumePercent() const {
  return state_->settings.volumePercent;
}
std::int32_t Generator::compensation() const {
  return state_->settings.compensation;
}
const std::string& Generator::lastOutputPath() const {
  return state_->lastOutputPath;
}

}  // namespace generator
