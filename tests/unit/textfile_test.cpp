#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "catalogue/record.hpp"
#include "frame/textfile.hpp"
#include "helpers.hpp"

using namespace kvtconv;
using kvttest::readFile;
using kvttest::writeFile;

namespace {

std::vector<std::string> lines(const std::string& bytes, std::size_t maxLen = 80) {
  kvttest::TempDir dir;
  writeFile(dir / "f", bytes);
  std::error_code ec;
  auto f = TextFile::openRead(dir / "f", ec);
  std::vector<std::string> out;
  std::string line;
  while (f->readLine(line, maxLen) == ReadStatus::Ok) out.push_back(line);
  return out;
}

using V = std::vector<std::string>;

// The lines as views, copied out, and the status that ended them; then the
// same after rewinds at the end, half way and after the first line (readers
// of several passes rewind wherever a pass stopped): the same lines again.
V viewLines(const std::string& bytes, std::size_t maxLen, ReadStatus& last) {
  kvttest::TempDir dir;
  writeFile(dir / "f", bytes);
  std::error_code ec;
  auto f = TextFile::openRead(dir / "f", ec);
  V out, again;
  std::string_view line;
  while ((last = f->readLine(line, maxLen)) == ReadStatus::Ok) out.emplace_back(line);
  for (const std::size_t stop : {out.size(), out.size() / 2, std::size_t{1}}) {
    f->rewind();
    for (std::size_t k = 0; k < stop && f->readLine(line, maxLen) == ReadStatus::Ok; ++k) {
    }
    f->rewind();
    again.clear();
    while (f->readLine(line, maxLen) == ReadStatus::Ok) again.emplace_back(line);
    EXPECT_EQ(again, out) << "after a rewind at line " << stop;
  }
  return out;
}

}  // namespace

TEST(TextFile, AcceptsEveryLineEndForm) {
  EXPECT_EQ(lines("a\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(lines("a\r\nb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(lines("a\nb"), (V{"a", "b"}));
  EXPECT_EQ(lines("a\r\nb\r\n\x1A"), (V{"a", "b"}));
  EXPECT_EQ(lines("a\nb\x1A"), (V{"a", "b"}));
  EXPECT_EQ(lines("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(lines(""), V{});
  EXPECT_EQ(lines("a\rb\r"), (V{"a", "b"}));
  EXPECT_EQ(lines("a\r\rb\r\x1A"), (V{"a", "", "b"}));
  EXPECT_EQ(lines("a\rb"), (V{"a", "b"}));
  // A CR LF split by the end of the read buffer is still one line end.
  const std::string head(TextFile::kBufferSize - 1, 'x');
  EXPECT_EQ(lines(head + "\r\nb\n", TextFile::kBufferSize), (V{head, "b"}));
}

TEST(TextFile, ViewsReadAsCopiesDo) {
  // Line ends of every form, also where a buffer refill splits them, lines
  // longer than the buffer, cut lines and Ctrl-Z endings.
  std::string mixed;
  for (int i = 0; mixed.size() < 4 * TextFile::kBufferSize + 3000; ++i) {
    mixed += std::string(static_cast<std::size_t>(i * 37 % 211), static_cast<char>('a' + i % 26));
    mixed += i % 3 == 0 ? "\r" : i % 3 == 1 ? "\r\n" : "\n";
  }
  // Short lines, mostly LF-ended, as some instruments write them.
  std::string shortLines;
  for (int i = 0; shortLines.size() < 3 * TextFile::kBufferSize + 2000; ++i) {
    shortLines += std::string(static_cast<std::size_t>(i * 7 % 41), static_cast<char>('a' + i % 26));
    shortLines += i % 17 == 0 ? "\r\n" : i % 29 == 0 ? "\r" : "\n";
  }
  const std::string head(TextFile::kBufferSize - 1, 'x');
  for (const std::string& bytes :
       {mixed, shortLines, shortLines + "\x1A\nz\n", mixed + "tail", mixed + "\x1A", head + "\r\nb\n", head + "\rb\r", std::string(2 * TextFile::kBufferSize, 'y') + "\n\x1A\nz",
        std::string("a\r\rb\r\x1A"), std::string("\x1A\nafter\n"), std::string("a\r\nb\r\n\x1A\r\nlater\rmore\n"),
        std::string()}) {
    for (const std::size_t maxLen : {std::size_t{5}, std::size_t{80}, 2 * TextFile::kBufferSize}) {
      ReadStatus last = ReadStatus::Ok;
      EXPECT_EQ(viewLines(bytes, maxLen, last), lines(bytes, maxLen));
      EXPECT_EQ(last, ReadStatus::End);
    }
  }
}

TEST(TextFile, LongLinesAreCutNotGrown) {
  const std::string big(4 * TextFile::kBufferSize, 'x');
  const V got = lines(big + "\r\nnext\n", 80);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], std::string(80, 'x'));
  EXPECT_EQ(got[1], "next");
}

TEST(TextFile, KeepsBytesAsTheyAre) {
  const V got = lines(std::string("\xE6\x00\xFF\n", 4));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], std::string("\xE6\x00\xFF", 3));
}

TEST(TextFile, StepBackRewritesTheLastLine) {
  kvttest::TempDir dir;
  std::error_code ec;
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Replace, ec);
    f->writeLine("one");
    f->writeLine("two");
    f->stepBack();
    f->writeLine("2");
    f->endHere();
  }
  EXPECT_EQ(readFile(dir / "o"), "one\n2\n");
}

