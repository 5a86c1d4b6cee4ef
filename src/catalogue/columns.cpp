#include "catalogue/columns.hpp"

#include <algorithm>

#include "catalogue/scan.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

bool onlyDashes(std::string_view field) {
  const std::string_view t = trim(field);
  return !t.empty() && t.find_first_not_of('-') == std::string_view::npos;
}

}  // namespace

std::string_view columns(std::string_view line, std::size_t col, std::size_t width) {
  if (col == 0 || col > line.size()) return {};
  return line.substr(col - 1, width);
}

double ColumnReader::real(std::string_view line, std::size_t col, std::size_t width) {
  const std::string_view field = columns(line, col, width);
  std::size_t pos = 1;
  int err = 0;
  const double v = rdrtas(field, pos, err);
  if (err == 1 && !onlyDashes(field)) unreadable(field);
  return v;
}

std::int32_t ColumnReader::integer(std::string_view line, std::size_t col, std::size_t width) {
  const std::string_view field = columns(line, col, width);
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t v = rditas(field, pos, err);
  if (err == 1 && !onlyDashes(field)) unreadable(field);
  return v;
}

std::string ColumnReader::text(std::string_view line, std::size_t col, std::size_t fieldWidth,
                               std::size_t width) {
  return fixed(trim(columns(line, col, fieldWidth)), width);
}

double ColumnReader::realAfter(std::string_view text, std::size_t labelEnd) {
  std::size_t pos = labelEnd + 1;
  while (pos <= text.size() && (text[pos - 1] == ' ' || text[pos - 1] == '=')) ++pos;
  int err = 0;
  const double v = rdrtas(text, pos, err);
  if (err != 0) unreadable(trim(text.substr(std::min(labelEnd, text.size()))));
  return v;
}

void ColumnReader::note(DiagKind kind, std::string_view what, std::string_view detail) {
  s_.diag(kind, line_, what, detail);
}

void ColumnReader::unreadable(std::string_view field) {
  note(DiagKind::Unreadable, "value is not a number, read as missing",
       field.empty() ? std::string() : shown(field));
}

std::string shown(std::string_view text) {
  const std::string_view t = trim(text);
  if (t.empty()) return "(blank)";
  std::string out;
  for (const char c : t) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return out;
}

void reportTooWide(Session& s, std::string_view format, std::string_view number) {
  std::string what = "value too wide for the ";
  what += format;
  what += " field, written as *";
  s.diag(DiagKind::TooWide, 0, what, std::string("point ") + std::string(rtrim(number)));
}

}  // namespace kvtconv
