// Catalogue lines through every record reader and through the exports.
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvtconv;
  Session& s = kvtfuzz::session();
  const std::string in = kvtfuzz::put("in.kvt", data, size);
  std::error_code ec;
  if (auto f = TextFile::openRead(in, ec)) {
    std::string line;
    int type = 0;
    while (rdrec(f.get(), line, 132, type) == ReadStatus::Ok) {
      rpkt(s, line);
      rsta(s, line);
      rken(s, line);
      rdet(s, line);
      rort(s, line);
      rniv(s, line);
      rmidf(s, line);
      rtext(s, line);
      rna2000(s, line);
      rvector(s, line);
      radm(s, line);
    }
  }
  kvt2zeiss(s, kvtfuzz::parDir(), in, kvtfuzz::path("out.zei"));
  kvt2sokkia(s, 1, kvtfuzz::parDir(), in, kvtfuzz::path("out.sdr"));
  kvt2leica(s, 1, kvtfuzz::parDir(), in, kvtfuzz::path("out.gsi"));
  return 0;
}
