// The whole-file commands of the CLI: `convert` (batch, parallel, outputs
// only when complete, merge), `detect` and `info`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "helpers.hpp"

namespace {

namespace fs = std::filesystem;
using kvttest::readFile;
using kvttest::TempDir;
using kvttest::writeFile;

struct Result {
  int status;
  std::string out, err;
};

const std::string kData = KVT_TEST_DATA;
const std::string kExamples = kData + "/../../examples";

Result cli(const TempDir& dir, const std::string& args, const std::string& env = "") {
  const std::string cmd = "cd '" + dir.str() + "' && SOURCE_DATE_EPOCH=1781618709 LC_ALL=C.UTF-8 " + env + " '" + KVT_CLI + "' " + args +
                          " >cli.out 2>cli.err; echo $? >cli.status";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  return {std::stoi(readFile(dir / "cli.status")), readFile(dir / "cli.out"), readFile(dir / "cli.err")};
}

void copy(const std::string& from, const std::string& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// The files in a directory, names only.
std::set<std::string> listing(const std::string& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

// A working directory with the example parameters and some instrument files.
struct Day {
  TempDir dir;
  Day() {
    fs::copy(kExamples + "/par", dir / "par", fs::copy_options::recursive);
    copy(kData + "/zeiss/zeiss2kvt-rec500-obs/traverse.rec", dir / "traverse.rec");
    copy(kData + "/gsi/leica2kvt-bad-input/damaged.gsi", dir / "damaged.gsi");
    copy(kData + "/gsi/leica2kvt-bad-input/labels.txt", dir / "labels.txt");
    copy(kData + "/sokkia/sokkia2kvt-sdr33-job/job33.sdr", dir / "job33.sdr");
    copy(kData + "/ski/ski2kvt-points/pkt.ski", dir / "pkt.ski");
    copy(kData + "/ski/skivec2kvt/vek.ski", dir / "vek.ski");
    copy(kData + "/gsi/leica2kvt-levelling/line.gsi", dir / "line.gsi");
  }
  // The catalogue the single conversion makes of an input.
  std::string reference(const std::string& args, const std::string& out) {
    const Result r = cli(dir, args);
    EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    return readFile(dir / out);
  }
};

TEST(CliBatch, AFailingFileInTheMiddleLeavesNoOutputAndTheOthersComplete) {
  Day d;
  const std::string rec = d.reference("zeiss2kvt --par par --mode replace traverse.rec ref1.kvt", "ref1.kvt");
  const std::string sdr = d.reference("sokkia2kvt --par par --mode replace job33.sdr ref2.kvt", "ref2.kvt");
  const std::string ski = d.reference("ski2kvt --par par pkt.ski ref3.kvt", "ref3.kvt");
  const Result r = cli(d.dir, "convert --par par --labels labels.txt -o out -j 3 traverse.rec damaged.gsi job33.sdr pkt.ski");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  // The three good files are converted exactly as one at a time.
  EXPECT_EQ(readFile(d.dir / "out/traverse.kvt"), rec);
  EXPECT_EQ(readFile(d.dir / "out/job33.kvt"), sdr);
  EXPECT_EQ(readFile(d.dir / "out/pkt.kvt"), ski);
  // Nothing else: no output of the failing file, no temporary file.
  EXPECT_EQ(listing(d.dir / "out"), (std::set<std::string>{"traverse.kvt", "job33.kvt", "pkt.kvt"}));
  // The failure is reported by file, and in the summary.
  EXPECT_NE(r.err.find("damaged.gsi: warning: line 4: unknown unit digit"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("damaged.gsi   GSI-8 57%"), std::string::npos) << r.out;
  // Its one error line is the labels file's unknown label type; the lines
  // that match no label are warnings only.
  EXPECT_NE(r.out.find("1 error line, no output"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("damaged.gsi: warning: line 3: line matched no label sequence: words 11 21 22 31 99"),
            std::string::npos) << r.err;
  EXPECT_NE(r.out.find("traverse.rec  REC 500 100%     out/traverse.kvt"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--keep-errors keeps them"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.rfind("input ", 0), 0u) << r.out;
}

TEST(CliBatch, KeepErrorsKeepsTheOutputOfARunWithErrorLines) {
  Day d;
  const Result r = cli(d.dir, "convert --par par --labels labels.txt --keep-errors -o out damaged.gsi");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(fs::exists(d.dir / "out/damaged.kvt"));
  EXPECT_NE(r.out.find("1 error line, output kept"), std::string::npos) << r.out;
}

TEST(CliBatch, ACountBeyondSixColumnsIsShownInFull) {
  Day d;
  std::string many;
  for (int i = 0; i < 1000001; ++i) many += " 6 P K 1 2 3\n";
  writeFile(d.dir / "many.kvt", many);
  const Result r = cli(d.dir, "convert --par par many.kvt many.zei");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" 1000001 "), std::string::npos) << r.out;
}

TEST(CliBatch, UnknownAndEmptyFilesFailAlone) {
  Day d;
  writeFile(d.dir / "notes.txt", "Dear surveyor,\nthe job is done.\n");
  writeFile(d.dir / "empty.gsi", "");
  const Result r = cli(d.dir, "convert --par par -o out notes.txt pkt.ski empty.gsi vek.ski");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(listing(d.dir / "out"), (std::set<std::string>{"pkt.kvt", "vek.kvt"}));
  EXPECT_NE(r.err.find("notes.txt: format not recognised"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("empty.gsi: format not recognised: the file is empty"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("SKI vectors 100%"), std::string::npos) << r.out;
}

TEST(CliBatch, ParallelRunsGiveWhatOneRunGives) {
  Day d;
  std::string inputs;
  for (int i = 0; i < 6; ++i)
    for (const char* f : {"traverse.rec", "job33.sdr", "pkt.ski", "line.gsi"}) {
      std::string name = "f";
      name += std::to_string(i);
      name += '_';
      name += f;
      copy(d.dir / f, d.dir / name);
      inputs += ' ';
      inputs += name;
    }
  copy(kData + "/gsi/leica2kvt-levelling/labels.txt", d.dir / "level.txt");
  const Result one = cli(d.dir, "convert --par par --labels level.txt -j 1 -o serial" + inputs);
  const Result many = cli(d.dir, "convert --par par --labels level.txt -j 8 -o parallel" + inputs);
  EXPECT_EQ(one.status, 0) << one.out << one.err;
  EXPECT_EQ(many.status, 0) << many.out << many.err;
  EXPECT_EQ(std::count(many.out.begin(), many.out.end(), '\n'), 25) << many.out;
  const auto names = listing(d.dir / "serial");
  EXPECT_EQ(names.size(), 24u);
  EXPECT_EQ(listing(d.dir / "parallel"), names);
  for (const auto& n : names) EXPECT_EQ(readFile(d.dir / ("parallel/" + n)), readFile(d.dir / ("serial/" + n))) << n;
}

TEST(CliBatch, OneInputAndItsOutputByExtension) {
  Day d;
  const Result imported = cli(d.dir, "convert --par par traverse.rec job.kvt");
  EXPECT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(readFile(d.dir / "job.kvt"),
            d.reference("zeiss2kvt --par par --mode replace traverse.rec ref.kvt", "ref.kvt"));
  copy(kExamples + "/dsfl/map.kvt", d.dir / "map.kvt");
  const Result exported = cli(d.dir, "convert --par par map.kvt map.geojson");
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(readFile(d.dir / "map.geojson"),
            d.reference("kvt2geojson --par par map.kvt ref.geojson", "ref.geojson"));
  // The output exists now; "new" keeps it, "replace" writes it again.
  writeFile(d.dir / "map.geojson", "old");
  const Result kept = cli(d.dir, "convert --par par map.kvt map.geojson");
  EXPECT_EQ(kept.status, 1);
  EXPECT_EQ(readFile(d.dir / "map.geojson"), "old");
  EXPECT_NE(kept.err.find("not overwritten"), std::string::npos) << kept.err;
  const Result replaced = cli(d.dir, "convert --par par --mode replace map.kvt map.geojson");
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(readFile(d.dir / "map.geojson"), readFile(d.dir / "ref.geojson"));
}

TEST(CliBatch, CatalogueInputsGoWhereToSays) {
  Day d;
  copy(kExamples + "/dsfl/map.kvt", d.dir / "map.kvt");
  const Result missing = cli(d.dir, "convert --par par -o out map.kvt");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("map.kvt: a catalogue needs --to"), std::string::npos) << missing.err;
  for (const char* to : {"csv", "geojson", "landxml", "zeiss", "sdr33", "gsi16", "geo", "ski", "dsfl"}) {
    const Result r = cli(d.dir, std::string("convert --par par -o out --to ") + to + " map.kvt");
    EXPECT_EQ(r.status, 0) << to << "\n" << r.out << r.err;
  }
  EXPECT_EQ(listing(d.dir / "out"), (std::set<std::string>{"map.csv", "map.csvt", "map.geojson", "map.xml", "map.zei",
                                                            "map.sdr", "map.gsi", "map.geo", "map.ski", "map.dsf"}));
  EXPECT_EQ(readFile(d.dir / "out/map.zei"), d.reference("kvt2zeiss --par par map.kvt ref.zei", "ref.zei"));
  EXPECT_EQ(readFile(d.dir / "out/map.gsi"), d.reference("kvt2leica --par par --option 1 map.kvt ref.gsi", "ref.gsi"));
  EXPECT_EQ(cli(d.dir, "convert --to nosuchformat map.kvt").status, 2);
}

TEST(CliBatch, InstrumentFilesChainedToAnOpenFormat) {
  Day d;
  const Result r = cli(d.dir, "convert --par par --to csv -o out traverse.rec pkt.ski");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  // GDAL's CSV: the point's coordinates, the fields, their types beside.
  EXPECT_EQ(listing(d.dir / "out"), (std::set<std::string>{"traverse.csv", "traverse.csvt", "pkt.csv", "pkt.csvt"}));
  const auto lines = kvttest::readLines(d.dir / "out/pkt.csv");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "X,Y,Z,number,code,base,code_type,height,task");
}

TEST(CliBatch, MergeJoinsTheCataloguesInInputOrder) {
  Day d;
  const Result each = cli(d.dir, "convert --par par -o each traverse.rec job33.sdr pkt.ski");
  ASSERT_EQ(each.status, 0) << each.err;
  const Result merged = cli(d.dir, "convert --par par -j 3 --merge day.kvt traverse.rec job33.sdr pkt.ski");
  EXPECT_EQ(merged.status, 0) << merged.out << merged.err;
  EXPECT_EQ(readFile(d.dir / "day.kvt"),
            readFile(d.dir / "each/traverse.kvt") + readFile(d.dir / "each/job33.kvt") + readFile(d.dir / "each/pkt.kvt"));
  EXPECT_NE(merged.out.find("3 of 3 files merged"), std::string::npos) << merged.out;
  // Only the merged catalogue is written without -o.
  EXPECT_FALSE(fs::exists(d.dir / "traverse.kvt"));
  // Appending another day's file; a failing file stays out of the merge.
  const Result more = cli(d.dir, "convert --par par --labels labels.txt --mode append --merge day.kvt vek.ski damaged.gsi");
  EXPECT_EQ(more.status, 1);
  EXPECT_NE(more.out.find("1 of 2 files merged"), std::string::npos) << more.out;
  const Result vek = cli(d.dir, "convert --par par -o each vek.ski");
  ASSERT_EQ(vek.status, 0);
  EXPECT_EQ(readFile(d.dir / "day.kvt"), readFile(d.dir / "each/traverse.kvt") + readFile(d.dir / "each/job33.kvt") +
                                             readFile(d.dir / "each/pkt.kvt") + readFile(d.dir / "each/vek.kvt"));
  // The merged catalogue opens in a GIS.
  const Result geo = cli(d.dir, "convert --par par day.kvt day.geojson");
  EXPECT_EQ(geo.status, 0) << geo.err;
  EXPECT_NE(readFile(d.dir / "day.geojson").find("\"FeatureCollection\""), std::string::npos);
  std::set<std::string> left = listing(d.dir.str());
  for (const auto& n : left) EXPECT_EQ(n.find(".part"), std::string::npos) << n;
}

TEST(CliBatch, ProgressLineOnlyOnATerminal) {
  Day d;
  const Result plain = cli(d.dir, "convert --par par -o out pkt.ski vek.ski");
  EXPECT_EQ(plain.err.find('\r'), std::string::npos);
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "script(1) is not available";
  // Under a pseudo-terminal the progress line is drawn and cleared again.
  const std::string cmd = "cd '" + d.dir.str() + "' && script -qec \"'" +
                          KVT_CLI + "' convert --par par --mode replace -o out pkt.ski vek.ski\" /dev/null >tty.out";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string tty = readFile(d.dir / "tty.out");
  EXPECT_NE(tty.find("\r["), std::string::npos) << tty;
  EXPECT_NE(tty.find("2/2 files"), std::string::npos) << tty;
  EXPECT_NE(tty.find("\r\033[K"), std::string::npos) << tty;
}

TEST(CliDetect, NamesEachFileAndFailsOnUnknownOnes) {
  Day d;
  writeFile(d.dir / "notes.txt", "hello\n");
  const Result ok = cli(d.dir, "detect traverse.rec job33.sdr pkt.ski");
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out.substr(0, ok.out.find('\n')),
            "traverse.rec: REC 500 (confidence 100%): 21 of 21 lines are Zeiss lines (21 numbered REC 500 lines; 3 "
            "coordinate and 14 observation lines)");
  const Result bad = cli(d.dir, "detect pkt.ski notes.txt");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("notes.txt: unknown: "), std::string::npos) << bad.out;
  const Result json = cli(d.dir, "detect --json pkt.ski notes.txt damaged.gsi");
  writeFile(d.dir / "d.json", json.out);
  const std::string check = "cd '" + d.dir.str() +
                            "' && /usr/bin/python3 -c 'import json; d = json.load(open(\"d.json\")); "
                            "print([(x[\"key\"], x[\"confidence\"]) for x in d])' >py.out 2>&1";
  ASSERT_EQ(std::system(check.c_str()), 0) << readFile(d.dir / "py.out");
  EXPECT_EQ(readFile(d.dir / "py.out"), "[('ski', 100), ('unknown', 0), ('gsi8', 57)]\n");
}

TEST(CliInfo, TextAndJson) {
  Day d;
  copy(kExamples + "/dsfl/map.kvt", d.dir / "map.kvt");
  const Result text = cli(d.dir, "info --par par map.kvt");
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Points: 11, 11 with both coordinates, 11 with a height"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("     6  point                           11"), std::string::npos) << text.out;
  const Result json = cli(d.dir, "info --par par --json map.kvt map.kvt");
  writeFile(d.dir / "i.json", json.out);
  const std::string check = "cd '" + d.dir.str() +
                            "' && /usr/bin/python3 -c 'import json; d = json.load(open(\"i.json\")); "
                            "print(len(d), d[0][\"records\"], d[1][\"codes\"][\"HEG1\"])' >py.out 2>&1";
  ASSERT_EQ(std::system(check.c_str()), 0) << readFile(d.dir / "py.out");
  EXPECT_EQ(readFile(d.dir / "py.out"), "2 {'6': 11, '8': 1, '10': 2} 2\n");
  EXPECT_EQ(cli(d.dir, "info --par par nothere.kvt").status, 1);
}

}  // namespace
