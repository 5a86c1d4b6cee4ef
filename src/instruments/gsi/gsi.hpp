#pragma once
// GSI lines and words: GSI-8 lines carry 16-column words with 8 data
// characters, GSI-16 lines (a leading "*") 24-column words with 16.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvtconv::gsi {

inline constexpr std::size_t kMaxLine = 255;
inline constexpr int kSlots = 10;

class Line {
 public:
  // Takes a raw line: a leading '"' is dropped and the rest shifted left.
  void assign(std::string_view raw);
  bool wide() const { return wide_; }
  int m() const { return wide_ ? 2 : 1; }
  const std::string& text() const { return text_; }
  bool blank() const;

  // The whole word of slot 1..10 (16 or 24 columns).
  std::string_view word(int slot) const;
  // The slot's index as compared with labels: three characters, "00 " and
  // a '.' in the third place read as blanks; slot 1 has no third character.
  std::string_view token(int slot) const {
    return std::string_view(signature_).substr(static_cast<std::size_t>(3 * (slot - 1)), 3);
  }
  // The ten tokens in slot order, 30 characters.
  const std::string& signature() const { return signature_; }
  // The last slot whose token is `index`, or 0.
  int find(std::string_view index) const;

 private:
  // Three token characters as one number, for find.
  static std::uint32_t tokenCode(std::string_view t) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 8 | static_cast<unsigned char>(t[2]);
  }
  std::string text_;
  std::string signature_;
  std::array<std::uint32_t, kSlots> codes_{};
  // The last slot of each two-digit index, or 0: readers ask for a dozen
  // indexes a line, nearly all of them two digits.
  // A spare place for slots without a two-digit index, and what each slot
  // set, so that the next line clears only those.
  static constexpr std::uint8_t kNoNumber = 100;
  std::array<std::uint8_t, 101> lastOfNumber_{};
  std::array<std::uint8_t, kSlots> numberAt_{};
  bool wide_ = false;
};

// Word readers. `ok` is false when the data is not a number.
double scaled(std::string_view word, int m, bool& ok, bool& knownUnit);
double raw(std::string_view word, int m, bool& ok);
std::int32_t integer(std::string_view word, int m, bool& ok);
std::string text(std::string_view word, int m, std::size_t width);

// The divisor that a unit digit stands for; 0 for an unknown digit.
constexpr double unitScale(char unit) {
  switch (unit) {
    case '0': case '1': return 1000.0;
    case '2': case '3': case '4': case '8': return 100000.0;
    case '5': case '6': case '7': return 10000.0;
    default: return 0.0;
  }
}

// Word writers: the point-number word and a measurement word. They return
// false, writing nothing, when the index or the block number does not fit.
bool pointWord(char* slot, int m, int index, int block, std::string_view number);
bool measureWord(char* slot, int m, int index, int unit, double value);

}  // namespace kvtconv::gsi
