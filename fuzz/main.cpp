// The fuzzer entry of one target; the build names it in KVT_FUZZ_NAME.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return kvtfuzz::fuzz(KVT_FUZZ_NAME, data, size);
}
