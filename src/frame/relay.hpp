#pragma once
// Messages made on one thread and used on another, in the order they are
// made. A second thread makes them (reads and sorts the input) while the
// caller's thread uses those made before (formats, writes and does
// everything that speaks to the session or the host), so a conversion whose
// reading and writing each cost about as much runs on two cores. Where no
// second thread is to be had (Windows builds, or the system refuses one),
// each message is used as soon as it is made, on the caller's thread: the
// results are the same either way.
//
// A message is bytes, as long as its maker needs: they go in chunks, so
// that the two threads meet once per chunk and not once per message.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "frame/textfile.hpp"

namespace kvtconv {

// The hand-over of chunks between the maker and the user: a ring of
// chunks, each either being made, waiting or being used.
class RelayGate {
 public:
  explicit RelayGate(std::size_t chunks);
  ~RelayGate();  // stops the maker and waits for it
  RelayGate(const RelayGate&) = delete;
  RelayGate& operator=(const RelayGate&) = delete;

  // Runs `maker` on a second thread; false when none is to be had.
  bool start(std::function<void()> maker);

  // The maker's side. A chunk of `bytes` is made; waits for room for the
  // next. False when the user has stopped taking.
  bool handOver(std::size_t bytes);
  // The maker is done; `error` is what ended it early, if anything.
  void finish(std::exception_ptr error);

  // The user's side. The bytes of the next chunk, waiting for it; 0 when
  // the maker is done and every chunk is used.
  std::size_t take();
  void release();  // the chunk taken is used
  void stop();     // no more chunks are taken
  // Waits for the maker; what ended it early is thrown here.
  void join();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

class Relay {
 public:
  static constexpr std::size_t kChunk = std::size_t{1} << 16, kChunks = 8;
  static constexpr std::size_t kLargest = 4096;  // the most a message may ask room for

  // Runs make(relay) on a second thread, which makes messages by room()
  // and send(), while use(std::string_view message) takes them in order on
  // this one. What either throws ends both and is thrown here, the user's
  // first; messages sent before the maker failed are used first. The
  // progress of `input`, read by the maker, is told on this thread, in
  // order with the messages. `second` false: made and used here, one by one.
  template <class Make, class Use>
  static void run(Make&& make, Use&& use, TextFile* input = nullptr, bool second = true) {
    if (second) {
      const std::unique_ptr<std::max_align_t[]> store(new std::max_align_t[kChunks * kWords]());
      RelayGate gate(kChunks);
      Relay* maker = nullptr;
      const ProgressFn relayed = [&](std::uint64_t done, std::uint64_t total) { maker->progress(done, total); };
      std::optional<ProgressRoute> route(std::in_place, input, &relayed);
      const ProgressFn* told = route->told();
      // The maker's side lives on the maker's own stack: what it writes for
      // every message shares no cache line with what this thread writes.
      if (gate.start([&] {
            Relay r(&gate, store.get());
            maker = &r;
            r.makeAll(make);
          })) {
        try {
          for (std::size_t n, used = 0; (n = gate.take()) != 0; gate.release()) {
            const char* chunk = reinterpret_cast<const char*>(store.get() + used++ % kChunks * kWords);
            for (std::size_t at = 0; at < n;) {
              std::uint32_t head[2];
              std::memcpy(head, chunk + at, sizeof head);
              const char* m = chunk + at + kHead;
              if (head[1] == kProgress) {
                std::uint64_t p[2];
                std::memcpy(p, m, sizeof p);
                (*told)(p[0], p[1]);
              } else {
                use(std::string_view(m, head[0]));
              }
              at += kHead + roundUp(head[0]);
            }
          }
        } catch (...) {
          gate.stop();
          try {
            gate.join();
          } catch (...) {  // the user's failure came first
          }
          throw;
        }
        gate.join();
        return;
      }
      route.reset();
    }
    const std::unique_ptr<std::max_align_t[]> one(new std::max_align_t[kWords]());
    Relay here(nullptr, one.get());
    here.here_ = [&](std::string_view message) { use(message); };
    make(here);
  }

