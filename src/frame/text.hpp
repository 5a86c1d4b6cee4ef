#pragma once
// Fixed-width Latin-1 text helpers. Texts are byte strings; a field of
// width w is a std::string of exactly w bytes, blank padded.
#include <cstddef>
#include <string>
#include <string_view>

namespace kvtconv {

// Cut or blank-pad to exactly `width` bytes.
std::string fixed(std::string_view s, std::size_t width);
void setFixed(std::string& field, std::string_view s);  // keeps field.size()

std::string_view rtrim(std::string_view s);
std::string_view trim(std::string_view s);
bool isBlank(std::string_view s);

// Text comparison that ignores trailing blanks, as fixed fields compare.
bool sameText(std::string_view a, std::string_view b);

// 1-based positions of the first and last non-blank byte; (1,1) when blank.
struct Span {
  int first;
  int last;
};
Span chrnbl(std::string_view s);

void hjuster(std::string& s);  // right-justify in place
void stgbln(std::string& s);   // left-justify in place
void fill(std::string& s, char c);

char upperLatin1(char c);
char lowerLatin1(char c);
void low2up(std::string& s);
void up2low(std::string& s);
// DOS code page 865 Danish letters to Latin-1.
void dkdoswin(std::string& s);

// Place `text` at 1-based column `col` of `line`, cut or padded to `width`.
void putField(std::string& line, std::size_t col, std::string_view text, std::size_t width);

}  // namespace kvtconv
