// Golden cases: each directory under tests/data/<format>/ holds a `cmd`
// line of CLI arguments, its input files and an `expected/` directory with
// the exact output files, stdout, stderr and exit status of the run.
#include <gtest/gtest.h>

#include <cstdlib>

#include "helpers.hpp"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> goldenCases() {
  std::vector<fs::path> cases;
  for (const auto& format : fs::directory_iterator(KVT_TEST_DATA)) {
    if (!format.is_directory()) continue;
    for (const auto& c : fs::directory_iterator(format.path()))
      if (fs::exists(c.path() / "cmd")) cases.push_back(c.path());
  }
  std::sort(cases.begin(), cases.end());
  return cases;
}

std::string trimmedLine(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

class Golden : public testing::TestWithParam<fs::path> {};

TEST_P(Golden, MatchesExpectedFiles) {
  const fs::path src = GetParam();
  kvttest::TempDir work;
  fs::copy(src, work.str(), fs::copy_options::recursive);
  fs::remove_all(fs::path(work.str()) / "expected");
  const std::string args = trimmedLine(kvttest::readFile((src / "cmd").string()));
  const std::string command = "cd '" + work.str() + "' && SOURCE_DATE_EPOCH=1781618709 LC_ALL=C.UTF-8 '" +
                              std::string(KVT_CLI) + "' " + args +
                              " >stdout 2>stderr; echo $? >status";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const auto& e : fs::directory_iterator(src / "expected")) {
    const std::string name = e.path().filename().string();
    const std::string got = work / name;
    ASSERT_TRUE(fs::exists(got)) << name << " was not written";
    EXPECT_EQ(kvttest::readFile(got), kvttest::readFile(e.path().string()))
        << "case " << src.filename() << ", file " << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Data, Golden, testing::ValuesIn(goldenCases()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                           std::string n = info.param.parent_path().filename().string() + "_" +
                                           info.param.filename().string();
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

}  // namespace