  // Room for a message of up to n bytes (n at most kLargest), aligned for
  // eight-byte values; valid until send(). Room asked for beyond what is
  // sent may be read by the user, never written.
  char* room(std::size_t n) {
    if (n > kLargest) throw std::length_error("relay message too long");
    if (at_ + kHead + n > kChunk) handOver();
    return chunk_ + at_ + kHead;
  }
  // The first n bytes of the room are the message.
  void send(std::size_t n) { send(n, kMessage); }

  // A message that begins with a head of its maker's, read back by head():
  // room for the head and `rest` bytes after it, the head written; returns
  // where the rest goes.
  template <class Head>
  char* room(const Head& head, std::size_t rest) {
    static_assert(std::is_trivially_copyable_v<Head>);
    char* m = room(sizeof head + rest);
    std::memcpy(m, &head, sizeof head);
    return m + sizeof head;
  }
  template <class Head>
  static Head head(std::string_view message) {
    Head h;
    std::memcpy(&h, message.data(), sizeof h);
    return h;
  }

 private:
  struct Stopped {};  // the user stopped taking: the maker unwinds
  // A message's head: its size and whether it is the maker's or the input's
  // progress; eight bytes, the alignment of what follows.
  static constexpr std::size_t kHead = 8;
  static constexpr std::uint32_t kMessage = 0, kProgress = 1;

  void send(std::size_t n, std::uint32_t kind) {
    const std::uint32_t head[2] = {static_cast<std::uint32_t>(n), kind};
    char* at = chunk_ + at_;
    std::memcpy(at, head, sizeof head);
    if (!gate_) {
      here_(std::string_view(at + kHead, n));
      return;
    }
    at_ += kHead + roundUp(n);
  }

  // The input's progress, if it has a hook, goes by the relay while the
  // maker reads it; told() is the hook it had.
  class ProgressRoute {
   public:
    ProgressRoute(TextFile* input, const ProgressFn* relayed)
        : told_(input ? input->progress() : nullptr), input_(told_ ? input : nullptr) {
      if (input_) input_->setProgress(relayed);
    }
    const ProgressFn* told() const { return told_; }
    ~ProgressRoute() {
      if (input_) input_->setProgress(told_);
    }
    ProgressRoute(const ProgressRoute&) = delete;
    ProgressRoute& operator=(const ProgressRoute&) = delete;

   private:
    const ProgressFn* told_;
    TextFile* input_;
  };

  void progress(std::uint64_t done, std::uint64_t total) {
    const std::uint64_t p[2] = {done, total};
    std::memcpy(room(sizeof p), p, sizeof p);
    send(sizeof p, kProgress);
  }
  static constexpr std::size_t kWords = kChunk / sizeof(std::max_align_t);
  static constexpr std::size_t roundUp(std::size_t n) { return (n + kHead - 1) & ~(kHead - 1); }

  Relay(RelayGate* gate, std::max_align_t* store)
      : gate_(gate), store_(store), chunk_(reinterpret_cast<char*>(store)) {}

  void handOver() {
    const bool go = gate_->handOver(at_);
    base_ = (base_ + 1) % kChunks;
    chunk_ = reinterpret_cast<char*>(store_ + base_ * kWords);
    at_ = 0;
    if (!go) throw Stopped{};
  }

  template <class Make>
  void makeAll(Make& make) {
    std::exception_ptr error;
    try {
      try {
        make(*this);
      } catch (const Stopped&) {
        throw;
      } catch (...) {
        error = std::current_exception();  // what was sent before it still goes
      }
      if (at_ != 0) handOver();
    } catch (const Stopped&) {
    }
    gate_->finish(error);
  }

  RelayGate* gate_;  // none when used where made
  std::max_align_t* store_;  // the ring of chunks
  char* chunk_;              // the one being made
  std::size_t base_ = 0, at_ = 0;  // its place in the ring and the bytes made in it
  std::function<void(std::string_view)> here_;
};

}  // namespace kvtconv
