#pragma once
// Fields of foreign fixed-column lines, read with the catalogue scanners.
// A field that holds something other than a number or a missing mark is
// reported with its line number and read as missing.
#include <cstdint>
#include <string>
#include <string_view>

namespace kvtconv {

class Session;

class ColumnReader {
 public:
  explicit ColumnReader(Session& s) : s_(s) {}
  void nextLine() { ++line_; }
  long lineNumber() const { return line_; }

  // 1-based columns; a field beyond the line's end is blank.
  double real(std::string_view line, std::size_t col, std::size_t width);
  std::int32_t integer(std::string_view line, std::size_t col, std::size_t width);
  // The field's text, left-justified, cut or padded to `width`.
  std::string text(std::string_view line, std::size_t col, std::size_t fieldWidth,
                   std::size_t width);
  // The real that follows `labelEnd` (0-based index after a label such as
  // "ih" or "SH="), after an optional "=" and blanks.
  double realAfter(std::string_view text, std::size_t labelEnd);

  // " Linie N: " followed by `what`, through the error channel.
  void warn(std::string_view what);
  void unreadable();

 private:
  Session& s_;
  long line_ = 0;
};

std::string_view columns(std::string_view line, std::size_t col, std::size_t width);

// The error line for a value that does not fit the foreign field.
void reportTooWide(Session& s, std::string_view format, std::string_view number);

}  // namespace kvtconv
