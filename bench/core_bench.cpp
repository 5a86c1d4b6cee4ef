// The inner loops every conversion leans on: number fields both ways and a
// point record read and written.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "catalogue/scan.hpp"
#include "frame/session.hpp"
#include "frame/textfile.hpp"

namespace {

std::vector<double> values() {
  std::vector<double> v;
  double x = 6123456.789;
  for (int i = 0; i < 4096; ++i) v.push_back(x += 0.137 * (i % 7) - 0.3);
  return v;
}

void FormatF12_3(benchmark::State& state) {
  const auto v = values();
  char out[12];
  std::size_t i = 0;
  for (auto _ : state) {
    kvtconv::formatF(out, 12, 3, v[i++ & 4095]);
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormatF12_3);

void ReadRealToken(benchmark::State& state) {
  const std::string line = " 6 1001         SKEL        6123456.789    512345.678        12.345 BENCH";
  for (auto _ : state) {
    std::size_t pos = 28;
    int err = 0;
    benchmark::DoNotOptimize(kvtconv::rdrtas(line, pos, err));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ReadRealToken);

void PointRecordThrough(benchmark::State& state) {
  kvtconv::Session s;
  std::error_code ec;
  auto out = kvtconv::TextFile::openWrite("/dev/null", kvtconv::WriteForm::Replace, ec);
  const std::string line = "   1001         SKEL        6123456.789    512345.678        12.345 BENCH";
  for (auto _ : state) {
    kvtconv::Point p = kvtconv::rpkt(s, line);
    kvtconv::wpkt(s, out.get(), p);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (line.size() + 1)));
}
BENCHMARK(PointRecordThrough);

}  // namespace
