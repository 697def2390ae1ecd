#pragma once
// A fixed crew of threads that run one task together and then wait for the
// next. The calling thread is a member of the crew: it takes share 0 and
// returns only when every share is done, so whatever it does between tasks
// (the progress step, the pumping of window events) never overlaps the work.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace analyser {

class WorkerPool {
 public:
  // `threads` members in all (at least one, the caller). Threads that the system
  // refuses to start are done without: the crew is then smaller.
  explicit WorkerPool(int threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int size() const { return static_cast<int>(threads_.size()) + 1; }

  // Runs task(member) once on every member, 0 on the calling thread, and returns
  // when all have finished.
  void run(const std::function<void(int)>& task);

 private:
  void serve(int member);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  const std::function<void(int)>* task_ = nullptr;
  std::atomic<std::uint64_t> round_{0};  // changed under the mutex
  std::atomic<int> busy_{0};             // members still at work, the caller apart
  bool closing_ = false;
  std::vector<std::thread> threads_;
};

// Every hardware thread, when `requested` is 0; otherwise `requested`.
int threadCountFor(int requested);

}  // namespace analyser
