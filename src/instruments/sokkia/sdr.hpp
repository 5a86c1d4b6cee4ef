#pragma once
// Field layout of the two SDR generations.
#include <cstddef>

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

inline constexpr char kStart = '\x02';
inline constexpr char kEnd = '\x03';

}  // namespace kvtconv::sdr
