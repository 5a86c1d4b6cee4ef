#include "catalogue/angles.hpp"

#include <cmath>
#include <numbers>

#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr double kPi = std::numbers::pi;

std::int32_t truncated(double v) {
  if (!(std::fabs(v) < 2147483647.0)) return 0;
  return static_cast<std::int32_t>(v);
}

}  // namespace

double frrad(Session& s, double radians) {
  const std::string& unit = s.par.text(par::kAngleUnit);
  const bool gms = sameText(unit, "360 GMS");
  if (sameText(unit, "400 GON")) s.frradFactor = 200;
  else if (sameText(unit, "360 GRAD") || gms) s.frradFactor = 180;
  else if (sameText(unit, "RAD")) s.frradFactor = 1;
  if (!gms) return s.frradFactor * radians / kPi;
  const double g = 180.0 * radians / kPi;
  const double d = std::trunc(g + 1e-13);
  const double sec = (g - d) * 3600.0;
  const double whole = std::trunc(sec + 1e-13);
  const double m = std::trunc(whole / 60.0);
  return d + (100.0 * m + (sec - 60.0 * m)) * 0.0001;
}

Dms convGms(double packed) {
  Dms r{};
  r.degrees = truncated(packed * 0.0001 + 1e-10);
  r.minutes = truncated((packed - 10000.0 * r.degrees) * 0.01 + 1e-10);
  r.seconds = packed - 10000.0 * r.degrees - 100.0 * r.minutes;
  return r;
}

double alfa(double a1, double b1, double a2, double b2, int& error) {
  const double da = a2 - a1, db = b2 - b1;
  error = 0;
  if (std::fabs(da) >= 0.00001) {
    double dir = std::atan(db / da);
    if (da < 0) dir += kPi;
    if (dir < 0) dir += 2 * kPi;
    return dir;
  }
  if (std::fabs(db) >= 0.00001) return db > 0 ? kPi / 2 : 3 * kPi / 2;
  error = 1;
  return 0;
}

double afstan(double a1, double b1, double a2, double b2) {
  const double da = a2 - a1, db = b2 - b1;
  return std::sqrt(db * db + da * da);
}

}  // namespace kvtconv
