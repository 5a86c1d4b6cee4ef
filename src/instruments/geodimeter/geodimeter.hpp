#pragma once
// Geodimeter label words: "label=value", one per line in the files we write.
#include <cstdint>
#include <string>
#include <string_view>

namespace kvtconv {

class TextFile;

// One label line with a text value; an all-blank text becomes one blank.
void wgChar(TextFile* f, int label, std::string_view text);
// One label line with a real value in F16.3, trimmed.
void wgReal(TextFile* f, int label, double value);
// One label line with an integer value in I16, trimmed.
void wgInt(TextFile* f, int label, std::int32_t value);

namespace geo {

// The label code of a word as the conversion file names it: a one-digit
// label with a blank after it, otherwise the two characters in front of the
// first "="; empty for a word that has no label before its "=".
std::string labelCode(std::string_view word);

// The words of a grouped record text. A value may hold blanks: a word ends
// at the blank that stands two or three characters in front of a "=".
template <class F>
void forEachWord(std::string_view record, F&& f) {
  std::size_t start = 0;
  while (start < record.size()) {
    std::size_t end = start;
    while (end < record.size()) {
      if (record[end] == ' ' && ((end + 2 < record.size() && record[end + 2] == '=') ||
                                 (end + 3 < record.size() && record[end + 3] == '=')))
        break;
      ++end;
    }
    f(record.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace geo

}  // namespace kvtconv
