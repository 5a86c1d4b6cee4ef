#pragma once
// Field layout of the two SDR generations.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "frame/bytes.hpp"

namespace kvtconv::sdr {

struct Field {
  std::size_t col;
  std::size_t width;
};

// Columns of one record kind in SDR2 ("2X") and SDR33 ("3X") files.
struct Layout {
  Field station, coord1, coord2, height, instrumentHeight, setupCode;  // 02
  Field prismHeight;                                                   // 03
  Field pressure, temperature;                                         // 05
  Field point, pointCode;                                              // 08 (coordinates as 02)
  Field target, slope, zenith, direction, obsCode;                     // 09
};

inline constexpr Layout kSdr2 = {
    {5, 4},   {9, 10},  {19, 10}, {29, 10}, {39, 10}, {49, 16},  // 02
    {5, 10},                                                   // 03
    {5, 10},  {15, 10},                                        // 05
    {5, 4},   {39, 16},                                        // 08
    {9, 4},   {13, 10}, {23, 10}, {33, 10}, {43, 16},          // 09
};

inline constexpr Layout kSdr33 = {
    {5, 16},  {21, 16}, {37, 16}, {53, 16}, {69, 16}, {85, 16},  // 02
    {5, 16},                                                     // 03
    {5, 16},  {21, 16},                                          // 05
    {5, 16},  {69, 16},                                          // 08
    {21, 16}, {37, 16}, {53, 16}, {69, 16}, {85, 16},            // 09
};

// Blanks become zeros; a minus sign moves to the front of the field, so
// that "-00045.600" stays a number for the instruments and for us.
inline void zeroFill(char* f, std::size_t width) {
  bool negative = false;
  for (std::size_t i = 0; i < width; ++i) {
    if (f[i] == '-') {
      negative = true;
      f[i] = '0';
    }
    if (f[i] == ' ') f[i] = '0';
  }
  if (negative) f[0] = '-';
}

// The same for a number field of 8 to 16 bytes as formatF fills it when
// the value fits: blanks, perhaps a minus, then digits and a point, all
// ASCII. The bytes below '.' are then exactly the blanks and the minus, so
// two words that may overlap are each filled by one mask, and the minus
// is the one of them with the 0x08 bit.
inline void zeroFillNumber(char* f, std::size_t width) {
  if constexpr (std::endian::native != std::endian::little) {
    zeroFill(f, width);
  } else {
    std::uint64_t minus = 0;
    const auto fill = [&minus](std::uint64_t x) {
      // No byte is above 0x7F, so adding leaves every byte's carry in it.
      const std::uint64_t low = ((x + bytes::every(0x80 - '.')) & bytes::every(0x80)) ^ bytes::every(0x80);
      const std::uint64_t mask = (low >> 7) * 0xFF;
      minus |= x & mask;
      return (x & ~mask) | (bytes::every('0') & mask);
    };
    const std::uint64_t a = fill(bytes::load8(f)), b = fill(bytes::load8(f + width - 8));
    std::memcpy(f, &a, 8);
    std::memcpy(f + width - 8, &b, 8);
    if (minus & bytes::every(0x08)) f[0] = '-';
  }
}

inline constexpr char kStart = '\x02';
inline constexpr char kEnd = '\x03';

}  // namespace kvtconv::sdr
