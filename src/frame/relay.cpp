#include "frame/relay.hpp"

#include <utility>
#include <vector>

#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace kvtconv {

#ifndef _WIN32
struct RelayGate::State {
  explicit State(std::size_t n) : chunks(n), sizes(n) {}
  const std::size_t chunks;
  std::vector<std::size_t> sizes;  // the bytes made in each chunk of the ring
  std::mutex m;
  std::condition_variable madeOne, usedOne;
  std::size_t made = 0, used = 0;  // chunks handed over and used, ever
  // A side that has to wait sleeps until the ring is half full (or half
  // free) again, not until the next chunk: waking a thread costs as much as
  // using a chunk, so the two take turns seldom.
  bool makerWaits = false, userWaits = false;
  bool finished = false, stopped = false;
  std::size_t half() const { return chunks / 2; }
  std::exception_ptr error;
  std::thread thread;
};

RelayGate::RelayGate(std::size_t chunks) : state_(std::make_unique<State>(chunks)) {}

RelayGate::~RelayGate() {
  if (!state_->thread.joinable()) return;
  stop();
  state_->thread.join();
}

bool RelayGate::start(std::function<void()> maker) {
  try {
    state_->thread = std::thread(std::move(maker));
    return true;
  } catch (...) {
    return false;
  }
}

bool RelayGate::handOver(std::size_t bytes) {
  State& st = *state_;
  std::unique_lock<std::mutex> lock(st.m);
  st.sizes[st.made % st.chunks] = bytes;
  ++st.made;
  if (st.userWaits && st.made - st.used >= st.half()) st.madeOne.notify_one();
  if (st.made - st.used == st.chunks) {
    st.makerWaits = true;
    st.usedOne.wait(lock, [&] { return st.stopped || st.made - st.used <= st.half(); });
    st.makerWaits = false;
  }
  return !st.stopped;
}

void RelayGate::finish(std::exception_ptr error) {
  State& st = *state_;
  {
    const std::lock_guard<std::mutex> lock(st.m);
    st.finished = true;
    st.error = std::move(error);
  }
  st.madeOne.notify_one();
}

std::size_t RelayGate::take() {
  State& st = *state_;
  std::unique_lock<std::mutex> lock(st.m);
  if (st.used == st.made && !st.finished) {
    st.userWaits = true;
    st.madeOne.wait(lock, [&] { return st.made - st.used >= st.half() || st.finished; });
    st.userWaits = false;
  }
  return st.used < st.made ? st.sizes[st.used % st.chunks] : 0;
}

void RelayGate::release() {
  State& st = *state_;
  bool wake;
  {
    const std::lock_guard<std::mutex> lock(st.m);
    ++st.used;
    wake = st.makerWaits && st.made - st.used <= st.half();
  }
  if (wake) st.usedOne.notify_one();
}

void RelayGate::stop() {
  State& st = *state_;
  {
    const std::lock_guard<std::mutex> lock(st.m);
    st.stopped = true;
  }
  st.usedOne.notify_one();
}

void RelayGate::join() {
  State& st = *state_;
  if (st.thread.joinable()) st.thread.join();
  if (st.error) std::rethrow_exception(std::exchange(st.error, nullptr));
}
#else
// Windows builds have no second thread: every relay runs where it is called.
struct RelayGate::State {};
RelayGate::RelayGate(std::size_t) {}
RelayGate::~RelayGate() = default;
bool RelayGate::start(std::function<void()>) { return false; }
bool RelayGate::handOver(std::size_t) { return false; }
void RelayGate::finish(std::exception_ptr) {}
std::size_t RelayGate::take() { return 0; }
void RelayGate::release() {}
void RelayGate::stop() {}
void RelayGate::join() {}
#endif

}  // namespace kvtconv
