#include "frame/run.hpp"

#include <new>

#include "catalogue/fortran.hpp"
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
  try {
    try {
      body();
    } catch (const HostStop&) {
      // The host asked to stop: nothing more is sent.
    } catch (const std::bad_alloc&) {
      s.wrerr(" Intern fejl: ikke nok hukommelse");
    } catch (const std::exception& e) {
      s.wrerr(std::string(" Intern fejl: ") + e.what());
    } catch (...) {
      s.wrerr(" Intern fejl");
    }
  } catch (...) {
    // Even the error line failed (the host stopped us while reporting).
  }
  s.closeAll();
}

std::string countLine(std::int32_t counter) {
  std::string line(80, ' ');
  formatI(line.data(), 6, counter);
  putField(line, 7, " poster konverteret ...", 74);
  return line;
}

void endOutput(Session& s, int ch) {
  if (TextFile* f = s.channel(ch)) f->endHere();
}

void reportOpen(Session& s, int status, std::string_view name, bool input) {
  const std::string n(trim(name));
  switch (status) {
    case open_status::kOpened: return;
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


}  // namespace kvtconv
