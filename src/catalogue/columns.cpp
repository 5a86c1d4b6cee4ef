#include "catalogue/columns.hpp"

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
  if (err == 1 && !onlyDashes(field)) unreadable();
  return v;
}

std::int32_t ColumnReader::integer(std::string_view line, std::size_t col, std::size_t width) {
  const std::string_view field = columns(line, col, width);
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t v = rditas(field, pos, err);
  if (err == 1 && !onlyDashes(field)) unreadable();
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
  if (err != 0) unreadable();
  return v;
}

void ColumnReader::warn(std::string_view what) {
  std::string line = " Linie ";
  line += std::to_string(line_);
  line += ": ";
  line += what;
  s_.wrerr(line);
}

void ColumnReader::unreadable() { warn("tal kan ikke l\xE6ses, skrives som manglende"); }

void reportTooWide(Session& s, std::string_view format, std::string_view number) {
  std::string line = " NB: V\xE6rdi for bred til ";
  line += format;
  line += "-linien, punkt: ";
  line += rtrim(number);
  s.wrerr(line);
}

}  // namespace kvtconv
