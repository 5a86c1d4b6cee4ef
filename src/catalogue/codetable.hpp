#pragma once
// The code table: point codes of the catalogue with their DSFL feature codes
// and drawing attributes. One reader learns which of the three layouts a
// table has (layout lines, classic, wide) and then cuts entries by it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvtconv {

class TextFile;

struct CodeEntry {
  std::string code = std::string(10, ' ');
  std::string k = std::string(2, ' ');  // %K, first part of the feature code
  std::string u = std::string(7, ' ');  // %U, second part
  std::int32_t acc = 0, level = 0, colour = 0, style = 0, weight = 0, font = 0;
  std::string cell = std::string(6, ' ');
  std::int32_t textSize = 100, textSize2 = 100;  // hundredths
  std::string remark = std::string(40, ' ');
  std::string theme = std::string(3, ' ');
};

struct CodeLayout {
  struct Column {
    int first = 0, last = 0;  // 1-based character positions
    bool present = false;
  };
  static constexpr std::size_t kColumns = 13;
  std::array<Column, kColumns> columns{};
  bool layoutLines = false;  // entries are the lines that begin with "*"
  bool wide = false;
};

// Reads the open table once to learn its layout, then rewinds it.
CodeLayout initCodeTab(TextFile* f);
// Cuts one table line into `e`; false when the line is not an entry. Fields
// of absent columns keep what `e` held.
bool rcode(const CodeLayout& layout, std::string_view line, CodeEntry& e);
// Writes one entry in the classic layout.
void wcode(TextFile* f, const CodeEntry& e);

}  // namespace kvtconv
