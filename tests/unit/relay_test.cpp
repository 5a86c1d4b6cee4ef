#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "frame/relay.hpp"

using kvtconv::Relay;

namespace {

// Message k: its size steps through every size up to the largest (less
// the room asked beyond it), its first bytes say which it is.
std::string message(std::size_t k) {
  std::string m((k * 37) % (Relay::kLargest - 16 + 1), static_cast<char>('a' + k % 26));
  std::memcpy(m.data(), &k, std::min(m.size(), sizeof k));
  return m;
}

void makeMessages(Relay& r, std::size_t count) {
  for (std::size_t k = 0; k < count; ++k) {
    const std::string m = message(k);
    // More room than is sent, as a reader of whole words asks for.
    std::memcpy(r.room(m.size() + 16), m.data(), m.size());
    r.send(m.size());
  }
}

}  // namespace

TEST(Relay, MessagesArriveWholeInOrderOnTheCallersThread) {
  // Enough to go round the ring of chunks several times.
  const std::size_t count = 4 * Relay::kChunks * Relay::kChunk / 512;
  for (const bool second : {true, false}) {
    std::size_t next = 0, wrong = 0;
    bool here = true;
    const auto caller = std::this_thread::get_id();
    Relay::run([&](Relay& r) { makeMessages(r, count); },
               [&](std::string_view m) {
                 wrong += m != message(next++);
                 here &= std::this_thread::get_id() == caller;
               },
               nullptr, second);
    EXPECT_EQ(next, count) << second;
    EXPECT_EQ(wrong, 0u) << second;
    EXPECT_TRUE(here) << second;
  }
}

TEST(Relay, AFailureOnEitherSideEndsBoth) {
  for (const bool second : {true, false}) {
    // The user fails while the maker has far more to make than the ring
    // holds: the maker stops instead of waiting for room.
    std::size_t used = 0;
    EXPECT_THROW(Relay::run([&](Relay& r) { makeMessages(r, 1'000'000); },
                            [&](std::string_view) {
                              if (++used == 3000) throw std::runtime_error("user");
                            },
                            nullptr, second),
                 std::runtime_error);
    EXPECT_EQ(used, 3000u);
    // The maker fails: what it sent before is used first.
    used = 0;
    try {
      Relay::run(
          [&](Relay& r) {
            makeMessages(r, 5000);
            throw std::runtime_error("maker");
          },
          [&](std::string_view) { ++used; }, nullptr, second);
      ADD_FAILURE() << "nothing thrown";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "maker");
    }
    EXPECT_EQ(used, 5000u);
    // A message longer than any may be is refused, not written past its chunk.
    EXPECT_THROW(Relay::run([](Relay& r) { r.room(Relay::kLargest + 1); }, [](std::string_view) {}, nullptr, second),
                 std::length_error);
    // Both fail: the user's failure is the one told.
    try {
      Relay::run(
          [&](Relay& r) {
            makeMessages(r, 100'000);
            throw std::runtime_error("maker");
          },
          [&](std::string_view) { throw std::logic_error("user"); }, nullptr, second);
      ADD_FAILURE() << "nothing thrown";
    } catch (const std::logic_error& e) {
      EXPECT_STREQ(e.what(), "user");
    }
  }
}
