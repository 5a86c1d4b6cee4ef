#include <gtest/gtest.h>

#include <cstdlib>

#include "helpers.hpp"

namespace {

struct Result {
  int status;
  std::string out, err;
};

Result cli(const kvttest::TempDir& dir, const std::string& env, const std::string& args) {
  const std::string cmd = "cd '" + dir.str() + "' && " + env + " '" + KVT_CLI + "' " + args +
                          " >cli.out 2>cli.err; echo $? >cli.status";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  return {std::stoi(kvttest::readFile(dir / "cli.status")), kvttest::readFile(dir / "cli.out"),
          kvttest::readFile(dir / "cli.err")};
}

}  // namespace

TEST(Cli, ExitStatusTellsUsageFromErrors) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  kvttest::writeFile(dir / "in.kvt", " 6 1 K 1 2 3\n");
  EXPECT_EQ(cli(dir, "", "--help").status, 0);
  EXPECT_EQ(cli(dir, "", "kvt2zeiss --help").status, 0);
  EXPECT_EQ(cli(dir, "", "--version").out, "kvtconv " KVTCONV_VERSION "\n");
  EXPECT_EQ(cli(dir, "", "").status, 2);
  EXPECT_EQ(cli(dir, "", "kvt2zeiss --no-such-option x y").status, 2);
  EXPECT_EQ(cli(dir, "", "zeiss2kvt --mode sideways a b").status, 2);
  const Result ok = cli(dir, "", "kvt2zeiss --par par in.kvt out.zei");
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out, "     1 poster konverteret ...\n");
}

// What the command line guards beyond the conversions: each case a command,
// its exit status, text its output or errors must hold, and whether the
// output file `o` is there afterwards.
TEST(Cli, GuardRails) {
  struct Case {
    const char* args;
    int status;
    const char* out;  // part of standard output ("" for anything)
    const char* err;  // part of standard error
    bool outputLeft;
  };
  const Case cases[] = {
      {"kvt2zeis a b", 2, "", "unknown subcommand 'kvt2zeis'; did you mean 'kvt2zeiss'?", false},
      {"--bogus kvt2zeiss a b", 2, "", "unknown option '--bogus'", false},
      {"kvt2zeiss --par par nothere.kvt o", 1, "", "nothere.kvt: no such file", false},
      {"kvt2zeiss --par par in.kvt sub", 1, "", "sub: is a directory", false},
      {"kvt2zeiss --par par in.kvt old", 1, "", "old exists; --force replaces it", false},
      {"zeiss2kvt --par par in.rec old", 1, "", "--mode append adds to it", false},
      {"kvt2zeiss --par par in.kvt -", 0, "Y        1.000 X", "     1 poster konverteret", false},
      {"kvt2zeiss --par par - o < in.kvt", 0, "     1 poster konverteret", "", true},
      {"kvt2leica --par par --gsi 16 in.kvt o", 0, "", "", true},
      {"kvt2leica --par par --option 16 in.kvt o", 0, "", "", true},
      {"kvt2leica --par par --gsi 12 in.kvt o", 2, "", "", false},
      {"kvt2sokkia --par par --sdr 33 in.kvt o", 0, "", "", true},
      // A run with an error line leaves nothing behind unless asked to.
      {"kvt2zeiss --par bad in.kvt o", 1, "", "Fejl i parameterfil", false},
      {"kvt2zeiss --par bad --keep-errors in.kvt o", 1, "", "Fejl i parameterfil", true},
  };
  for (const Case& c : cases) {
    kvttest::TempDir dir;
    kvttest::parDir(dir);
    kvttest::fs::create_directories(dir / "bad");
    kvttest::writeFile(dir / "bad/VOXA.PAR", "49 X\n");
    kvttest::writeFile(dir / "bad/VOXA.ADM", kvttest::readFile(dir / "par/VOXA.ADM"));
    kvttest::fs::create_directories(dir / "sub");
    kvttest::writeFile(dir / "in.kvt", " 6 1 K 1 2 3\n");
    kvttest::writeFile(dir / "in.rec", "");
    kvttest::writeFile(dir / "old", "keep\n");
    const Result r = cli(dir, "", c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args << "\n" << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(kvttest::fs::exists(dir / "o"), c.outputLeft) << c.args;
    EXPECT_EQ(kvttest::readFile(dir / "old"), "keep\n") << c.args;
    if (std::string(c.args).find("--gsi 16") != std::string::npos ||
        std::string(c.args).find("--option 16") != std::string::npos) {
      EXPECT_EQ(kvttest::readFile(dir / "o").substr(0, 1), "*") << c.args;  // GSI-16 words
    }
  }
}

TEST(Cli, ParameterDirectoryDefaults) {
  kvttest::TempDir dir;
  kvttest::writeFile(dir / "in.kvt", " 6 1 K 1 2 3\n");
  const Result first = cli(dir, "env -u KVTPAR XDG_CONFIG_HOME=" + dir.str() + "/cfg",
                           "kvt2zeiss in.kvt out.zei");
  EXPECT_EQ(first.status, 0);  // a first run makes the two files and says so
  EXPECT_NE(first.err.find("made the parameter files VOXA.ADM and VOXA.PAR"), std::string::npos) << first.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "cfg/kvtconv/VOXA.PAR"));
  EXPECT_TRUE(std::filesystem::exists(dir / "cfg/kvtconv/VOXA.ADM"));
  EXPECT_TRUE(std::filesystem::exists(dir / "out.zei"));
  const std::string par = kvttest::parDir(dir, "49 x\n");
  EXPECT_EQ(cli(dir, "KVTPAR=" + par, "kvt2zeiss --force in.kvt out.zei").status, 1);
}

TEST(Cli, LinesAreUtf8OnlyOnAUtf8Terminal) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir, "49 x\n");
  kvttest::writeFile(dir / "in.kvt", "");
  EXPECT_EQ(cli(dir, "LC_ALL=C.UTF-8", "kvt2zeiss --par par in.kvt out.zei").err,
            " Fejl i parameterfil: VOXA.PAR, linie:  49 ,v\xC3\xA6rdi: X\n");
  EXPECT_EQ(cli(dir, "LC_ALL=C", "kvt2zeiss --par par in.kvt out.zei").err,
            " Fejl i parameterfil: VOXA.PAR, linie:  49 ,v\xE6rdi: X\n");
}

