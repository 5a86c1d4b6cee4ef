#pragma once
// Token scanners of catalogue lines. Positions are 1-based; after a call the
// position stands on the character that ended the token, so successive calls
// read successive fields. Error flag: 0 good, 1 bad or missing marker,
// -1 nothing but separators left.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/bytes.hpp"
#include "frame/text.hpp"

namespace kvtconv {

inline constexpr double kMissingReal = -999.999;
inline constexpr std::int32_t kMissingInt = -999;

inline bool missReal(double v) { return std::fabs(v - kMissingReal) < 0.0001; }
inline bool missInt(std::int32_t v) { return v == kMissingInt; }

// Decimal digits with at most one "." among them (at least one digit), to
// the nearest double; false for anything else.
bool readDecimal(std::string_view digits, double& out);
// The same for the longest such run at the start of `text`: how many bytes
// it took (0 when there is no digit).
std::size_t readDecimalPrefix(std::string_view text, double& out);
// The same where sixteen bytes from the start of `text` may be read (a
// record buffer with room behind it): a plain decimal followed by a
// separator is taken eight bytes at a time.
std::size_t readDecimalPrefixPadded(std::string_view text, double& out);
// Whether `text` (at most 19 bytes) is all decimal digits, and their value:
// fixed-width instrument data read eight digits at a time.
bool allDigits(std::string_view text, std::uint64_t& value);

// trim for a field of 8 to 16 bytes (a number or a code), where the
// writers trim every point's: its non-blank bytes found in two words that
// may overlap, one exact mask each. Other lengths are trimmed as trim does.
inline std::string_view trimField(std::string_view s) {
  const std::size_t n = s.size();
  if (std::endian::native != std::endian::little || n - 8 > 8) return trim(s);
  const std::uint64_t lo = bytes::otherEach(bytes::load8(s.data()), ' ');
  const std::uint64_t hi = bytes::otherEach(bytes::load8(s.data() + n - 8), ' ');
  if ((lo | hi) == 0) return s.substr(n);
  const std::size_t first = lo != 0 ? bytes::first(lo) : n - 8 + bytes::first(hi);
  const std::size_t end = hi != 0 ? n - static_cast<std::size_t>(std::countl_zero(hi)) / 8
                                  : 8 - static_cast<std::size_t>(std::countl_zero(lo)) / 8;
  return s.substr(first, end - first);
}

// Upper-cases n bytes in place as putWord does; bytes that cannot change
// (none from 'a' up) are passed eight at a time.
void upperInPlace(char* p, std::size_t n);

// The separators between text tokens and numbers: blank, comma, tab.
inline bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }
// The first byte at or after `i` that is no separator (the end if none);
// runs of blanks are passed eight bytes at a time.
std::size_t skipSeparators(std::string_view text, std::size_t i);

std::int32_t rditas(std::string_view text, std::size_t& pos, int& err);
double rdrtas(std::string_view text, std::size_t& pos, int& err);
// Reads a text token into a field of `width` bytes, upper-cased.
// `missingMark` is the first character of the missing-value text.
std::string rdatas(std::string_view text, std::size_t& pos, std::size_t width, int& err,
                   char missingMark = '-');

// The token rdatas would read, where it stands in `text`: cut to `width`,
// neither upper-cased nor padded; flags and position as rdatas sets them.
std::string_view rdatasView(std::string_view text, std::size_t& pos, std::size_t width, int& err,
                            char missingMark = '-');
// A token as rdatas gives it, into `field` (blank-padded to `width`,
// upper-cased), reusing the field's room.
void putWord(std::string& field, std::string_view token, std::size_t width);

// rdatasView and putWord in one: the next token into `field`.
void readWord(std::string_view text, std::size_t& pos, std::string& field, std::size_t width, int& err,
              char missingMark = '-');

// Moves past the next text token as rdatas would, without reading it;
// false when only separators are left.
bool skipToken(std::string_view text, std::size_t& pos);
// The next text token as it stands in `text` (not upper-cased, not cut),
// moving past it as rdatas would; false when only separators are left.
bool nextToken(std::string_view text, std::size_t& pos, std::string_view& token);

// The scanners bundled with their line and position, for record readers.
class FieldScanner {
 public:
  explicit FieldScanner(std::string_view text, char missingMark = '-', std::size_t pos = 1)
      : text_(text), pos_(pos), mark_(missingMark) {}
  // Once the line is used up, the remaining fields are absent at once
  // instead of each scanning the blank tail again.
  std::int32_t integer() { return done() ? kMissingInt : rditas(text_, pos_, err_); }
  double real() { return done() ? kMissingReal : rdrtas(text_, pos_, err_); }
  std::string word(std::size_t width) {
    return done() ? std::string(width, ' ') : rdatas(text_, pos_, width, err_, mark_);
  }
  // The same into an existing field, without a new string.
  void word(std::string& field, std::size_t width) {
    if (done()) putWord(field, {}, width);
    else readWord(text_, pos_, field, width, err_, mark_);
  }
  // Moves past a text token unread (the error flag is left as it was).
  void pass() {
    if (!done()) skipToken(text_, pos_);
  }
  // The token as it stands, for fields that need no upper case.
  std::string_view token(std::size_t width) {
    return done() ? std::string_view{} : rdatasView(text_, pos_, width, err_, mark_);
  }
  int lastError() const { return err_; }
  std::size_t pos() const { return pos_; }

 private:
  bool done() {
    if (pos_ <= text_.size()) return false;
    err_ = -1;
    return true;
  }
  std::string_view text_;
  std::size_t pos_;
  char mark_;
  int err_ = 0;
};

}  // namespace kvtconv
