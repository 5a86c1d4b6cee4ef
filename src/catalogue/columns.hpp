#pragma once
// Fields of foreign fixed-column lines, read with the catalogue scanners.
// A field that holds something other than a number or a missing mark is
// read as missing, and a diagnostic names its line.
#include <cstdint>
#include <string>
#include <string_view>

#include "kvtconv.hpp"

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

  // A diagnostic about the current line; the host hears nothing of it.
  void note(DiagKind kind, std::string_view what, std::string_view detail = {});
  void unreadable(std::string_view field = {});

 private:
  Session& s_;
  long line_ = 0;
};

std::string_view columns(std::string_view line, std::size_t col, std::size_t width);

// Input text as a diagnostic names it: control bytes of a damaged line
// become '?', and nothing at all reads "(blank)".
std::string shown(std::string_view text);

// A diagnostic for a value that does not fit the foreign field.
void reportTooWide(Session& s, std::string_view format, std::string_view number);

}  // namespace kvtconv
