#pragma once
// The analysis job: one press of the convert button, from the path check to
// its single closing message. The window and the command line are hosts; they
// hand over the control states as plain values and show what the job reports.

#include <cstdint>
#include <string>

#include "analyser/clock.h"

namespace analyser {

// The controls as the user left them.
struct AnalysisControls {
  std::string pathText;      // the path field as typed
  bool unit20 = false;       // "1/20秒" selected
  bool unit30 = false;       // "1/30秒" selected
  bool unit60 = false;       // "1/60秒" selected
  bool staggerOn = true;     // "有り" of 発音ずらし selected
  bool optimiseOff = true;   // "しない" of 最適化 selected
};

struct AnalysisSettings {
  std::int32_t soundingUnit = 15;
  std::int32_t samplesPerFrame = 2940;
  std::int32_t stagger = 1;
  std::int32_t passCount = 1;
};

AnalysisSettings readAnalysisSettings(const AnalysisControls& controls);

// What a job needs from the program that runs it.
class JobHost {
 public:
  virtual ~JobHost() = default;
  // The job's one message; `exclamation` for the two input checks.
  virtual void showMessage(const std::string& text, bool exclamation) = 0;
  // Opens the progress display; false when it cannot, and the job runs without.
  virtual bool openProgress() = 0;
  // "残り時間約N秒": the display shows the integer part of the value.
  virtual void updateProgress(double remainingSeconds) = 0;
  virtual void closeProgress() = 0;
  // Lets waiting events through. Handlers run from here may call
  // Analyser::requestStop, Analyser::progressClosed or Analyser::runAnalysisJob.
  virtual void pumpEvents() = 0;
};

// One per program: owns the busy flag, the cancel flag and whether a progress
// display is open, and runs the jobs.
class Analyser {
 public:
  explicit Analyser(JobHost& host, Clock& clock = steadyClock());
  ~Analyser();
  Analyser(const Analyser&) = delete;
  Analyser& operator=(const Analyser&) = delete;

  // The convert handler. Turned away without a message while a job runs.
  void runAnalysisJob(const AnalysisControls& controls);

  // A stop request (exit, closing the main window): sets the cancel flag and
  // closes the progress display if one is open.
  void requestStop();
  // The progress display closed itself (its cancel button, its close box).
  void progressClosed();

  bool busy() const;
  // Worker threads for the estimations; 0 means every hardware thread.
  void setThreadCount(int threads);
  // The track file the last successful job wrote.
  const std::string& lastOutputPath() const;

 private:
  struct State;
  State* state_;
};

}  // namespace analyser
