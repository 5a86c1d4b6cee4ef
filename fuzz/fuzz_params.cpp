// Parameter and administration files.
#include "frame/parfiles.hpp"
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kvtconv::Session& s = kvtfuzz::session();
  const std::string dir = kvtfuzz::path("pardir");
  std::filesystem::create_directories(dir);
  // The first half is the administration file, the rest the parameter file.
  const std::size_t half = size / 2;
  kvtfuzz::put("pardir/VOXA.ADM", data, half);
  kvtfuzz::put("pardir/VOXA.PAR", data + half, size - half);
  kvtconv::getpar(s, dir);
  return 0;
}
