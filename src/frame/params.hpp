#pragma once
// The numbered system parameters with their defaults and checks, and the
// administration lines of the task.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvtconv {

enum class ParKind {
  Text,   // first token, upper-cased, cut to width
  Digit,  // one digit within [lo, hi]
  YesNo,  // "JA " or "NEJ"
  Angle,  // the angle unit: whole line, one of four words
  Miss,   // missing-value text: may not begin with a digit
  Path,   // directory entry: the line as written (case matters on POSIX)
};

struct ParDef {
  int no;
  ParKind kind;
  int width;
  const char* def;
  int lo = 0;
  int hi = 9;
};

// Parameter numbers the conversions read.
namespace par {
inline constexpr int kAngleUnit = 1, kCoordSystem = 2, kMissingText = 3, kPrintCoordDecimals = 7,
                     kCodeLength = 11, kRightJustify = 42, kHeightDecimals = 46,
                     kAngleDecimals = 47, kDistanceDecimals = 48, kCoordDecimals = 49,
                     kCodeSystem = 70, kOverwriteWarning = 75, kFilterOn = 79, kPointFormat = 121,
                     kObsFormat = 122, kPrintLevelDecimals = 123, kLevelDecimals = 124,
                     kFilterType = 145, kPointTextCode = 146, kHeightTextCode = 147, kGeoDecimals = 169, kCodeLimit = 171, kInfoCodeSystem = 208;
}  // namespace par

inline constexpr std::string_view kYes = "JA ";
inline constexpr std::string_view kNo = "NEJ";

class Params {
 public:
  static constexpr int kMaxNumber = 226;

  Params() { reset(); }
  void reset();

  // A parameter's value as a blank-padded field of its width; blank when unknown.
  const std::string& text(int no) const {
    return no < 1 || no > kMaxNumber ? blankField() : values_[static_cast<std::size_t>(no)];
  }
  int digit(int no) const {
    const std::string& v = text(no);
    return (!v.empty() && v[0] >= '0' && v[0] <= '9') ? v[0] - '0' : 0;
  }
  bool yes(int no) const { return text(no) == kYes; }
  char missingMark() const { return text(par::kMissingText)[0]; }
  std::string missing(std::size_t width) const;  // leading characters of the missing text

  // Directory entry 1..13 and standard extension 1..10.
  const std::string& directory(int entry) const;
  const std::string& extension(int n) const;

  static const ParDef* find(int no);

  enum class Assign { Ok, Bad, Skipped };
  // Sets a parameter from the rest of its VOXA.PAR line (number already
  // blanked). `shown` receives the value as read, for the error line.
  Assign assign(int no, std::string_view rest, std::string& shown);
  void set(int no, std::string_view value);

  // Changes with every change of any value, and no two different sets of
  // values share one, so what is derived from the parameters can be kept
  // and remade only when this differs.
  std::uint64_t version() const { return version_; }

 private:
  static const std::string& blankField();
  void changed();
  std::array<std::string, kMaxNumber + 1> values_;
  std::uint64_t version_ = 0;
};

// chk_sprog: normalises a yes/no answer; false when it is neither.
bool chkSprog(std::string_view answer, std::string& word);

struct AdminData {
  std::array<std::string, 8> lines;  // 80 characters each
  std::string taskName;              // 80
  std::string taskText;              // 12, what import conversions put in point records
  void reset();
  std::string journal() const;   // 8
  std::string initials() const;  // 8
};

}  // namespace kvtconv
