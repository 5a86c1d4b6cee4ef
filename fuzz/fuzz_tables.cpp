// Code tables and dBASE tables: any bytes, through the readers and, for
// dBASE, through every operation that writes in place.
#include "catalogue/codetable.hpp"
#include "exchange/dbase/dbase.hpp"
#include "frame/textfile.hpp"
#include "fuzz_common.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kvtconv;
#if KVT_FUZZ_TABLE == 1
  const std::string p = kvtfuzz::put("codes.tab", data, size);
  std::error_code ec;
  auto f = TextFile::openRead(p, ec);
  const CodeLayout layout = initCodeTab(f.get());
  std::string line;
  auto out = TextFile::openWrite(kvtfuzz::path("copy.tab"), WriteForm::Replace, ec);
  while (f && f->readLine(line, 132) == ReadStatus::Ok) {
    CodeEntry e;
    if (rcode(layout, line, e)) wcode(out.get(), e);
  }
#else
  const std::string p = kvtfuzz::put("table.dbf", data, size);
  DbTable t;
  if (t.open(p) != 0) return 0;
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
#endif
  return 0;
}
