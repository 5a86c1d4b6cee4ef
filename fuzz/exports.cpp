// Targets of the exports and open outputs: the main input is a catalogue
// (a DSFL map for dsfl_features).
#include "fuzz_common.hpp"
#include "open/features.hpp"

using namespace kvtconv;

KVT_FUZZ(kvt2zeiss) { kvt2zeiss(in.session(), in.par(), in.file(0, "in.kvt"), in.path("out.zei")); }

KVT_FUZZ(kvt2sokkia) {
  const std::string kvt = in.file(0, "in.kvt");
  for (int variant : {0, 1}) kvt2sokkia(in.session(), variant, in.par(), kvt, in.path("out.sdr"));
}

KVT_FUZZ(kvt2leica) {
  const std::string kvt = in.file(0, "in.kvt");
  for (int option : {0, 1}) kvt2leica(in.session(), option, in.par(), kvt, in.path("out.gsi"));
}

KVT_FUZZ(kvt2geo) { kvt2geo(in.session(), in.par(), in.file(0, "in.kvt"), in.path("out.geo")); }

// The coordinate type "1", "2" or "3" chosen by the first byte.
KVT_FUZZ(kvt2ski) {
  std::string ellipsoid, projection;
  const std::string type(1, static_cast<char>('1' + in.option() % 3));
  kvt2ski(in.session(), ellipsoid, projection, type, in.path("out.ski"), in.file(0, "in.kvt"), in.par());
}

// What the GIS outputs are made of, read from a catalogue and from a DSFL map.
KVT_FUZZ(features) {
  open::MapContents map;
  open::readCatalogue(in.session(), in.par(), in.file(0, "in.kvt"), map);
}

KVT_FUZZ(dsfl_features) {
  open::MapContents map;
  open::readDsfl(in.session(), in.par(), in.file(0, "in.dsf"), map);
}

KVT_FUZZ(kvt2landxml) { kvt2landxml(in.session(), in.par(), in.file(0, "in.kvt"), in.path("out.xml")); }

// Catalogue ---- answer file ---- filter catalogue; a file not given is "-".
KVT_FUZZ(kvt2dsfl) {
  Kvt2DsflArgs a;
  a.heights = in.option() & 1;
  a.closedAsLines = (in.option() & 2) ? 1.0f : 0.0f;
  a.dGroupMode = (in.option() & 4) ? 1.0f : 0.0f;
  a.pointNumberTexts = 1;
  a.heightTexts = 1;
  a.textHeights = 1;
  a.scale = 1000;
  const std::string par = in.par(), kvt = in.file(0, "in.kvt"), dsfl = in.path("out.dsf"),
                    report = in.path("report.txt"), answer = in.has(1) ? in.file(1, "answer.kvt") : "-",
                    filter = in.has(2) ? in.file(2, "filter.kvt") : "-";
  a.parDir = par;
  a.input = kvt;
  a.output = dsfl;
  a.codeTable = KVT_FUZZ_CODES;
  a.answerFile = answer;
  a.reportFile = report;
  a.filterFile = filter;
  kvt2dsfl(in.session(), a);
}