TEST(TextFile, StepBackAcrossAFlushedBuffer) {
  kvttest::TempDir dir;
  std::error_code ec;
  const std::string filler(TextFile::kBufferSize + 4464, 'f');
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Replace, ec);
    f->writeLine("head");
    f->writeLine(filler);
    f->writeLine("tail that is longer");
    f->stepBack();
    f->writeLine("t");
    f->endHere();
  }
  EXPECT_EQ(readFile(dir / "o"), "head\n" + filler + "\nt\n");
}

// Many buffers' worth (written behind the conversion, one buffer at a
// time), lines taken back right after a buffer went and anywhere else,
// the file cut at its end: the bytes as the lines say.
TEST(TextFile, ManyBuffersWithLinesTakenBack) {
  kvttest::TempDir dir;
  std::error_code ec;
  std::vector<std::string> want;
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Replace, ec);
    ASSERT_TRUE(f);
    for (int i = 0; i < 24000; ++i) {
      // 99 bytes and a line end: a buffer goes with every 2,622nd line.
      const std::string line = std::to_string(i) + std::string(99 - std::to_string(i).size(), 'a' + i % 26);
      if (i % 2 == 0) {
        f->writeLine(line);
      } else {
        char* at = f->lineSpace(line.size());
        std::memcpy(at, line.data(), line.size());
        f->commitLine(line.size());
      }
      want.push_back(line);
      if (i % 2622 == 2621 || i % 2622 == 0 || i % 1000 == 500) {
        const int back = 1 + i % 3;
        for (int k = 0; k < back; ++k) f->stepBack();
        want.resize(want.size() - static_cast<std::size_t>(back));
        for (int k = 0; k < back; ++k) {
          f->writeLine("again " + std::to_string(i) + "." + std::to_string(k));
          want.push_back("again " + std::to_string(i) + "." + std::to_string(k));
        }
      }
    }
    f->endHere();
    EXPECT_FALSE(f->writeFailed());
    EXPECT_TRUE(f->close());
  }
  std::string bytes;
  for (const std::string& l : want) bytes += l + std::string(TextFile::kLineEnd);
  EXPECT_EQ(readFile(dir / "o"), bytes);
}

// A device that takes nothing: the failure of a buffer written behind is
// known by the close at the latest, and nothing hangs.
TEST(TextFile, FailedWritesOfManyBuffersAreReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::error_code ec;
  auto f = TextFile::openWrite("/dev/full", WriteForm::Replace, ec);
  ASSERT_TRUE(f);
  const std::string line(200, 'z');
  for (int i = 0; i < 10000; ++i) f->writeLine(line);
  EXPECT_FALSE(f->close());
  EXPECT_TRUE(f->writeFailed());
}

TEST(TextFile, UpdateCutsOldContentsAtTheEnd) {
  kvttest::TempDir dir;
  writeFile(dir / "o", "old line one\nold line two\n");
  std::error_code ec;
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Update, ec);
    f->writeLine("new");
    f->endHere();
  }
  EXPECT_EQ(readFile(dir / "o"), "new\n");
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Append, ec);
    f->writeLine("more");
    f->endHere();
  }
  EXPECT_EQ(readFile(dir / "o"), "new\nmore\n");
}

TEST(Rdrec, ClassifiesAndBlanksTheTypeField) {
  kvttest::TempDir dir;
  writeFile(dir / "k",
            " 6          101  K1\n"
            "\n"
            "plain text line\n"
            " 8  1==> header\n"
            "1==> no leading eight\n"
            "-x\n"
            "47 100>199\n" +
                std::string(200, '9') + "\n");
  std::error_code ec;
  auto f = TextFile::openRead(dir / "k", ec);
  std::string line;
  int type = 0;
  struct Want {
    int type;
    const char* firstColumns;
  } const want[] = {{6, "            101  K1"}, {8, ""},    {8, "      text line"},
                    {8, "    1==> header"},    {8, "     no leading eight"},
                    {8, ""},                   {47, "   100>199"}};
  for (const auto& w : want) {
    ASSERT_EQ(rdrec(f.get(), line, 80, type), ReadStatus::Ok);
    EXPECT_EQ(type, w.type) << w.firstColumns;
    EXPECT_EQ(line.size(), 80u);
    EXPECT_EQ(kvttest::rtrim(line), w.firstColumns);
  }
  // 200 digits do not make a 32-bit record type: a comment.
  ASSERT_EQ(rdrec(f.get(), line, 132, type), ReadStatus::Ok);
  EXPECT_EQ(type, 8);
  EXPECT_EQ(line.size(), 132u);
  EXPECT_EQ(rdrec(f.get(), line, 80, type), ReadStatus::End);
  EXPECT_EQ(rdrec(nullptr, line, 80, type), ReadStatus::End);
}

TEST(TextFile, RepeatedStepBacksTakeBackSeveralLines) {
  kvttest::TempDir dir;
  std::error_code ec;
  writeFile(dir / "o", "kept from before\n");
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Append, ec);
    for (int i = 1; i <= 40; ++i) f->writeLine("line " + std::to_string(i));
    for (int i = 0; i < 38; ++i) f->stepBack();  // only the last 32 can go
    f->writeLine("new");
    f->endHere();
  }
  std::string want = "kept from before\n";
  for (int i = 1; i <= 8; ++i) want += "line " + std::to_string(i) + "\n";
  EXPECT_EQ(readFile(dir / "o"), want + "new\n");
  {
    auto f = TextFile::openWrite(dir / "o", WriteForm::Append, ec);
    f->stepBack();  // nothing of this run to take back: the old contents stay
    f->writeLine("x");
  }
  EXPECT_EQ(readFile(dir / "o"), want + "new\nx\n");
}
