#pragma once
// Geodimeter label words: "label=value", one per line in the files we write.
#include <cstdint>
#include <string>
#include <string_view>

namespace kvtconv {

class TextFile;

// One label line with a text value; an all-blank text becomes one blank.
void wgChar(TextFile* f, int label, std::string_view text);
// One label line with a real value in F16.3, trimmed; false when the value
// did not fit and was written as sixteen "*".
bool wgReal(TextFile* f, int label, double value);
// One label line with an integer value in I16, trimmed.
void wgInt(TextFile* f, int label, std::int32_t value);

namespace geo {

// Where a value that begins at `from` ends in a grouped record text. A
// value may hold blanks: it ends at the blank that stands two or three
// characters in front of a "=" (the next label), or at the end.
std::size_t valueEnd(std::string_view record, std::size_t from);

}  // namespace geo

}  // namespace kvtconv
