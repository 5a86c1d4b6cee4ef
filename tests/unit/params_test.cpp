#include <gtest/gtest.h>

#include "frame/files.hpp"
#include "frame/parfiles.hpp"
#include "frame/run.hpp"
#include "helpers.hpp"

using namespace kvtconv;
using kvttest::rtrim;

namespace {

struct Loaded {
  kvttest::Recorder rec;
  std::unique_ptr<Session> s;
};

// Loads the parameters of a directory holding the given VOXA.PAR.
std::unique_ptr<Loaded> load(const kvttest::TempDir& dir, const std::string& parLines) {
  auto l = std::make_unique<Loaded>();
  l->s = std::make_unique<Session>(l->rec.hooks());
  getpar(*l->s, kvttest::parDir(dir, parLines));
  return l;
}

}  // namespace

TEST(Params, DefaultsWithoutFiles) {
  Session s;
  EXPECT_EQ(s.par.digit(par::kCoordDecimals), 3);
  EXPECT_EQ(s.par.digit(par::kLevelDecimals), 3);
  EXPECT_EQ(s.par.digit(par::kAngleDecimals), 4);
  EXPECT_EQ(s.par.digit(par::kDistanceDecimals), 3);
  EXPECT_EQ(s.par.digit(par::kHeightDecimals), 2);
  EXPECT_EQ(s.par.text(par::kMissingText), std::string(20, '-'));
  EXPECT_EQ(s.par.text(par::kAngleUnit), "400 GON   ");
  EXPECT_EQ(s.par.text(par::kOverwriteWarning), "JA ");
  EXPECT_EQ(s.par.extension(3), "TMP");
  EXPECT_EQ(s.adm.taskText, "TEST        ");
}

TEST(Params, MissingFilesAreCreatedWithTheirMessages) {
  kvttest::TempDir dir;
  kvttest::Recorder rec;
  Session s(rec.hooks());
  getpar(s, dir.str());
  ASSERT_EQ(rec.errors.size(), 2u);
  EXPECT_EQ(rtrim(rec.errors[0]), " Fil med adm. oplysninger (VOXA.ADM) findes ikke");
  EXPECT_EQ(rtrim(rec.errors[1]), "Fil med systemparametre (VOXA.PAR) findes ikke");
  EXPECT_TRUE(s.parameterError);
  const std::string adm = kvttest::readFile(dir / "VOXA.ADM");
  EXPECT_EQ(adm.size(), 8u * 81u);
  EXPECT_EQ(adm.substr(5 * 81, 8), " 8  TEST");
  EXPECT_EQ(kvttest::readFile(dir / "VOXA.PAR"), "");
  // The second run finds them and says nothing.
  getpar(s, dir.str());
  EXPECT_EQ(rec.errors.size(), 2u);
  EXPECT_EQ(s.adm.taskText, "TEST        ");
}

TEST(Params, ValuesAreReadUpperCasedAndChecked) {
  kvttest::TempDir dir;
  auto l = load(dir,
                "  2 utm\n"
                " 49 x\n"
                " 75 YES\n"
                " 42 yessir\n"  // cut to the field before the check: YES
                " 79 maybe\n"
                "500 whatever\n"
                "\n"
                "  1 rad\n"
                " 11 7\n"
                "124 5\n"
                "124 4\n"
                " 51 /data/Sager\n"
                "  3 9999\n");
  Session& s = *l->s;
  EXPECT_EQ(rtrim(s.par.text(par::kCoordSystem)), "UTM");
  EXPECT_TRUE(s.exchange);
  EXPECT_EQ(s.axisMark, 'E');
  EXPECT_EQ(s.par.text(par::kOverwriteWarning), "JA ");
  EXPECT_EQ(s.par.text(42), "JA ");
  EXPECT_EQ(s.par.text(par::kAngleUnit), "RAD       ");
  EXPECT_EQ(s.par.digit(par::kLevelDecimals), 4);  // a later line overrides
  EXPECT_EQ(rtrim(s.par.directory(1)), "/data/Sager");
  ASSERT_EQ(l->rec.errors.size(), 4u);
  EXPECT_EQ(l->rec.errors[0],
            kvtconv::fixed(" Fejl i parameterfil: VOXA.PAR, linie:  49 ,v\xE6rdi: X", 80));
  EXPECT_EQ(rtrim(l->rec.errors[1]), " Fejl i parameterfil: VOXA.PAR, linie:  79 ,v\xE6rdi: MAYBE");
  EXPECT_EQ(rtrim(l->rec.errors[2]), " Fejl i parameterfil: VOXA.PAR, linie:  11 ,v\xE6rdi: 7");
  EXPECT_EQ(rtrim(l->rec.errors[3]), " Fejl i parameterfil: VOXA.PAR, linie:   3 ,v\xE6rdi: 9999");
  EXPECT_TRUE(s.parameterError);
}

TEST(Params, ExchangeNeedsTheWholeField) {
  kvttest::TempDir dir;
  EXPECT_FALSE(load(dir, "2 UTM32\n")->s->exchange);
  kvttest::TempDir dir2;
  auto l = load(dir2, "2 KP2000J\n");
  EXPECT_TRUE(l->s->exchange);
  kvttest::TempDir dir3;
  EXPECT_EQ(load(dir3, "")->s->axisMark, 'W');
}

TEST(Params, AdminFileWithThreeRecords) {
  kvttest::TempDir dir;
  const std::string d = kvttest::parDir(dir);
  kvttest::writeFile(d + "/VOXA.ADM", " 8  Firma\n 8  Gade \x9B\n 8  By\n");
  Session s;
  getpar(s, d);
  EXPECT_EQ(rtrim(s.adm.lines[0]), "Firma");
  EXPECT_EQ(rtrim(s.adm.lines[1]), "Gade \xF8");  // from the DOS code page
  EXPECT_EQ(rtrim(s.adm.lines[5]), "TEST");
  EXPECT_EQ(s.adm.taskText, "TEST        ");
}

TEST(Params, FixedNamesAreFoundWhateverTheirCase) {
  kvttest::TempDir dir;
  kvttest::writeFile(dir / "voxa.par", "49 5\n");
  kvttest::writeFile(dir / "Voxa.Adm", " 8\n 8\n 8\n 8\n 8\n 8  SAG 7\n");
  kvttest::Recorder rec;
  Session s(rec.hooks());
  getpar(s, dir.str());
  EXPECT_TRUE(rec.errors.empty());
  EXPECT_EQ(s.par.digit(par::kCoordDecimals), 5);
  EXPECT_EQ(s.adm.taskText, "SAG 7       ");
  // An empty directory text is the root, not the working directory.
  if (!kvttest::fs::exists("/VOXA.PAR") && !kvttest::fs::exists("/voxa.par")) {
    EXPECT_EQ(findFixedName("", "VOXA.PAR"), "/VOXA.PAR");
  }
}

TEST(Params, YesNoWords) {
  std::string w;
  EXPECT_TRUE(chkSprog("YES", w));
  EXPECT_EQ(w, "JA ");
  EXPECT_TRUE(chkSprog("NO ", w));
  EXPECT_EQ(w, "NEJ");
  EXPECT_TRUE(chkSprog("JA", w));
  EXPECT_FALSE(chkSprog("J", w));
}

TEST(Params, DateFromSourceDateEpoch) {
  ::setenv("SOURCE_DATE_EPOCH", "1781618709", 1);  // 2026-06-16 14:05:09 UTC
  Session s;
  dattid(s);
  ::unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(s.date, "20260616");
  EXPECT_EQ(s.time, "1405    ");
}
