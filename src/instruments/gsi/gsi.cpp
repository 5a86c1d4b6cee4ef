#include "instruments/gsi/gsi.hpp"

#include <cmath>
#include <algorithm>
#include <cstring>

#include "catalogue/fortran.hpp"
#include "catalogue/scan.hpp"
#include "frame/text.hpp"

namespace kvtconv::gsi {

namespace {

std::size_t wordWidth(int m) { return m == 2 ? 24 : 16; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Sign and data of a word: 8m+1 characters from word column 7.
std::string_view signAndData(std::string_view word, int m) {
  return word.size() < 7 ? std::string_view{} : word.substr(6, static_cast<std::size_t>(8 * m + 1));
}

}  // namespace

void Line::assign(std::string_view raw) {
  text_.assign(raw.substr(0, std::min(raw.size(), kMaxLine)));
  if (!text_.empty() && text_[0] == '"') {
    text_[0] = ' ';
    stgbln(text_);
  }
  wide_ = !text_.empty() && text_[0] == '*';
  const std::size_t given = text_.size();
  text_.resize(kMaxLine, ' ');
  signature_.resize(3 * kSlots);
  // Only the places the last line set are cleared.
  for (int slot = 0; slot < kSlots; ++slot) lastOfNumber_[numberAt_[static_cast<std::size_t>(slot)]] = 0;
  // The line is padded to kMaxLine, so every slot has its three index bytes.
  const std::size_t width = wordWidth(m());
  const char* w = text_.data() + (wide_ ? 1 : 0);
  char* t = signature_.data();
  for (int slot = 1; slot <= kSlots; ++slot, w += width, t += 3) {
    if (w >= text_.data() + given) {
      // This slot and those after it lie in the padding: blank tokens.
      std::fill(t, signature_.data() + signature_.size(), ' ');
      const std::uint32_t blank = tokenCode("   ");
      for (int k = slot; k <= kSlots; ++k) {
        codes_[static_cast<std::size_t>(k - 1)] = blank;
        numberAt_[static_cast<std::size_t>(k - 1)] = kNoNumber;
      }
      break;
    }
    char c0 = w[0], c1 = w[1], c2 = w[2];
    if (c2 == '.' || slot == 1) c2 = ' ';
    if (c0 == '0' && c1 == '0' && c2 == ' ') c0 = c1 = ' ';
    t[0] = c0;
    t[1] = c1;
    t[2] = c2;
    codes_[static_cast<std::size_t>(slot - 1)] = tokenCode(std::string_view(t, 3));
    std::uint8_t number = kNoNumber;
    if (isDigit(c0) && isDigit(c1) && c2 == ' ') {
      number = static_cast<std::uint8_t>((c0 - '0') * 10 + (c1 - '0'));
      lastOfNumber_[number] = static_cast<std::uint8_t>(slot);
    }
    numberAt_[static_cast<std::size_t>(slot - 1)] = number;
  }
}

bool Line::blank() const { return isBlank(text_); }

std::string_view Line::word(int slot) const {
  const std::size_t w = wordWidth(m());
  const std::size_t start = (wide_ ? 1 : 0) + w * static_cast<std::size_t>(slot - 1);
  return std::string_view(text_).substr(std::min(start, text_.size()), w);
}

int Line::find(std::string_view index) const {
  if (index.size() == 2 && isDigit(index[0]) && isDigit(index[1]))
    return lastOfNumber_[static_cast<std::size_t>((index[0] - '0') * 10 + (index[1] - '0'))];
  char want[3] = {' ', ' ', ' '};
  for (std::size_t k = 0; k < 3 && k < index.size(); ++k) want[k] = index[k];
  const std::uint32_t code = tokenCode(std::string_view(want, 3));
  for (int slot = kSlots; slot >= 1; --slot)
    if (codes_[static_cast<std::size_t>(slot - 1)] == code) return slot;
  return 0;
}

namespace {

// The usual data: a sign and all its digits, read as the general number
// reader reads them (with its guard) without looking for anything else; the
// conversion of the whole number rounds correctly, as that reader does.
bool signedDigits(std::string_view data, int m, double& v) {
  std::uint64_t digits = 0;
  if (data.size() != static_cast<std::size_t>(8 * m + 1) || (data[0] != '+' && data[0] != '-') ||
      !allDigits(data.substr(1), digits))
    return false;
  v = static_cast<double>(digits) + 1e-13;
  if (data[0] == '-') v = -v;
  return true;
}

}  // namespace

double scaled(std::string_view word, int m, bool& ok, bool& knownUnit) {
  const std::string_view data = signAndData(word, m);
  double v = 0;
  if (signedDigits(data, m, v)) {
    ok = true;
  } else {
    std::size_t pos = 1;
    int err = 0;
    v = rdrtas(data, pos, err);
    ok = err == 0;
  }
  if (!ok) return kMissingReal;
  double scale = word.size() > 5 ? unitScale(word[5]) : 0.0;
  knownUnit = scale != 0.0;
  if (!knownUnit) scale = 1000.0;  // an unknown unit reads as millimetres
  return v / scale;
}

double raw(std::string_view word, int m, bool& ok) {
  const std::string_view data = signAndData(word, m);
  double v = 0;
  if (signedDigits(data, m, v)) {  // the minus below is the sign then
    ok = true;
    return v;
  }
  char t[32];  // at most 17 characters
  const std::size_t n = std::min(data.size(), sizeof t);
  std::memcpy(t, data.data(), n);
  const std::string_view text(t, n);
  const auto minus = text.find('-');
  if (minus != std::string_view::npos) t[minus] = '0';
  std::size_t pos = 1;
  int err = 0;
  v = rdrtas(text, pos, err);
  ok = err == 0;
  if (!ok) return kMissingReal;
  return minus != std::string_view::npos ? -v : v;
}

std::int32_t integer(std::string_view word, int m, bool& ok) {
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t v = rditas(signAndData(word, m), pos, err);
  ok = err == 0;
  return v;
}

std::string text(std::string_view word, int m, std::size_t width) {
  // The data with blanks read as zeros and its leading zeros dropped.
  const std::string_view raw = word.size() > 7 ? word.substr(7, static_cast<std::size_t>(8 * m)) : std::string_view{};
  char data[16];
  const std::size_t n = static_cast<std::size_t>(8 * m);
  for (std::size_t k = 0; k < n; ++k) data[k] = k < raw.size() && raw[k] != ' ' ? raw[k] : '0';
  std::size_t first = 0;
  while (first < n && data[first] == '0') ++first;
  if (first == n) return fixed("-", width);
  return fixed(std::string_view(data + first, n - first), width);
}

namespace {

// Turns blanks of [from, to) into `c`.
void blanksTo(char* slot, std::size_t from, std::size_t to, char c) {
  for (std::size_t i = from; i < to; ++i)
    if (slot[i] == ' ') slot[i] = c;
}

}  // namespace

bool pointWord(char* slot, int m, int index, int block, std::string_view number) {
  if (index < 1 || index > 99 || block < 0 || block > 9999) return false;
  const std::size_t w = wordWidth(m), data = static_cast<std::size_t>(8 * m);
  // Index and block zero-filled, as every blank of the word becomes a zero.
  formatZeroFilled(slot, 2, static_cast<std::uint64_t>(index));
  formatZeroFilled(slot + 2, 4, static_cast<std::uint64_t>(block));
  slot[6] = '+';
  const std::string_view body = trimField(number);
  const std::string_view tail = body.size() <= data ? body : body.substr(body.size() - data);
  std::fill_n(slot + 7, data - tail.size(), '0');
  char* t = slot + 7 + (data - tail.size());
  for (const char c : tail) *t++ = c == ' ' ? '0' : c;
  slot[w - 1] = ' ';
  return true;
}

bool measureWord(char* slot, int m, int index, int unit, double value) {
  if (index < 1 || index > 99 || unit < 0 || unit > 9999) return false;
  const std::size_t w = wordWidth(m), data = static_cast<std::size_t>(8 * m);
  slot[0] = static_cast<char>('0' + index / 10);
  slot[1] = static_cast<char>('0' + index % 10);
  if (unit <= 9) {  // the usual one digit, without formatting
    std::memcpy(slot + 2, "...", 3);
    slot[5] = static_cast<char>('0' + unit);
  } else {
    formatI(slot + 2, 4, unit);
    blanksTo(slot, 2, 6, '.');
  }
  // unitScale of the last digit, an unknown unit as millimetres.
  static constexpr auto kScale = [] {
    std::array<double, 10> t{};
    for (std::size_t k = 0; k < t.size(); ++k) {
      const double s = unitScale(static_cast<char>('0' + k));
      t[k] = s == 0.0 ? 1000.0 : s;
    }
    return t;
  }();
  const double magnitude = std::fabs(value * kScale[static_cast<std::size_t>(unit % 10)]);
  // GSI-8 data rounds half away from zero; GSI-16 data as an F field without
  // decimals does (ties to even; from 2^52 on every double is whole). Both
  // from the nearest whole number with ties to even: a tie it took down is
  // the one half away from zero takes up (the difference is exact).
  double whole = magnitude;
  if (magnitude < 0x1p52) {
    whole = nearestWhole(magnitude);
    if (m == 1 && magnitude - whole == 0.5) whole += 1.0;
  }
  // Zero carries "-", as does a value that only the reader's guard lifts
  // above zero: zero at the word's resolution, rounded half away (below a
  // half, that is).
  slot[6] = (value > 0 && magnitude >= 0.5) ? '+' : '-';
  if (whole < 1e19) formatZeroFilled(slot + 7, static_cast<int>(data), static_cast<std::uint64_t>(whole));
  else std::fill_n(slot + 7, data, '*');  // also what is not a number
  slot[w - 1] = ' ';
  return true;
}

}  // namespace kvtconv::gsi
