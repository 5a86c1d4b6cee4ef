#include "frame/run.hpp"

#include <new>

#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/filter.hpp"
#include "frame/files.hpp"
#include "frame/parfiles.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

void startRun(Session& s, std::string_view title, std::string_view parDir) {
  s.title = fixed(title, 80);
  s.beginRun();
  getpar(s, parDir);
}

void guardedRun(Session& s, const std::function<void()>& body) noexcept {
  // The host hears only the lines of the formats; the outputs are incomplete.
  constexpr std::string_view kStopped = "internal error, the run stopped early";
  try {
    try {
      body();
    } catch (const HostStop&) {
      // The host asked to stop: nothing more is sent.
    } catch (const std::bad_alloc&) {
      s.diag(DiagKind::WriteFailed, 0, kStopped, "out of memory");
    } catch (const std::exception& e) {
      s.diag(DiagKind::WriteFailed, 0, kStopped, e.what());
    } catch (...) {
      s.diag(DiagKind::WriteFailed, 0, kStopped);
    }
  } catch (...) {
    // Even the error line failed (the host stopped us while reporting).
  }
  s.closeAll();
}

std::string countLine(std::int32_t counter, std::string_view what) {
  std::string line(80, ' ');
  formatI(line.data(), 6, counter);
  putField(line, 7, what, 74);
  return line;
}

void endOutput(Session& s, int ch) {
  if (TextFile* f = s.channel(ch)) f->endHere();
}

namespace {

void openDiagnostic(Session& s, int status, const std::string& name, bool input) {
  const DiagKind kind = input ? DiagKind::ReadFailed : DiagKind::WriteFailed;
  switch (status) {
    case open_status::kExists:
      s.diag(kind, 0, "file exists and is not overwritten", name);
      return;
    case open_status::kAlreadyOpen:
      s.diag(kind, 0, "file is already open in this run", name);
      return;
    case open_status::kMissing:
      s.diag(kind, 0, "file does not exist", name);
      return;
    default:
      s.diag(kind, 0, input ? "file cannot be read" : "file cannot be written", name);
      return;
  }
}

}  // namespace

void reportOpen(Session& s, int status, std::string_view name, bool input, Report to) {
  const std::string n(trim(name));
  if (status == open_status::kOpened) return;
  if (to == Report::Diagnostic) {
    openDiagnostic(s, status, n, input);
    return;
  }
  switch (status) {
    case open_status::kExists:
      s.wrerr(" Filen findes i forvejen og overskrives ikke: " + n);
      return;
    case open_status::kAlreadyOpen:
      s.wrerr(" Filen er allerede \xE5" "ben: " + n);
      return;
    case open_status::kMissing:
      s.wrerr(" Filen findes ikke: " + n);
      return;
    default:
      s.wrerr(std::string(input ? " Filen kan ikke l\xE6" "ses: " : " Filen kan ikke skrives: ") + n);
      return;
  }
}


void beginExport(Session& s, int in, int out, std::string_view input, std::string_view output,
                 Report inputTo) {
  setfil(s);
  reportOpen(s, opfile(s, in, input, 1, 8), input, true, inputTo);
  reportOpen(s, opfile(s, out, output, -1, 6), output, false, Report::Diagnostic);
}

void reportReadError(Session& s, std::string_view name, long line) {
  s.diag(DiagKind::ReadFailed, line, "read error, the rest of the file is not converted",
         trim(name));
}

void forEachPoint(Session& s, TextFile* in, std::string_view inputName, Report errorTo,
                  PointPart part, const std::function<void(Point&)>& fn) {
  std::string_view line;
  int type = 0;
  Point p;  // one point read into again and again
  for (long lineNo = 1;; ++lineNo) {
    const ReadStatus st = rdrec(in, line, 80, type);
    if (st == ReadStatus::End) break;
    if (st == ReadStatus::Error) {
      if (errorTo == Report::Host)
        s.wrerr(" Fejl ved l\xE6sning af katalog: " + std::string(trim(inputName)));
      else
        reportReadError(s, inputName, lineNo);
      break;
    }
    if (type != 6) continue;
    rpkt(s, line, p, part);
    if (filter(s, p.number, p.code)) continue;
    ++s.counter;
    fn(p);
  }
}

void beginImport(Session& s, int in, int out, std::string_view input, std::string_view output,
                 std::int32_t mode, std::string_view source, std::size_t nameWidth) {
  reportOpen(s, opfile(s, in, input, 1, 6), input, true, Report::Diagnostic);
  reportOpen(s, opfile(s, out, output, mode, 7, Access::Write), output, false, Report::Diagnostic);
  wfilhead(s, s.channel(out));
  if (!source.empty()) wkom(s.channel(out), "3==> " + std::string(source) + fixed(trim(input), nameWidth));
}

}  // namespace kvtconv
