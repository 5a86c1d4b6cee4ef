#pragma once
// Eight bytes at a time: masks with the high bit set in the bytes sought.
// A scanner loads eight bytes, asks which of them are of a kind, and looks
// at single bytes only where the answer is not "none".
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kvtconv::bytes {

inline std::uint64_t load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}

constexpr std::uint64_t every(unsigned char c) { return 0x0101010101010101ull * c; }

// Bytes below c (at most 0x80). The first is marked exactly; a borrow may
// mark bytes after it too, so use the mask for "any" or for the first.
inline std::uint64_t below(std::uint64_t x, unsigned char c) { return (x - every(c)) & ~x & every(0x80); }

// Bytes equal to c, in the same way: exact up to the first.
inline std::uint64_t equal(std::uint64_t x, unsigned char c) { return below(x ^ every(c), 1); }

// Bytes other than c, every one exactly (no carry crosses a byte).
inline std::uint64_t otherEach(std::uint64_t x, unsigned char c) {
  const std::uint64_t t = x ^ every(c);
  return (((t & every(0x7F)) + every(0x7F)) | t) & every(0x80);
}

// Bytes equal to c, every one exactly.
inline std::uint64_t equalEach(std::uint64_t x, unsigned char c) { return otherEach(x, c) ^ every(0x80); }

// Where the first marked byte is in memory order (little-endian); 8 when
// none is.
inline std::size_t first(std::uint64_t mask) { return static_cast<std::size_t>(std::countr_zero(mask)) / 8; }

// n bytes of c from dst: for n <= 16 by two fixed stores that may overlap,
// as a field's blanks are written.
inline void fill(char* dst, char c, std::size_t n) {
  const std::uint64_t word = every(static_cast<unsigned char>(c));
  if (n > 16) {
    std::memset(dst, c, n);
  } else if (n >= 8) {
    std::memcpy(dst, &word, 8);
    std::memcpy(dst + n - 8, &word, 8);
  } else if (n >= 4) {
    std::memcpy(dst, &word, 4);
    std::memcpy(dst + n - 4, &word, 4);
  } else {
    for (std::size_t k = 0; k < n; ++k) dst[k] = c;
  }
}

// n <= 32 bytes from src to dst (not overlapping) by two fixed copies that
// may overlap each other: a word, a field or a number is copied inline
// instead of by a call that first sorts out its size.
inline void copySmall(char* dst, const char* src, std::size_t n) {
  if (n >= 16) {
    std::memcpy(dst, src, 16);
    std::memcpy(dst + n - 16, src + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(dst, src, 8);
    std::memcpy(dst + n - 8, src + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(dst, src, 4);
    std::memcpy(dst + n - 4, src + n - 4, 4);
  } else {
    for (std::size_t k = 0; k < n; ++k) dst[k] = src[k];
  }
}

// n bytes from src to dst (not overlapping): the short copies of words,
// fields and numbers inline, longer ones by memcpy.
inline void copy(char* dst, const char* src, std::size_t n) {
  if (n <= 32) copySmall(dst, src, n);
  else std::memcpy(dst, src, n);
}

// A text into a field of N bytes, cut to it: one fixed copy when the text
// has the field's width (or more), as the record model's texts have.
template <std::size_t N>
inline void copyCut(char* dst, const char* src, std::size_t n) {
  if (n >= N) std::memcpy(dst, src, N);
  else std::memcpy(dst, src, n);
}

}  // namespace kvtconv::bytes
