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
  const Result missing = cli(dir, "", "kvt2zeiss --par par nothere.kvt out.zei");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, " Filen findes ikke: nothere.kvt\n");
}

TEST(Cli, ParameterDirectoryDefaults) {
  kvttest::TempDir dir;
  kvttest::writeFile(dir / "in.kvt", " 6 1 K 1 2 3\n");
  const Result first = cli(dir, "env -u KVTPAR XDG_CONFIG_HOME=" + dir.str() + "/cfg",
                           "kvt2zeiss in.kvt out.zei");
  EXPECT_EQ(first.status, 1);  // the two files are created, with their messages
  EXPECT_TRUE(std::filesystem::exists(dir / "cfg/kvtconv/VOXA.PAR"));
  EXPECT_TRUE(std::filesystem::exists(dir / "cfg/kvtconv/VOXA.ADM"));
  EXPECT_EQ(cli(dir, "env -u KVTPAR XDG_CONFIG_HOME=" + dir.str() + "/cfg", "kvt2zeiss in.kvt out.zei")
                .status,
            0);
  const std::string par = kvttest::parDir(dir, "49 x\n");
  EXPECT_EQ(cli(dir, "KVTPAR=" + par, "kvt2zeiss in.kvt out.zei").status, 1);
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

