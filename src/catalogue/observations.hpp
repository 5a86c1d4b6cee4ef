#pragma once
// Setup, observation and the other non-point records. Writers fill fixed
// columns with the decimals of the parameter set; readers scan tokens in
// field order and return what is absent as missing.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/point.hpp"
#include "catalogue/scan.hpp"

namespace kvtconv {

class Session;
class TextFile;

inline std::string blankText(std::size_t n) { return std::string(n, ' '); }

struct Setup {  // type 2
  std::string station = blankText(12);
  std::string code = blankText(10);
  double instrumentHeight = kMissingReal;
  std::array<std::int32_t, 4> ints = {kMissingInt, kMissingInt, kMissingInt, kMissingInt};
};

struct ReferenceObs {  // type 3
  std::string number = blankText(12);
  std::string code = blankText(10);
  double direction = kMissingReal, zenith = kMissingReal, prismHeight = kMissingReal,
         distance = kMissingReal;
};

struct DetailObs {  // type 4
  std::string number = blankText(12);
  std::string code = blankText(10);
  double direction = kMissingReal, zenith = kMissingReal, prismHeight = kMissingReal,
         distance = kMissingReal, valueA = kMissingReal, valueB = kMissingReal;
  PointExtras extras;
};

struct Orientation {  // type 5
  std::string number = blankText(12);
  std::string code = blankText(10);
  std::array<double, 3> values = {kMissingReal, kMissingReal, kMissingReal};
};

struct Levelling {  // type 7
  std::string number = blankText(12);
  std::string code = blankText(10);
  double height = kMissingReal, distance = kMissingReal;
};

struct MeanValues {  // type 9
  std::array<double, 7> values = {kMissingReal, kMissingReal, kMissingReal, kMissingReal,
                                  kMissingReal, kMissingReal, kMissingReal};
};

struct TextRecord {  // type 10
  std::string code = blankText(10);
  double x = kMissingReal, y = kMissingReal;  // internal order
  double valueA = kMissingReal, valueB = kMissingReal;
  std::int32_t valueC = kMissingInt;
  std::string text = blankText(80);
};

struct LevelReadings {  // type 11
  std::string number = blankText(12);
  std::array<double, 5> readings = {kMissingReal, kMissingReal, kMissingReal, kMissingReal,
                                    kMissingReal};
  double distance = kMissingReal, height = kMissingReal;
  std::string code = blankText(10);
};

struct Vector {  // type 60
  std::string from = blankText(12);
  std::string to = blankText(12);
  std::array<double, 3> components = {kMissingReal, kMissingReal, kMissingReal};
  std::array<double, 3> spreads = {kMissingReal, kMissingReal, kMissingReal};
};

void wsta(Session& s, TextFile* f, Setup& r);
void wken(Session& s, TextFile* f, const ReferenceObs& r);
void wdet(Session& s, TextFile* f, DetailObs& r);
void wort(Session& s, TextFile* f, const Orientation& r);
void wniv(Session& s, TextFile* f, const Levelling& r);
void wmidf(Session& s, TextFile* f, const MeanValues& r);
void wtext(Session& s, TextFile* f, TextRecord& r);
void wna2000(Session& s, TextFile* f, const LevelReadings& r);
void wvector(Session& s, TextFile* f, const Vector& r);
void wdfelt(TextFile* f, std::string_view text);  // type 90
void wnfelt(TextFile* f, std::string_view text);  // type 91

Setup rsta(const Session& s, std::string_view line);
ReferenceObs rken(const Session& s, std::string_view line);
DetailObs rdet(const Session& s, std::string_view line);
Orientation rort(const Session& s, std::string_view line);
Levelling rniv(const Session& s, std::string_view line);
MeanValues rmidf(const Session& s, std::string_view line);
TextRecord rtext(const Session& s, std::string_view line);
LevelReadings rna2000(const Session& s, std::string_view line);
Vector rvector(const Session& s, std::string_view line);

}  // namespace kvtconv
