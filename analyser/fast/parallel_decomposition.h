#pragma once
// The six-voice decomposition at speed, on several threads, with the literal
// decomposition's results.
//
// A voice's frames are independent of each other, so they are estimated in
// batches, the batch shared out among the threads. Instead of restoring the
// whole signal and subtracting the five other voices from all of it, the
// signal buffer keeps the total of every voice's pieces, frame by frame on each
// voice's own grid; a frame's residual is then the prepared values less that
// total, with the voice's own current piece given back, and once the frame is
// estimated the total trades that piece for the new one. Subtraction that wraps
// around in 32 bits does not depend on its order, and the pieces are exactly
// those the literal subtraction takes (see FastSubtraction), so every residual
// value, and with it every estimate, is the literal one; but an estimation
// needs two pieces where the literal decomposition subtracts five.
//
// Between batches the calling thread, and only it, reports to the observer:
// the progress step with its timing, pumping and stop check.

#include <cstdint>
#include <memory>
#include <vector>

#include "analyser/decomposition.h"
#include "analyser/fast/coarse_search.h"
#include "analyser/fast/simd_target.h"
#include "analyser/fast/worker_pool.h"

namespace analyser {

class ParallelDecomposition {
 public:
  // For frames of `samplesPerFrame` values with `threads` threads in all, the
  // calling one among them (0: one per hardware thread).
  ParallelDecomposition(const SineCosineTable& table, std::int32_t samplesPerFrame, int threads,
                        SimdTarget target);
  ~ParallelDecomposition();

  int threadCount() const { return pool_.size(); }

  // As decomposeVoices; input.signalBuffer serves as the total of the pieces
  // (it ends as that total, not as the residual of the last voice). False when
  // the observer ended the work early, leaving the tables partly updated.
  bool run(const DecompositionInput& input, BatchObserver& observer, ResultTables& tables);

 private:
  class Worker;

  void startTotal(const DecompositionInput& input, const ResultTables& tables);

  CoarseMatrix matrix_;
  WorkerPool pool_;
  std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace analyser
