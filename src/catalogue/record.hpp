#pragma once
// Catalogue record framing: reading a line with its record type, and the
// comment, administrative and header records.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "catalogue/fortran.hpp"
#include "catalogue/scan.hpp"
#include "frame/textfile.hpp"

namespace kvtconv {

class Session;

// Reads the next line into `line`, cut or padded to `width` bytes, and
// returns its record type in `type` with the type field blanked. An
// unopened file reads as end of file.
ReadStatus rdrec(TextFile* f, std::string& line, std::size_t width, int& type);
// The same without copying: `fields` is the line after its type field, a
// view into the file's buffer valid until the next read. It reads as the
// blanked and padded line does for the field scanners.
ReadStatus rdrec(TextFile* f, std::string_view& fields, std::size_t width, int& type);

// Writes a full-width line, or a line cut after its last non-blank byte.
// A write to an unopened channel goes nowhere, as the design lets it.
void writeFull(TextFile* f, std::string_view line);
void writeTrimmed(TextFile* f, std::string_view line);

void wkom(TextFile* f, std::string_view text);
void wakom(TextFile* f);
std::string rkom(std::string_view line);

struct AdminRecord {
  std::string job = std::string(10, ' ');
  std::string operatorName = std::string(10, ' ');
  std::string date = std::string(9, ' ');
  std::string time = std::string(8, ' ');
  std::int32_t temperature = -999;
  std::int32_t pressure = -999;
  std::string instrument = std::string(12, ' ');
};

void wadm(const Session& s, TextFile* f, const AdminRecord& a);
AdminRecord radm(const Session& s, std::string_view line);

// The two header lines that open every catalogue an import writes.
void wfilhead(Session& s, TextFile* f);

// Sends `warning` once per catalogue when `line` holds "***" within the
// 1-based columns [from, to].
inline constexpr std::string_view kWideCoordinates =
    " NB: Koordinatudskrift for bred. Benyt evt. f\xE6rre decimaler!";
void checkWide(Session& s, std::string_view line, std::size_t from, std::size_t to,
               std::string_view warning = kWideCoordinates);

// A record line being filled column by column: numbers in their formats,
// missing values as the leading characters of the missing-value text. The
// line is formatted where it is written, in the file's write buffer (or in
// a buffer of its own without a file); writeFull or writeTrimmed ends it,
// and nothing else may be written to the file before that.
class RecordLine {
 public:
  static constexpr std::size_t kMaxWidth = 132;
  RecordLine(const Session& s, TextFile* f, std::size_t width, std::string_view type);
  ~RecordLine();  // a line never written is taken back
  RecordLine(const RecordLine&) = delete;
  RecordLine& operator=(const RecordLine&) = delete;
  // The fillers are inline: a record writes several fields with constant
  // columns and widths, and they are the whole work of a converter's loop.
  RecordLine& text(std::size_t col, std::string_view value, std::size_t width) {
    if (col == 0 || col > width_) return *this;
    const std::size_t start = col - 1;
    const std::size_t room = std::min(width, width_ - start);
    const std::size_t n = std::min(room, value.size());
    std::memcpy(p_ + start, value.data(), n);
    std::memset(p_ + start + n, ' ', room - n);
    return *this;
  }
  // The missing text goes in as it stands: text() cuts and pads it to the
  // field, so no cut copy is made for every number written.
  RecordLine& real(std::size_t col, int w, int d, double v) { return realOr(col, w, d, v, missing_); }
  RecordLine& integer(std::size_t col, int w, std::int32_t v) {
    if (missInt(v)) return text(col, missing_, static_cast<std::size_t>(w));
    return count(col, w, v);
  }
  // An integer that is never missing (a rounded real, say).
  RecordLine& count(std::size_t col, int w, std::int64_t v) {
    if (col != 0 && col - 1 + static_cast<std::size_t>(w) <= width_) formatI(p_ + col - 1, w, v);
    return *this;
  }
  // A missing value shown as the given text instead of the missing-value text.
  RecordLine& realOr(std::size_t col, int w, int d, double v, std::string_view missing) {
    if (missReal(v)) return text(col, missing, static_cast<std::size_t>(w));
    if (col != 0 && col - 1 + static_cast<std::size_t>(w) <= width_) formatF(p_ + col - 1, w, d, v);
    return *this;
  }
  // The bytes of a field, for writers with fill rules of their own; null
  // when the field does not lie within the line.
  char* field(std::size_t col, std::size_t width) {
    return col != 0 && col - 1 + width <= width_ ? p_ + col - 1 : nullptr;
  }
  // A text right-aligned in its field, cut on the left when too long.
  RecordLine& rightText(std::size_t col, std::string_view value, std::size_t width) {
    char* f = field(col, width);
    if (!f) return *this;
    if (value.size() > width) value.remove_prefix(value.size() - width);
    std::memset(f, ' ', width - value.size());
    std::memcpy(f + (width - value.size()), value.data(), value.size());
    return *this;
  }
  std::string_view str() const { return {p_, width_}; }
  void writeFull();
  void writeTrimmed();

 private:
  TextFile* f_;
  char* p_;
  std::size_t width_;
  std::string_view missing_;  // the parameter set's missing-value text
  bool pending_;
  char own_[kMaxWidth];
};
}  // namespace kvtconv
