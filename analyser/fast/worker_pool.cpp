#include "analyser/fast/worker_pool.h"

#include <system_error>

namespace analyser {
namespace {

// A thread that has just finished its share looks for the next task this many
// times before it sleeps: tasks follow each other closely, and waking a
// sleeping thread can take longer than a short task.
constexpr int kSpins = 20'000;

}  // namespace

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
    round_.fetch_add(1);
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void WorkerPool::run(const std::function<void(int)>& task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = &task;
    busy_.store(static_cast<int>(threads_.size()));
    round_.fetch_add(1);
  }
  wake_.notify_all();
  task(0);
  for (int spin = 0; spin < kSpins && busy_.load() != 0; ++spin) std::this_thread::yield();
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return busy_.load() == 0; });
  task_ = nullptr;
}

void WorkerPool::serve(int member) {
  std::uint64_t seen = 0;
  for (;;) {
    for (int spin = 0; spin < kSpins && round_.load() == seen; ++spin) std::this_thread::yield();
    const std::function<void(int)>* task = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return round_.load() != seen; });
      if (closing_) return;
      seen = round_.load();
      task = task_;
    }
    (*task)(member);
    if (busy_.fetch_sub(1) == 1) {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_.notify_one();
    }
  }
}

int threadCountFor(int requested) {
  if (requested > 0) return requested;
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
}

}  // namespace analyser
