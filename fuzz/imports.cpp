// Targets of the imports: the main input is the foreign file, the parts
// after it the auxiliary files the import reads.
#include "fuzz_common.hpp"

using namespace kvtconv;

KVT_FUZZ(zeiss) {
  const int variant = in.option() & 1, option = (in.option() & 2) ? 1 : 0;
  zeiss2kvt(in.session(), -1, variant, option, in.file(0, "in.rec"), in.path("out.kvt"), in.par());
}

KVT_FUZZ(sokkia) {
  sokkia2kvt(in.session(), -1, in.file(0, "in.sdr"), in.path("out.kvt"), in.par(), in.option() & 1);
}

// GSI ---- labels file
KVT_FUZZ(gsi) {
  leica2kvt(in.session(), -1, in.file(0, "in.gsi"), in.path("out.kvt"), in.file(1, "labels.txt"), in.par());
}

// Geodimeter ---- conversion file ---- GEOLAB.TXT (found beside the parameters)
KVT_FUZZ(geodimeter) {
  in.file(2, "GEOLAB.TXT");
  geo2kvt(in.session(), -1, in.file(0, "in.geo"), in.path("out.kvt"), in.file(1, "conv.txt"), in.par());
}

namespace {
Dsfl2KvtArgs dsflArgs(std::string& design, std::int32_t& links) {
  Dsfl2KvtArgs a;
  a.designFile = &design;
  a.linkCounter = &links;
  a.fieldRecords = 1;
  a.directionPoints = 1;
  a.firstPoint = "-";
  return a;
}
}  // namespace

// DSFL ---- code table; an odd first byte builds a new table instead.
KVT_FUZZ(dsfl) {
  std::string design = in.path("kort.dgn");
  std::int32_t links = 0;
  Dsfl2KvtArgs a = dsflArgs(design, links);
  const std::string par = in.par(), dsfl = in.file(0, "in.dsf"), out = in.path("out.kvt"),
                    report = in.path("report.txt"), codes = in.file(1, "codes.tab");
  a.parDir = par;
  a.input = dsfl;
  a.output = out;
  a.reportFile = report;
  a.buildCodeTable = in.option() & 1;
  a.codeTable = codes;
  dsfl2kvt(in.session(), a);
}

// DSFL ---- kvtctrl.dbf ---- the attribute database of the design file KORT
KVT_FUZZ(dsfl_register) {
  in.file(1, "kvtctrl.dbf");
  in.file(2, "KORT.dbf");
  std::string design = in.path("KORT.dgn");
  std::int32_t links = 0;
  Dsfl2KvtArgs a = dsflArgs(design, links);
  const std::string par = in.par(), dsfl = in.file(0, "in.dsf"), out = in.path("out.kvt"),
                    report = in.path("report.txt");
  a.parDir = par;
  a.input = dsfl;
  a.output = out;
  a.reportFile = report;
  a.codeTable = KVT_FUZZ_CODES;
  a.registerElements = 1;
  dsfl2kvt(in.session(), a);
}

// Data file ---- column layout (passed as the format argument when present)
KVT_FUZZ(freeformat) {
  const std::string data = in.file(0, "points.txt");
  std::string_view format = in.part(1);
  if (!format.empty() && format.back() == '\n') format.remove_suffix(1);
  const std::string list = in.put("list.tmp", data + "\n");
  fri2kvt(in.session(), 1, in.has(1) ? 1 : 0, in.par(), format, list, in.path("out.kvt"));
}

KVT_FUZZ(ski) {
  const std::string ski = in.file(0, "in.ski");
  ski2kvt(in.session(), ski, in.path("points.kvt"), in.par());
  skivec2kvt(in.session(), ski, in.path("vectors.kvt"), in.par());
}
