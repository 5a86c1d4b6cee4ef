#pragma once
// Buffered one-pass text file: lines in, lines out, Latin-1 bytes untouched.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "frame/bytes.hpp"

namespace kvtconv {

using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

enum class ReadStatus { Ok = 0, Error = 1, End = 2 };

enum class WriteForm {
  Replace,  // create, or cut an existing file to nothing
  Update,   // existing file, written from its start
  Append,   // written after the existing contents, created if needed
};

class TextFile {
 public:
  // 256 KB each way: a quarter of the calls into the system that 64 KB
  // made, and a reading and a writing buffer still fit the core's cache.
  static constexpr std::size_t kBufferSize = 1 << 18;
#ifdef _WIN32
  static constexpr std::string_view kLineEnd = "\r\n";
#else
  static constexpr std::string_view kLineEnd = "\n";
#endif

  static std::unique_ptr<TextFile> openRead(const std::string& path, std::error_code& ec);
  static std::unique_ptr<TextFile> openWrite(const std::string& path, WriteForm form,
                                             std::error_code& ec);
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Next line without its line end, at most `maxLen` bytes (the rest of a
  // longer line is skipped). LF, CR LF, CR alone, a missing last line end
  // and a final Ctrl-Z are all accepted.
  ReadStatus readLine(std::string& out, std::size_t maxLen);
  // The same line as a view into the read buffer, valid until the next
  // read or rewind: no copy unless the line is longer than the buffer or
  // is the file's last one without a line end.
  ReadStatus readLine(std::string_view& out, std::size_t maxLen) {
    // The usual line, LF-ended within the buffer with no CR before its
    // end, is found inline: short lines are most of some files, and for
    // them a look at sixteen bytes costs less than the call to search.
    if (lfKnown_ && !afterCr_ && crAt_ >= beg_) {
      const char* start = buf_.data() + beg_;
      const std::size_t limit = std::min(crAt_, end_) - beg_;
      std::size_t n = limit;
      if (limit >= 16) {
        n = lineFeedIn(start);
        if (n == 8) n += lineFeedIn(start + 8);
        if (n == 16) {
          const auto* lf = static_cast<const char*>(std::memchr(start + 16, '\n', limit - 16));
          n = lf ? static_cast<std::size_t>(lf - start) : limit;
        }
      } else {
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', limit));
        if (lf) n = static_cast<std::size_t>(lf - start);
      }
      if (n < limit) {
        out = std::string_view(start, std::min(n, maxLen));
        beg_ += n + 1;
        if (out.size() == 1 && out[0] == '\x1A') return ReadStatus::End;
        return ReadStatus::Ok;
      }
    }
    return readLineSlow(out, maxLen);
  }

  // Reads again from the start (files opened for reading).
  void rewind();

  void writeLine(std::string_view line);
  // Room for a line of at most `maxLen` bytes formatted in place in the
  // write buffer; commitLine(n) then writes its first n bytes as writeLine
  // would. Nothing else may be written in between. maxLen is a record's
  // width, a few KB at most.
  // Inline: record writers call them for every line.
  char* lineSpace(std::size_t maxLen) {
    if (used_ + maxLen + kLineEnd.size() > kBufferSize) flushBuffer();
    pendingAt_ = used_;
    return out_.get() + pendingAt_;
  }
  void commitLine(std::size_t len) {
    noteLineStart(pendingAt_);
    used_ = pendingAt_ + len;
    endLine();
  }
  // Gives back the room of a lineSpace line that is not to be written.
  void dropLine();
  // The next line written replaces the last one; repeated calls go back
  // over the last kStepBackDepth lines.
  void stepBack();
  static constexpr std::size_t kStepBackDepth = 32;
  // Flush and cut the file after the last line written.
  void endHere();
  bool close();  // false when anything failed

  bool writeFailed() const;
  bool writable() const { return writable_; }
  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }
  std::uint64_t consumed() const { return consumed_; }
  void setProgress(const ProgressFn* fn) { progress_ = fn; }
  const ProgressFn* progress() const { return progress_; }

 private:
  TextFile(std::FILE* f, std::string path, bool writable);
  bool refill();
  // After a line that ended with a CR: an LF right behind it belongs to it.
  void skipLfAfterCr();
  void flushBuffer();
  // Waits for the buffer being written behind, if any, and takes over its
  // failure: before anything else reaches the file.
  void settle();
  // A line begins at `at` in the write buffer.
  void noteLineStart(std::size_t at) {
    lineStarts_[starts_ % kStepBackDepth] = bufStart_ + at;
    ++starts_;
    if (starts_ - floor_ > kStepBackDepth) floor_ = starts_ - kStepBackDepth;
  }
  // The line end after the bytes written.
  void endLine() {
    std::memcpy(out_.get() + used_, kLineEnd.data(), kLineEnd.size());
    used_ += kLineEnd.size();
    const std::uint64_t now = bufStart_ + used_;
    if (now > highWater_) highWater_ = now;
  }

  ReadStatus readLineSlow(std::string_view& out, std::size_t maxLen);
  // Where the first LF is among the eight bytes at p; 8 when there is none.
  static std::size_t lineFeedIn(const char* p) {
    if constexpr (std::endian::native != std::endian::little) {
      std::size_t k = 0;
      while (k < 8 && p[k] != '\n') ++k;
      return k;
    }
    return bytes::first(bytes::equal(bytes::load8(p), '\n'));
  }

  std::FILE* f_;
  std::string path_;
  bool writable_;
  std::vector<char> buf_;
  std::size_t beg_ = 0, end_ = 0;  // read window into buf_
  bool eof_ = false, readError_ = false;
  bool afterCr_ = false;  // the last line ended with a CR at the buffer's end
  // The next LF and CR at or after beg_ (end_ if none) when lfKnown_.
  std::size_t lfAt_ = 0, crAt_ = 0;
  bool lfKnown_ = false;
  std::string spill_;  // a line the buffer could not hold whole
  std::uint64_t size_ = 0, consumed_ = 0, nextReport_ = 0;
  const ProgressFn* progress_ = nullptr;
  // Writing: absolute offsets of the buffer start, the last line's start and
  // the furthest byte ever written.
  std::uint64_t bufStart_ = 0, highWater_ = 0;
  std::uint64_t lineStarts_[kStepBackDepth] = {};  // ring of the last lines' starts
  std::size_t starts_ = 0;  // lines written and not taken back
  std::size_t floor_ = 0;   // the oldest line whose start the ring still holds
  bool writeFailed_ = false;
  // The write buffer: filled up to used_, never cleared byte by byte.
  std::unique_ptr<char[]> out_;
  std::size_t used_ = 0;
  std::size_t pendingAt_ = 0;  // where lineSpace's line begins in out_
  // A full buffer is written by a second thread while the next one fills
  // (from the first full buffer on; not on Windows): the buffer it writes.
  class WriteBehind;
  std::unique_ptr<char[]> spare_;
  std::unique_ptr<WriteBehind> behind_;
  bool behindTried_ = false;
};

}  // namespace kvtconv
