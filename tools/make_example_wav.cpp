// make-example-wav: writes the bundled example sound, four seconds of a short
// melody over a bass line and a changing chord, as a 44,100 Hz 16-bit mono
// WAV file. Six sinusoids at any moment, so the analyser has a voice for each.
// The same bytes every run.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "track/whole_file.h"

namespace {

constexpr int kRate = 44'100;
constexpr double kBeat = 0.25;  // seconds per melody note
constexpr int kNotesPerChord = 4;
constexpr double kTwoPi = 6.283185307179586;

// MIDI note numbers: the chords (bass, then three chord tones) and the melody.
constexpr int kChords[][4] = {
    {36, 48, 52, 55}, {33, 45, 48, 52}, {29, 45, 48, 53}, {31, 43, 47, 50}};
constexpr int kMelody[] = {76, 79, 84, 83, 81, 76, 72, 74, 77, 81, 84, 81, 79, 77, 74, 79};
constexpr int kNoteCount = sizeof kMelody / sizeof kMelody[0];

double hertz(int note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Rises over `attack` seconds and falls over `release` seconds at the end.
double envelope(double t, double length, double attack, double release) {
  if (t < attack) return t / attack;
  if (t > length - release) return std::max(0.0, (length - t) / release);
  return 1.0;
}

double sampleAt(int i) {
  const double t = static_cast<double>(i) / kRate;
  const int note = std::min(static_cast<int>(t / kBeat), kNoteCount - 1);
  const double inNote = t - note * kBeat;
  const double chordLength = kBeat * kNotesPerChord;
  const int chord = note / kNotesPerChord;
  const double inChord = t - chord * chordLength;

  const double melody = hertz(kMelody[note]);
  double value = envelope(inNote, kBeat, 0.01, 0.03) *
                 (0.32 * std::sin(kTwoPi * melody * t) + 0.08 * std::sin(kTwoPi * 2 * melody * t));
  const double chordGain = envelope(inChord, chordLength, 0.02, 0.02);
  value += chordGain * 0.16 * std::sin(kTwoPi * hertz(kChords[chord][0]) * t);
  for (int k = 1; k < 4; ++k)
    value += chordGain * 0.11 * std::sin(kTwoPi * hertz(kChords[chord][k]) * t);
  return value;
}

void put(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
  for (int b = 0; b < bytes; ++b) out.push_back(static_cast<unsigned char>(value >> (8 * b)));
}

std::vector<unsigned char> exampleWave() {
  const int samples = static_cast<int>(kNoteCount * kBeat * kRate);
  std::vector<unsigned char> file;
  file.insert(file.end(), {'R', 'I', 'F', 'F'});
  put(file, 36 + samples * 2, 4);
  file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(file, 16, 4);
  put(file, 1, 2);  // PCM
  put(file, 1, 2);  // mono
  put(file, kRate, 4);
  put(file, kRate * 2, 4);
  put(file, 2, 2);
  put(file, 16, 2);
  file.insert(file.end(), {'d', 'a', 't', 'a'});
  put(file, samples * 2, 4);
  for (int i = 0; i < samples; ++i) {
    const auto s = static_cast<std::int16_t>(std::lround(sampleAt(i) * 32'000));
    put(file, static_cast<std::uint16_t>(s), 2);
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make-example-wav OUTPUT.wav\n");
    return 2;
  }
  const std::vector<unsigned char> file = exampleWave();
  const std::string error = track::writeWholeFile(argv[1], file.data(), file.size());
  if (!error.empty()) {
    std::fprintf(stderr, "make-example-wav: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
