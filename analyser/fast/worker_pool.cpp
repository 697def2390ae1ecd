#include "analyser/fast/worker_pool.h"

#include <system_error>

namespace analyser {

WorkerPool::WorkerPool(int threads) {
  for (int member = 1; member < threads; ++member) {
    try {
      threads_.emplace_back([this, member] { serve(member); });
    } catch (const std::system_error&) {
      break;
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void WorkerPool::run(const std::function<void(int)>& task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = &task;
    busy_ = static_cast<int>(threads_.size());
    ++round_;
  }
  wake_.notify_all();
  task(0);
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return busy_ == 0; });
  task_ = nullptr;
}

void WorkerPool::serve(int member) {
  std::uint64_t seen = 0;
  for (;;) {
    const std::function<void(int)>* task = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return closing_ || round_ != seen; });
      if (closing_) return;
      seen = round_;
      task = task_;
    }
    (*task)(member);
    std::lock_guard<std::mutex> lock(mutex_);
    if (--busy_ == 0) finished_.notify_one();
  }
}

int threadCountFor(int requested) {
  if (requested > 0) return requested;
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
}

}  // namespace analyser
