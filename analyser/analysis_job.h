#pragma once
// The analysis job: one press of the convert button, from the path check to
// its single closing message. The window and the command line are hosts; they
// hand over the control states as plain values and show what the job reports.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "analyser/analysis_settings.h"
#include "analyser/clock.h"
#include "analyser/fast/simd_target.h"

namespace analyser {

// The controls as the user left them.
struct AnalysisControls {
  std::string pathText;     // the path field as typed
  bool unit20 = false;      // "1/20秒" selected
  bool unit30 = false;      // "1/30秒" selected
  bool unit60 = false;      // "1/60秒" selected
  bool staggerOn = true;    // "有り" of 発音ずらし selected
  bool optimiseOff = true;  // "しない" of 最適化 selected
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
  // memoryBudget caps the bytes the job's blocks may hold at once, as a small
  // heap would (tests reach the out-of-memory paths with it).
  explicit Analyser(JobHost& host, Clock& clock = steadyClock(),
                    std::size_t memoryBudget = std::numeric_limits<std::size_t>::max());
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
  // Threads for the estimations, the calling one among them; 0 means one per
  // hardware thread.
  void setThreadCount(int threads);
  // The instruction set the fast estimator and subtraction use; the track file is
  // the same with each. The best one the machine runs to begin with.
  void setSimdTarget(SimdTarget target);
  // Runs the literal estimator and subtraction instead, one estimation at a time
  // on the calling thread: the reference the fast ones are measured against.
  void setLiteralMethods(bool literal);
  // The track file the last successful job wrote.
  const std::string& lastOutputPath() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace analyser
