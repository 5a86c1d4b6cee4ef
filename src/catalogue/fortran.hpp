#pragma once
// Fixed-width number fields as the catalogue writes them: Fw.d and Iw.
#include <cstdint>
#include <string>

namespace kvtconv {

// Writes `v` right-aligned in `w` characters with `d` decimals at out[0..w).
// A value that does not fit (or is not finite) becomes w "*"; returns false then.
bool formatF(char* out, int w, int d, double v);
bool formatI(char* out, int w, std::int64_t v);
// `v` in `w` digits with leading zeros, as instrument words carry numbers;
// w "*" when it has more digits (false then).
bool formatZeroFilled(char* out, int w, std::uint64_t v);
// The integer nearest to `v`, ties to even, as an F field with no decimals
// rounds; for |v| < 2^52.
double nearestWhole(double v);

// The same as texts of exactly `w` characters, for messages and lines
// built piece by piece.
std::string fieldF(double v, int w, int d);
std::string fieldI(std::int64_t v, int w);

// Convenience forms that place the field at 1-based column `col` of `line`.
bool putF(std::string& line, std::size_t col, int w, int d, double v);
bool putI(std::string& line, std::size_t col, int w, std::int64_t v);

}  // namespace kvtconv
