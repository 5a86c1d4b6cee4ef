#pragma once
// One conversion session: everything a run reads and changes, passed
// explicitly. The C exports share one default session; C++ callers may make
// as many as they like, one per thread.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/params.hpp"
#include "frame/textfile.hpp"
#include "kvtconv.hpp"

namespace kvtconv {

// Thrown by wrmsg when the host asks to stop; caught where the run began.
struct HostStop {};

// Where a file that cannot be opened, read or written is reported: an error
// line of the host's, or only a diagnostic where the conversion's own lines
// are fixed and do not include it.
enum class Report { Host, Diagnostic };

// Values of the GSI import that a new run takes over from the last one.
struct GsiCarry {
  std::string pointNumber = std::string(12, ' ');
  double hz = 0, v = 0, slope = 0;    // slope is also the levelling distance
  double east = 0, north = 0, height = 0;  // height is also the levelling height
  double readings[5] = {0, 0, 0, 0, 0};
};

// The column layout of the free-format import, kept from run to run.
struct FreeLayout {
  enum Key { kPoint, kCode, kFirst, kSecond, kHeight, kText, kKeys };
  std::array<int, kKeys> token = {0, 0, 0, 0, 0, 0};  // place in the layout line, 0 = none
  std::array<int, kKeys> first = {80, 80, 80, 80, 80, 80};
  std::array<int, kKeys> last = {80, 80, 80, 80, 80, 80};
  bool pointNumbers = false;  // a layout named PKT
};

// What the point writer takes from the parameters, worked out once for a
// set of parameter values instead of for every record.
struct PointLayout {
  std::uint64_t version = 0;  // of the parameters it was made from; 0 = none
  int coordDecimals = 3, levelDecimals = 3;
  int extent = 2;  // fields written: 0 2D, 1 3D, 2 OPR, 3 RVAL, 4 all
  bool rightJustify = false;
  bool missingStars = false;  // the missing text itself could trip the wide check
  std::string missing;        // the missing-value text, at least 12 bytes
};

// The same for the detail observation writer.
struct DetailLayout {
  std::uint64_t version = 0;
  int angle = 4, distance = 3, height = 2, coord = 3;
  int extent = 3;  // fields past the distance: 0 none (AFS), 1 two values (FT), 2 reals (RVAL), 3 all
  bool missingStars = false;  // the missing text holds a "*": the wide check must look
  std::string missing;        // the missing-value text as the parameter holds it
};

struct FilterRanges {
  std::vector<std::pair<std::string, std::string>> numbers;  // 12-character bounds
  std::vector<std::pair<std::string, std::string>> codes;    // 10-character bounds
};

class Session {
 public:
  explicit Session(Hooks hooks = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Host messages: lines are cut or padded to 80 bytes.
  void wrmsg(std::string_view text);
  void wrerr(std::string_view text);
  // Error lines sent (or that would have been sent) in this run.
  int errorCount() const { return errorCount_; }
  // What the host is not told: to the diagnostics hook only.
  void diag(DiagKind kind, long line, std::string_view what, std::string_view detail = {});
  int writeFailures() const { return writeFailures_; }
  int readFailures() const { return readFailures_; }

  // Open channels of the run.
  TextFile* channel(int ch);
  void attach(int ch, std::unique_ptr<TextFile> file);
  // A failed write shows on closing; it is reported as `to` says.
  // A file that fails on closing is a diagnostic: no host line is meant for it.
  void closeChannel(int ch);
  void closeAll();
  bool isOpen(const std::string& path) const;
  // Files this run reads, opened already or still to come: an output that is
  // one of them (by name or by link) is refused, so no input is ever touched.
  void noteInput(const std::string& path);
  bool isInput(const std::string& path) const;

  const Hooks& hooks() const { return hooks_; }
  const ProgressFn* progress() const { return hooks_.progress ? &hooks_.progress : nullptr; }

  void beginRun();  // per-run counters and message state

  // Run state, reset by every export.
  Params par;
  AdminData adm;
  std::string title = std::string(80, ' ');
  std::string date = std::string(8, ' ');
  std::string time = std::string(8, ' ');
  std::int32_t counter = 0;
  bool errorsSilenced = false;
  bool wideWarned = false;
  bool exchange = false;  // catalogue holds the two plane coordinates swapped
  char axisMark = 'W';
  bool parameterError = false;

  // State that carries from run to run in one session.
  FilterRanges filter;
  int codePending = 0;
  double frradFactor = 0;  // half-turn factor of the last known angle unit
  GsiCarry gsi;
  FreeLayout freeLayout;
  PointLayout pointLayout;
  DetailLayout detailLayout;
  std::string tableDir;  // fallback for fixed-name tables; empty for the C exports

 private:
  Hooks hooks_;
  int errorCount_ = 0;
  int writeFailures_ = 0;
  std::vector<std::string> inputs_;
  int readFailures_ = 0;
  std::map<int, std::unique_ptr<TextFile>> channels_;
};

}  // namespace kvtconv
