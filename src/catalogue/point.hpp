#pragma once
// Point records (type 6).
#include <array>
#include <string>
#include <string_view>

#include "catalogue/scan.hpp"

namespace kvtconv {

class Session;
class TextFile;

// Additional values carried by point and detail records.
struct PointExtras {
  std::array<double, 3> reals = {kMissingReal, kMissingReal, kMissingReal};
  std::array<std::int32_t, 2> ints = {kMissingInt, kMissingInt};
};

struct Point {
  std::string number = std::string(12, ' ');
  std::string code = std::string(10, ' ');
  double x = kMissingReal;  // first coordinate, internal order
  double y = kMissingReal;  // second coordinate
  double height = kMissingReal;
  std::string task = std::string(12, ' ');
  PointExtras extras;
};

// Writes a point record. A blank number or code is replaced by the missing
// text, in `p` too.
void wpkt(Session& s, TextFile* f, Point& p);
// How much of a point record its reader needs; scanning stops after it.
enum class PointPart {
  Plane,     // number, code and the first two coordinates (no height)
  Position,  // number, code and the three coordinates
  All,
};

// Whether a reader needs the point's number. One that does not (a pass
// that only measures positions) has the token passed, not read: the
// number field keeps what it held.
enum class PointNumber { Read, Passed };

// Reads a point record whose type field is blanked (or cut off).
Point rpkt(Session& s, std::string_view line, PointPart part = PointPart::All);
// The same into `p`, every field overwritten, for readers that reuse one
// point from record to record.
void rpkt(Session& s, std::string_view line, Point& p, PointPart part = PointPart::All);
void rpkt(Session& s, std::string_view line, Point& p, PointPart part, PointNumber number);

}  // namespace kvtconv
