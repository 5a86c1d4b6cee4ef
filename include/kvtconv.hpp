#pragma once
// C++ interface of kvtconv: independent sessions and one call per conversion.
// Each call is one complete run; it never throws. Texts are Latin-1 bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The core is built with hidden visibility; what is declared here may leave
// libkvtconv++, whose version script then picks the exact exports.
#if !defined(_WIN32)
#pragma GCC visibility push(default)
#endif

namespace kvtconv {

// What a run knows beyond the lines it sends to the host: values read as
// missing, lines that matched nothing, data dropped or cut. The C exports
// never forward these; the command-line tool shows them as warnings.
enum class DiagKind {
  Unreadable,   // a value that is not a number, read as missing
  Unmatched,    // an input line or record the format does not know
  Dropped,      // data read but not written
  Truncated,    // a value cut to fit its field
  TooWide,      // a value too wide for its field, written as "*"
  WriteFailed,  // an output could not be written or closed, or the run stopped early:
                // the output is incomplete
  ReadFailed,   // an input could not be opened or read to its end: the output lacks the rest
  Note,         // anything else worth knowing
};

struct Diagnostic {
  DiagKind kind;
  long line;               // 1-based line of the main input, 0 when none applies
  std::string_view what;   // what happened, the same for every occurrence of its kind
  std::string_view detail; // what this occurrence is about (words, labels, a value)
};

struct Hooks {
  // Receive one 80-byte line; return 1 to stop the run (message) or to
  // silence further error lines of the run (error).
  std::function<int(std::string_view line)> message;
  std::function<int(std::string_view line)> error;
  // Bytes of the main input consumed so far, and its size (0 if unknown).
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  std::function<void(const Diagnostic&)> diagnostic;
};

class Session;
struct SessionDeleter {
  void operator()(Session* s) const noexcept;
};
using SessionHandle = std::unique_ptr<Session, SessionDeleter>;

// A fresh session. What carries from run to run (filter ranges, code state,
// remembered layouts) carries within one session only.
SessionHandle newSession(Hooks hooks = {});
// Error lines the last run sent or would have sent.
int errorCount(const Session& s);
// Diagnostics of kind WriteFailed the last run reported.
int writeFailures(const Session& s);
// Diagnostics of kind ReadFailed the last run reported.
int readFailures(const Session& s);
// A directory for fixed-name tables (GEOLAB.TXT) that the directories of the
// parameter set do not hold. The C exports never set one.
void setTableDirectory(Session& s, std::string_view dir);

void kvt2zeiss(Session& s, std::string_view parDir, std::string_view input,
               std::string_view output);
void zeiss2kvt(Session& s, std::int32_t mode, std::int32_t variant, std::int32_t option,
               std::string_view input, std::string_view output, std::string_view parDir);
void sokkia2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
                std::string_view parDir, std::int32_t keepUnknown);
void leica2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
               std::string_view labels, std::string_view parDir);
void geo2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
             std::string_view labels, std::string_view parDir);
void kvt2geo(Session& s, std::string_view parDir, std::string_view input,
             std::string_view output);
void kvt2leica(Session& s, std::int32_t option, std::string_view parDir, std::string_view input,
               std::string_view output);
void kvt2sokkia(Session& s, std::int32_t variant, std::string_view parDir,
                std::string_view input, std::string_view output);

// The arguments of the DSFL export, in the order of the C export.
struct Kvt2DsflArgs {
  std::int32_t unused = 0;
  std::int32_t filterPrompts = 0;
  std::int32_t heights = 0;        // non-zero: three-dimensional output
  std::int32_t copyFeatureText = 0;  // copy record types 90-92 unchanged
  float closedAsLines = 0;         // non-zero: closed objects as lines, first point repeated
  std::int32_t pointNumberTexts = 0;
  float dGroupMode = 0;
  std::int32_t heightTexts = 0;
  std::int32_t textHeights = 0;
  std::int32_t scale = 0;          // map scale denominator for text heights
  std::string_view origin2, origin1, h1, h3, h2;
  std::string_view parDir, output, input, codeTable, answerFile, reportFile, filterFile;
  // The name the report gives the output when it is written under another
  // one (a temporary file put in place afterwards); empty: `output`.
  std::string_view outputShown;
};
void kvt2dsfl(Session& s, const Kvt2DsflArgs& a);

// The arguments of the DSFL import, in the order of the C export.
struct Dsfl2KvtArgs {
  std::int32_t reportMode = 0;
  float directionPoints = 0;
  float fieldRecords = 0;
  float registerElements = 0;
  std::int32_t elementOffset = 0;
  std::int32_t* linkCounter = nullptr;  // in/out
  std::int32_t buildCodeTable = 0;
  std::int32_t loop8 = 0, loop9 = 0;
  std::string_view parDir, input, codeTable, output, reportFile;
  std::string* designFile = nullptr;  // in/out: on return the attribute database opened
  std::string_view firstPoint;
  // The name the report gives the output catalogue when it is written under
  // another one; empty: `output`.
  std::string_view outputShown;
};
void dsfl2kvt(Session& s, const Dsfl2KvtArgs& a);

void fri2kvt(Session& s, std::int32_t nfiles, std::int32_t option, std::string_view parDir,
             std::string_view fourth, std::string_view listFile, std::string_view output);
void ski2kvt(Session& s, std::string_view input, std::string_view output,
             std::string_view parDir);
void skivec2kvt(Session& s, std::string_view input, std::string_view output,
                std::string_view parDir);
// `ellipsoid` and `projection` are in/out: on return they name what was written.
void kvt2ski(Session& s, std::string& ellipsoid, std::string& projection,
             std::string_view coordType, std::string_view output, std::string_view input,
             std::string_view parDir);

// LandXML 1.2 of a catalogue, one run like the conversions above (the point
// filter applies; coordinates in the internal order, whatever order the
// catalogue's file holds them in; texts as UTF-8; the EPSG code of the
// coordinate system when it has one).
// CgPoint elements ("northing easting elevation"), unique names.
void kvt2landxml(Session& s, std::string_view parDir, std::string_view input,
                 std::string_view output);

}  // namespace kvtconv

#if !defined(_WIN32)
#pragma GCC visibility pop
#endif
