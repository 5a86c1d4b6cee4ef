#include <gtest/gtest.h>

#include "catalogue/record.hpp"
#include "helpers.hpp"

using namespace kvtconv;

namespace {

std::vector<std::string> writeWith(const std::function<void(TextFile*)>& fn) {
  kvttest::TempDir dir;
  std::error_code ec;
  {
    auto f = TextFile::openWrite(dir / "c", WriteForm::Replace, ec);
    fn(f.get());
  }
  return kvttest::readLines(dir / "c");
}

std::string cols(const std::string& l, std::size_t a, std::size_t b) { return l.substr(a - 1, b - a + 1); }

}  // namespace

TEST(Records, CommentAndAdministrativeHeading) {
  const auto lines = writeWith([](TextFile* f) {
    wkom(f, "Hegn langs vejen");
    wakom(f);
  });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], fixed(" 8  Hegn langs vejen", 80));
  EXPECT_EQ(lines[1].size(), 76u);
  EXPECT_EQ(cols(lines[1], 1, 2), " 8");
  EXPECT_EQ(cols(lines[1], 5, 10), "Jobnr.");
  EXPECT_EQ(cols(lines[1], 17, 24), "Operat\xF8r");
  EXPECT_EQ(cols(lines[1], 29, 32), "Dato");
  EXPECT_EQ(cols(lines[1], 39, 41), "Tid");
  EXPECT_EQ(cols(lines[1], 48, 51), "Temp");
  EXPECT_EQ(cols(lines[1], 54, 57), "Tryk");
  EXPECT_EQ(cols(lines[1], 60, 69), "Instrument");
}

TEST(Records, AdministrativeRecordRoundTrip) {
  Session s;
  AdminRecord a;
  a.job = fixed("J117", 10);
  a.operatorName = fixed("HLN", 10);
  a.date = fixed("20261201", 9);
  a.time = fixed("0930", 8);
  a.temperature = -999;
  a.pressure = 1013;
  a.instrument = fixed("ELTA R55", 12);
  const auto lines = writeWith([&](TextFile* f) { wadm(s, f, a); });
  ASSERT_EQ(lines.size(), 1u);
  const std::string& l = lines[0];
  EXPECT_EQ(l.size(), 80u);
  EXPECT_EQ(cols(l, 1, 2), " 1");
  EXPECT_EQ(cols(l, 5, 14), "J117      ");
  EXPECT_EQ(cols(l, 17, 26), "HLN       ");
  EXPECT_EQ(cols(l, 29, 37), "20261201 ");
  EXPECT_EQ(cols(l, 39, 46), "0930    ");
  EXPECT_EQ(cols(l, 49, 51), "---");
  EXPECT_EQ(cols(l, 54, 57), "1013");
  EXPECT_EQ(cols(l, 60, 71), "ELTA R55    ");
  std::string body = l;
  std::fill_n(body.begin(), 3, ' ');
  const AdminRecord back = radm(s, body);
  EXPECT_EQ(back.job, a.job);
  EXPECT_EQ(back.date, a.date);
  EXPECT_EQ(back.temperature, -999);
  EXPECT_EQ(back.pressure, 1013);
  EXPECT_EQ(back.instrument, fixed("ELTA", 12));  // an inner blank ends the token
}

TEST(Records, HeaderLines) {
  Session s;
  s.title = fixed("Zeiss --> KVT", 80);
  s.date = "20260616";
  s.time = "1405    ";
  s.adm.taskName = fixed("SKOVVEJ 12", 80);
  s.adm.lines[6] = fixed("2026-117", 80);
  s.adm.lines[7] = fixed("HLN", 80);
  s.wideWarned = true;
  const auto lines = writeWith([&](TextFile* f) { wfilhead(s, f); });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], fixed(" 8  1==> Zeiss --> KVT                 , Katalog oprettet: 20260616,1405", 80));
  EXPECT_EQ(cols(lines[0], 69, 76), "1405    ");
  EXPECT_EQ(lines[1], fixed(" 8  2==> Opgave: SKOVVEJ 12          , Jnr.: 2026-117, Init.: HLN", 80));
  EXPECT_FALSE(s.wideWarned);
}
