// File naming as the Windows build does it: "\" joins a directory and a
// name, a backslash or a drive colon means the name carries its own place,
// and the name switches need no blank before them.
#include <cstdio>
#include <string>

#include "frame/files.hpp"
#include "frame/params.hpp"

using namespace kvtconv;

static int failures;

static void expect(const std::string& got, const std::string& want, int line) {
  if (got == want) return;
  std::fprintf(stderr, "frame_test.cpp:%d: got \"%s\", want \"%s\"\n", line, got.c_str(),
               want.c_str());
  ++failures;
}
#define EXPECT_EQ(got, want) expect((got), (want), __LINE__)
#define EXPECT_TRUE(cond) expect((cond) ? "true" : "false", "true", __LINE__)

int main() {
  EXPECT_EQ(joinPath("C:\\KVT\\PAR", "VOXA.PAR"), "C:\\KVT\\PAR\\VOXA.PAR");
  EXPECT_EQ(joinPath("C:\\KVT\\PAR\\", "VOXA.PAR"), "C:\\KVT\\PAR\\VOXA.PAR");
  EXPECT_EQ(joinPath("C:/KVT/", "VOXA.PAR"), "C:/KVT/VOXA.PAR");
  EXPECT_EQ(joinPath("", "VOXA.PAR"), "\\VOXA.PAR");  // the root of the drive

  EXPECT_TRUE(hasDirectory("C:JOB.SDR"));
  EXPECT_TRUE(hasDirectory("\\DATA\\JOB.SDR"));
  EXPECT_TRUE(!hasDirectory("JOB.SDR"));

  Params p;
  EXPECT_EQ(getnavn(p, "job.sdr", 6), "job.sdr");  // all entries blank
  p.set(56, "D:\\RAA");     // entry 6
  p.set(58, "D:\\PUNKT\\");  // entry 8
  p.set(51, "D:\\STD");     // entry 1
  EXPECT_EQ(getnavn(p, "job.SDR", 7), "D:\\RAAjob.SDR");  // nothing put between
  EXPECT_EQ(getnavn(p, "a.pkt", 0), "D:\\PUNKT\\a.pkt");
  EXPECT_EQ(getnavn(p, "a.obs", 8), "D:\\PUNKT\\a.obs");
  EXPECT_EQ(getnavn(p, "a.obs", 0), "D:\\STDa.obs");
  EXPECT_EQ(getnavn(p, "VOXA.PAR", 8), "VOXA.PAR");
  EXPECT_EQ(getnavn(p, "C:a.pkt", 8), "C:a.pkt");                      // a drive
  EXPECT_EQ(getnavn(p, "E:\\MAALING\\a.pkt", 8), "E:\\MAALING\\a.pkt");  // a full name
  EXPECT_EQ(getnavn(p, "SUB\\a.pkt", 8), "SUB\\a.pkt");
  EXPECT_EQ(getnavn(p, "-", 0), "D:\\STD-");

  if (failures) {
    std::fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  std::printf("frame naming ok\n");
  return 0;
}
