// Targets of the readers that no conversion owns: catalogue records,
// parameter files, code and dBASE tables, format detection and the
// catalogue summary.
#include "catalogue/codetable.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "exchange/dbase/dbase.hpp"
#include "frame/parfiles.hpp"
#include "frame/session.hpp"
#include "frame/textfile.hpp"
#include "fuzz_common.hpp"
#include "open/detect.hpp"
#include "open/info.hpp"

using namespace kvtconv;

using kvtfuzz::check;

KVT_FUZZ(catalogue) {
  Session& s = in.session();
  std::error_code ec;
  auto f = TextFile::openRead(in.file(0, "in.kvt"), ec);
  std::string line;
  int type = 0;
  while (f && rdrec(f.get(), line, 132, type) == ReadStatus::Ok) {
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

// VOXA.ADM ---- VOXA.PAR
KVT_FUZZ(params) {
  in.file(0, "VOXA.ADM");
  in.file(1, "VOXA.PAR");
  getpar(in.session(), in.path("."));
}

KVT_FUZZ(codetable) {
  std::error_code ec;
  auto f = TextFile::openRead(in.file(0, "codes.tab"), ec);
  const CodeLayout layout = initCodeTab(f.get());
  auto out = TextFile::openWrite(in.path("copy.tab"), WriteForm::Replace, ec);
  std::string line;
  while (f && f->readLine(line, 132) == ReadStatus::Ok) {
    CodeEntry e;
    if (rcode(layout, line, e)) wcode(out.get(), e);
  }
}

// Every operation that writes in place, on any bytes.
KVT_FUZZ(dbase) {
  DbTable t;
  if (t.open(in.file(0, "table.dbf")) != 0) return;
  for (const auto& field : t.fields()) {
    const std::uint32_t r = t.seek(field.name, "KORT1");
    t.read(field.name, r == 0 ? 1 : r);
    t.write(field.name, 1, "  42");
    t.seek2(field.name, "A", t.fields().front().name, "B");
  }
  if (t.records() < 100000) {
    const std::uint32_t r = t.append();
    if (r != 0 && !t.fields().empty()) t.write(t.fields().back().name, r, "new");
  }
}

KVT_FUZZ(detect) {
  const std::string_view head = in.part(0).substr(0, kDetectBytes);
  for (const Detection& d : {detectFormat(head, head.size() == in.part(0).size()), detectFormat(head, false),
                             detectFile(in.file(0, "unknown"))}) {
    check(d.confidence >= 0 && d.confidence <= 100, "a confidence is a percentage");
    check(formatName(d.format) != nullptr && formatKey(d.format) != nullptr, "every format is named");
  }
}

KVT_FUZZ(info) {
  const CatalogueInfo i = catalogueInfo(in.session(), in.par(), in.file(0, "in.kvt"));
  check(i.unparsedLines.size() <= CatalogueInfo::kKeptLines && i.unparsedLines.size() <= i.unparsed,
        "kept lines are bounded");
  check(i.placed <= i.points && i.withHeight <= i.points && i.uncoded <= i.points, "counts of points agree");
  check(i.types.size() <= CatalogueInfo::kKeptTypes, "kept types are bounded");
  check(!infoText(i, "in.kvt").empty() && !infoJson(i, "in.kvt").empty(), "a summary is never empty");
}
