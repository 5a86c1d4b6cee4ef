#pragma once
// The shared harness of the fuzz targets. A target is one function over a
// Run: the input bytes cut into files at each "\n----\n" (the main input
// first, then the auxiliary files a conversion reads), written to a scratch
// directory because every conversion reads files by name, and one fresh
// session whose hooks check what the host is promised.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kvtconv.hpp"

namespace kvtfuzz {

inline constexpr std::string_view kSeparator = "\n----\n";

class Run {
 public:
  Run(const std::uint8_t* data, std::size_t size);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  kvtconv::Session& session() { return *session_; }
  // Part i of the input; empty when the input has fewer parts.
  std::string_view part(std::size_t i) const { return i < parts_.size() ? parts_[i] : std::string_view(); }
  bool has(std::size_t i) const { return i < parts_.size(); }
  // Part i written to the scratch file `name`; its path.
  std::string file(std::size_t i, const char* name) { return put(name, part(i)); }
  // `bytes` written to the scratch file `name`; its path.
  std::string put(const char* name, std::string_view bytes);
  // The path of the scratch file `name`, for outputs.
  std::string path(const char* name) const;
  // A parameter directory, the same for every run.
  std::string par() const;
  // The first input byte: the target's choice among its options.
  std::uint8_t option() const { return option_; }

 private:
  std::vector<std::string_view> parts_;
  std::uint8_t option_ = 0;
  kvtconv::SessionHandle session_;
};

// Stops the fuzzer as a crash does when a promise is broken.
void check(bool ok, const char* what);

using Target = void (*)(Run&);
bool add(const char* name, Target target);
// One input through the target `name`; the fuzzer entry of every target.
int fuzz(std::string_view name, const std::uint8_t* data, std::size_t size);

}  // namespace kvtfuzz

// KVT_FUZZ(kvt2geo) { ... } defines the target fuzz_kvt2geo; `in` is its Run.
#define KVT_FUZZ(name)                                                                  \
  static void kvtFuzz_##name(kvtfuzz::Run& in);                                         \
  [[maybe_unused]] static const bool kvtFuzzAdded_##name = kvtfuzz::add("fuzz_" #name, \
                                                                        kvtFuzz_##name); \
  static void kvtFuzz_##name([[maybe_unused]] kvtfuzz::Run& in)
