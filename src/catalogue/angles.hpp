#pragma once
// Angle units of the parameter set and two plane-geometry helpers.
#include <cstdint>

namespace kvtconv {

class Session;

// An angle in radians in the session's angle unit. The unit's factor is
// remembered, so an unknown unit text keeps the last known factor.
double frrad(Session& s, double radians);

struct Dms {
  std::int32_t degrees;
  std::int32_t minutes;
  double seconds;
};
// Splits a packed DDDMMSS.s value.
Dms convGms(double packed);

// Direction from point 1 to point 2 in radians, 0 to 2 pi; `error` is 1
// when the points coincide.
double alfa(double a1, double b1, double a2, double b2, int& error);
double afstan(double a1, double b1, double a2, double b2);

}  // namespace kvtconv
