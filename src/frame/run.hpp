#pragma once
// The frame every conversion shares: start, guarded body, end.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/point.hpp"
#include "frame/session.hpp"

namespace kvtconv {


// Title, counter, parameters and date of a new run.
void startRun(Session& s, std::string_view title, std::string_view parDir);

// Runs `body` as one run: a host stop unwinds to here, anything unexpected
// becomes a diagnostic of a failed output, and every file of the run is closed.
void guardedRun(Session& s, const std::function<void()>& body) noexcept;

// The closing line: the counter in columns 1-6 and what was counted.
std::string countLine(std::int32_t counter, std::string_view what = " poster konverteret ...");

// Ends the output channel at its current position.
void endOutput(Session& s, int ch);

// Tells why a file of the run could not be opened; nothing for 0.
void reportOpen(Session& s, int status, std::string_view name, bool input,
                Report to = Report::Host);


struct Point;
class TextFile;

// The start of the point exports: the filter, the catalogue on `in` and
// the instrument file on `out`. An unusable catalogue is reported as
// `inputTo` says; an unusable output file only as a diagnostic.
void beginExport(Session& s, int in, int out, std::string_view input, std::string_view output,
                 Report inputTo);

// The read loop of the point exports: every point record of the catalogue
// that the filter lets through is counted and handed to `fn`; a read error
// ends the loop and is reported as `errorTo` says.
// `part` is what the export uses of each point (the filter needs the number
// and the code, which every part holds).
void forEachPoint(Session& s, TextFile* in, std::string_view inputName, Report errorTo,
                  PointPart part, const std::function<void(Point&)>& fn);

// A read error that ends an import's raw file early.
void reportReadError(Session& s, std::string_view name, long line);

// The start of every instrument import: the raw file on channel `in`, the
// catalogue on `out` in the caller's open mode, the catalogue header and,
// when `source` is not empty, the comment naming the raw file
// ("3==> " + source + the name cut to `nameWidth`). Files that cannot be
// opened are diagnostics: the imports send no error lines of their own.
void beginImport(Session& s, int in, int out, std::string_view input, std::string_view output,
                 std::int32_t mode, std::string_view source = {}, std::size_t nameWidth = 0);

}  // namespace kvtconv
