#include "frame/textfile.hpp"

#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kvtconv {

namespace {

constexpr std::uint64_t kProgressStep = 1 << 20;

bool seekTo(std::FILE* f, std::uint64_t pos) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(pos), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0;
#endif
}

bool truncateAt(std::FILE* f, std::uint64_t size) {
#ifdef _WIN32
  return _chsize_s(_fileno(f), static_cast<long long>(size)) == 0;
#else
  return ftruncate(fileno(f), static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace

#ifndef _WIN32
// The system's copy of a written buffer into its cache is a tenth of a
// conversion's time, and more when the output is large: a second thread
// does it while the conversion fills the next buffer. One buffer at a time
// is in its hands; after a failure it writes nothing more, as the file
// itself would not.
class TextFile::WriteBehind {
 public:
  explicit WriteBehind(std::FILE* f) : f_(f), thread_([this] { run(); }) {}
  ~WriteBehind() {
    {
      const std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    handed_.notify_one();
    thread_.join();
  }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Waits until the buffer handed over last is written; false when any
  // write so far failed.
  bool wait() {
    std::unique_lock<std::mutex> lock(m_);
    written_.wait(lock, [&] { return !busy_; });
    return !failed_.load(std::memory_order_relaxed);
  }
  // Hands over n bytes at data, which stay untouched until the next wait.
  void write(const char* data, std::size_t n) {
    {
      const std::lock_guard<std::mutex> lock(m_);
      data_ = data;
      size_ = n;
      busy_ = true;
    }
    handed_.notify_one();
  }
  bool failed() const { return failed_.load(std::memory_order_acquire); }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      handed_.wait(lock, [&] { return busy_ || quit_; });
      if (!busy_) return;
      const char* data = data_;
      const std::size_t n = size_;
      lock.unlock();
      const bool ok = !failed_.load(std::memory_order_relaxed) && std::fwrite(data, 1, n, f_) == n;
      lock.lock();
      if (!ok) failed_.store(true, std::memory_order_release);
      busy_ = false;
      written_.notify_one();
    }
  }

  std::FILE* f_;
  std::mutex m_;
  std::condition_variable handed_, written_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  bool busy_ = false, quit_ = false;
  std::atomic<bool> failed_{false};
  std::thread thread_;  // last: it starts once the rest is made
};
#else
// Windows builds write in the thread that fills the buffers.
class TextFile::WriteBehind {};
#endif

TextFile::TextFile(std::FILE* f, std::string path, bool writable)
    : f_(f), path_(std::move(path)), writable_(writable) {
  if (writable_) out_ = std::make_unique<char[]>(kBufferSize);
}

TextFile::~TextFile() { close(); }

std::unique_ptr<TextFile> TextFile::openRead(const std::string& path, std::error_code& ec) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    ec = std::error_code(errno, std::generic_category());
    return nullptr;
  }
  auto t = std::unique_ptr<TextFile>(new TextFile(f, path, false));
  t->buf_.resize(kBufferSize);
  std::error_code sizeError;
  const auto n = std::filesystem::file_size(path, sizeError);
  t->size_ = sizeError ? 0 : n;
  return t;
}

std::unique_ptr<TextFile> TextFile::openWrite(const std::string& path, WriteForm form,
                                              std::error_code& ec) {
  std::FILE* f = nullptr;
  if (form == WriteForm::Replace) {
    f = std::fopen(path.c_str(), "wb");
  } else {
    f = std::fopen(path.c_str(), "r+b");
    if (!f && form == WriteForm::Append) f = std::fopen(path.c_str(), "w+b");
  }
  if (!f) {
    ec = std::error_code(errno, std::generic_category());
    return nullptr;
  }
  auto t = std::unique_ptr<TextFile>(new TextFile(f, path, true));
  std::error_code sizeError;
  const auto existing = std::filesystem::file_size(path, sizeError);
  if (!sizeError) t->highWater_ = existing;
  if (form == WriteForm::Append && !sizeError) {
    if (std::fseek(f, 0, SEEK_END) != 0) t->writeFailed_ = true;
    t->bufStart_ = existing;
  }
  return t;
}

