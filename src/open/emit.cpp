#include "open/emit.hpp"

#include <charconv>
#include <cmath>

#include "catalogue/scan.hpp"
#include "frame/text.hpp"

namespace kvtconv::open {

void appendUtf8(std::string& out, std::string_view latin1) {
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

void appendJsonString(std::string& out, std::string_view text, bool latin1) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else if (latin1) {
          appendUtf8(out, std::string_view(&ch, 1));
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

void appendXml(std::string& out, std::string_view latin1) {
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // XML 1.0 has no place for the other control characters.
        if (c < 0x20 && ch != '\t') out += ' ';
        else appendUtf8(out, std::string_view(&ch, 1));
    }
  }
}

void appendNumber(std::string& out, double v) {
  // Six decimals at most: the catalogue reader's guard against
  // representation error (1e-13) stays out of sight, and a micrometre is
  // finer than any survey.
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  if (r.ec != std::errc{}) {
    out += "0";
    return;
  }
  std::string_view t(buf, static_cast<std::size_t>(r.ptr - buf));
  while (t.back() == '0') t.remove_suffix(1);
  if (t.back() == '.') t.remove_suffix(1);
  if (t == "-0") t = "0";
  out += t;
}

std::string fieldText(std::string_view field, char missingMark) {
  const std::string_view t = trim(field);
  if (t.empty() || t[0] == missingMark) return {};
  return std::string(t);
}

bool present(double v) { return std::isfinite(v) && !missReal(v); }

}  // namespace kvtconv::open
