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
#elif KVT_FUZZ_IMPORT == 4
  // GEOLAB.TXT is found through the second directory of the parameters.
  static const std::string names = kvtfuzz::put("GEOLAB.TXT", reinterpret_cast<const std::uint8_t*>("5 Punkt\n4 Kode\n"), 16);
  geo2kvt(s, -1, in, out, KVT_FUZZ_CONVERSION, par);
#elif KVT_FUZZ_IMPORT == 5
  Dsfl2KvtArgs a;
  std::string design = kvtfuzz::path("kort.dgn");
  std::int32_t links = 0;
  a.parDir = par;
  a.input = in;
  const std::string built = kvtfuzz::path("built.tab");
  a.buildCodeTable = size > 0 && (data[0] & 1) ? 1 : 0;
  a.codeTable = a.buildCodeTable ? std::string_view(built) : std::string_view(KVT_FUZZ_CODES);
  a.output = out;
  const std::string report = kvtfuzz::path("report.txt");
  a.reportFile = report;
  a.designFile = &design;
  a.linkCounter = &links;
  a.fieldRecords = 1;
  a.directionPoints = 1;
  a.firstPoint = "-";
  dsfl2kvt(s, a);
#elif KVT_FUZZ_IMPORT == 6
  const std::string list = kvtfuzz::path("list.tmp");
  kvtfuzz::put("list.tmp", reinterpret_cast<const std::uint8_t*>(in.data()), in.size());
  fri2kvt(s, 1, 0, par, "", list, out);
#elif KVT_FUZZ_IMPORT == 7
  ski2kvt(s, in, out, par);
  skivec2kvt(s, in, out, par);
#elif KVT_FUZZ_IMPORT == 8
  // The DSFL export's object rules over any catalogue.
  Kvt2DsflArgs a;
  a.heights = size > 0 && (data[0] & 1);
  a.closedAsLines = size > 0 && (data[0] & 2) ? 1.0f : 0.0f;
  a.pointNumberTexts = 1;
  a.heightTexts = 1;
  a.textHeights = 1;
  a.scale = 1000;
  a.dGroupMode = size > 0 && (data[0] & 4) ? 1.0f : 0.0f;
  a.parDir = par;
  const std::string dsfl = kvtfuzz::path("out.dsf"), report = kvtfuzz::path("report.txt");
  a.output = dsfl;
  a.input = in;
  a.codeTable = KVT_FUZZ_CODES;
  a.answerFile = "-";
  a.reportFile = report;
  a.filterFile = "-";
  kvt2dsfl(s, a);
#endif
  return 0;
}