void TextFile::rewind() {
  if (writable_) return;
  std::clearerr(f_);
  if (std::fseek(f_, 0, SEEK_SET) != 0) readError_ = true;
  beg_ = end_ = 0;
  eof_ = false;
  afterCr_ = false;
  lfKnown_ = false;
  consumed_ = nextReport_ = 0;
}

bool TextFile::refill() {
  if (eof_ || readError_) return false;
  if (beg_ > 0 && beg_ < end_) std::memmove(buf_.data(), buf_.data() + beg_, end_ - beg_);
  end_ -= beg_;
  beg_ = 0;
  const std::size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, f_);
  end_ += got;
  consumed_ += got;
  if (got == 0) {
    if (std::ferror(f_)) readError_ = true;
    else eof_ = true;
  }
  if (progress_ && *progress_ && consumed_ >= nextReport_) {
    nextReport_ = consumed_ + kProgressStep;
    (*progress_)(consumed_, size_);
  }
  return got > 0;
}

void TextFile::skipLfAfterCr() {
  if (beg_ == end_) {
    afterCr_ = true;  // the LF, if any, comes with the next refill
    return;
  }
  if (buf_[beg_] == '\n') ++beg_;
}

ReadStatus TextFile::readLine(std::string& out, std::size_t maxLen) {
  out.clear();
  bool any = false;
  char last = 0;
  std::size_t total = 0;
  for (;;) {
    if (beg_ == end_) {
      beg_ = end_ = 0;
      if (!refill()) break;
    }
    // A CR that ended the last line at the end of the buffer may be the
    // first half of a CR LF.
    if (afterCr_) {
      afterCr_ = false;
      if (buf_[beg_] == '\n') {
        ++beg_;
        continue;
      }
    }
    const char* start = buf_.data() + beg_;
    const std::size_t avail = end_ - beg_;
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
    const std::size_t lfAt = lf ? static_cast<std::size_t>(lf - start) : avail;
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', lfAt));
    const std::size_t n = cr ? static_cast<std::size_t>(cr - start) : lfAt;
    if (n > 0) {
      last = start[n - 1];
      total += n;
      if (out.size() < maxLen) out.append(start, std::min(n, maxLen - out.size()));
    }
    any = true;
    beg_ += n;
    if (cr || lf) {
      ++beg_;
      if (cr) skipLfAfterCr();
      if (out == "\x1A") return ReadStatus::End;
      return ReadStatus::Ok;
    }
  }
  if (readError_) return ReadStatus::Error;
  if (!any) return ReadStatus::End;
  if (last == '\x1A' && total <= maxLen) out.pop_back();
  if (out.empty() && last == '\x1A') return ReadStatus::End;
  return ReadStatus::Ok;
}

ReadStatus TextFile::readLineSlow(std::string_view& out, std::size_t maxLen) {
  for (;;) {
    if (afterCr_ && beg_ < end_) {
      afterCr_ = false;
      if (buf_[beg_] == '\n') ++beg_;
    }
    const char* start = buf_.data() + beg_;
    const std::size_t avail = end_ - beg_;
    // Where the next LF and the next CR are, remembered: a file of CR-only
    // line ends would otherwise search the whole buffer for an LF on every
    // line, and one of LF-only line ends the whole line for a CR.
    if (!lfKnown_ || lfAt_ < beg_) {
      const auto* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
      lfAt_ = lf ? static_cast<std::size_t>(lf - buf_.data()) : end_;
    }
    if (!lfKnown_ || crAt_ < beg_) {
      const auto* cr = static_cast<const char*>(std::memchr(start, '\r', avail));
      crAt_ = cr ? static_cast<std::size_t>(cr - buf_.data()) : end_;
    }
    lfKnown_ = true;
    const std::size_t lfOff = lfAt_ - beg_;
    const char* cr = crAt_ < lfAt_ ? buf_.data() + crAt_ : nullptr;
    if (cr || lfAt_ < end_) {
      const std::size_t n = cr ? static_cast<std::size_t>(cr - start) : lfOff;
      out = std::string_view(start, std::min(n, maxLen));
      beg_ += n + 1;
      if (cr) skipLfAfterCr();
      if (out == "\x1A") return ReadStatus::End;
      return ReadStatus::Ok;
    }
    // No line end in the buffer: read more, unless the buffer is full of
    // one line or the file has ended; the copying reader deals with those.
    const bool full = beg_ == 0 && end_ == buf_.size();
    if (full || eof_ || readError_ || (afterCr_ && beg_ < end_)) break;
    lfKnown_ = false;
    if (beg_ == end_) beg_ = end_ = 0;
    if (!refill()) break;
  }
  lfKnown_ = false;
  const ReadStatus st = readLine(spill_, maxLen);
  out = spill_;
  return st;
}

