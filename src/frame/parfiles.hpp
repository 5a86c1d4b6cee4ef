#pragma once
#include <string_view>

namespace kvtconv {

class Session;

// Resets the parameter set and loads VOXA.ADM and VOXA.PAR from `dir`.
void getpar(Session& s, std::string_view dir);
// Reads VOXA.PAR at `path` into the parameter set.
void rpar(Session& s, const std::string& path);
// Sets the run's date (YYYYMMDD) and time (HHMM and four blanks).
void dattid(Session& s);

}  // namespace kvtconv
