// One instrument import per build of this file, chosen by KVT_FUZZ_IMPORT.
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvtconv;
  Session& s = kvtfuzz::session();
  const std::string in = kvtfuzz::put("in.raw", data, size);
  const std::string out = kvtfuzz::path("out.kvt");
  const std::string par = kvtfuzz::parDir();
#if KVT_FUZZ_IMPORT == 1
  zeiss2kvt(s, -1, size > 0 && (data[0] & 1), size > 0 && (data[0] & 2) ? 1 : 0, in, out, par);
#elif KVT_FUZZ_IMPORT == 2
  sokkia2kvt(s, -1, in, out, par, 1);
#elif KVT_FUZZ_IMPORT == 3
  leica2kvt(s, -1, in, out, KVT_FUZZ_LABELS, par);
#endif
  return 0;
}