void TextFile::flushBuffer() {
  if (used_ == 0) return;
#ifndef _WIN32
  if (!behindTried_ && !writeFailed_) {
    behindTried_ = true;  // once: a thread that could not be had is not asked for again
    try {
      spare_.reset(new char[kBufferSize]);
      behind_ = std::make_unique<WriteBehind>(f_);
    } catch (...) {  // no thread to be had: written here, as before
      behind_.reset();
      spare_.reset();
    }
  }
  if (behind_) {
    if (!behind_->wait()) writeFailed_ = true;
    if (!writeFailed_) {
      behind_->write(out_.get(), used_);
      std::swap(out_, spare_);
    }
    bufStart_ += used_;
    used_ = 0;
    return;
  }
#endif
  if (!writeFailed_ && std::fwrite(out_.get(), 1, used_, f_) != used_) writeFailed_ = true;
  bufStart_ += used_;
  used_ = 0;
}

void TextFile::settle() {
#ifndef _WIN32
  if (behind_ && !behind_->wait()) writeFailed_ = true;
#endif
}

bool TextFile::writeFailed() const {
#ifndef _WIN32
  if (behind_ && behind_->failed()) return true;
#endif
  return writeFailed_;
}

void TextFile::writeLine(std::string_view line) {
  noteLineStart(used_);
  if (used_ + line.size() + kLineEnd.size() > kBufferSize) {
    flushBuffer();
    if (line.size() + kLineEnd.size() > kBufferSize) {
      // Longer than the buffer: straight to the file.
      settle();
      if (!writeFailed_ && std::fwrite(line.data(), 1, line.size(), f_) != line.size())
        writeFailed_ = true;
      bufStart_ += line.size();
      endLine();
      return;
    }
  }
  std::memcpy(out_.get() + used_, line.data(), line.size());
  used_ += line.size();
  endLine();
}

void TextFile::dropLine() { used_ = pendingAt_; }

void TextFile::stepBack() {
  // Only lines this run wrote can be taken back, never what the file held.
  if (starts_ <= floor_) return;
  --starts_;
  const std::uint64_t start = lineStarts_[starts_ % kStepBackDepth];
  if (start >= bufStart_) {
    used_ = static_cast<std::size_t>(start - bufStart_);
    return;
  }
  flushBuffer();
  settle();
  if (std::fflush(f_) != 0 || !seekTo(f_, start)) writeFailed_ = true;
  bufStart_ = start;
}

void TextFile::endHere() {
  if (!writable_ || !f_) return;
  flushBuffer();
  settle();
  if (std::fflush(f_) != 0) writeFailed_ = true;
  const std::uint64_t pos = bufStart_;
  if (highWater_ > pos) {
    if (!truncateAt(f_, pos)) writeFailed_ = true;
    highWater_ = pos;
  }
}

bool TextFile::close() {
  if (!f_) return !writeFailed_ && !readError_;
  if (writable_) {
    flushBuffer();
    settle();
    behind_.reset();
    if (std::fflush(f_) != 0) writeFailed_ = true;
  }
  if (std::fclose(f_) != 0 && writable_) writeFailed_ = true;
  f_ = nullptr;
  return !writeFailed_ && !readError_;
}

}  // namespace kvtconv
