#pragma once
// Splitting a point code into base code and code type, and joining them,
// under the four code systems.
#include <string>

namespace kvtconv {

class Session;

// Splits `code` (10 bytes, left-justified in place). Returns 0, or 1 when
// the code does not fit the code system. `base` keeps its value under an
// unknown code system, as callers expect.
int findkod(Session& s, std::string& code, std::string& base, int& type);
// The same, telling in `ordered` whether the split read or changed the
// pending state that earlier codes leave (code system "2"): only a split
// without it may be remembered and used for the same code again.
int findkod(Session& s, std::string& code, std::string& base, int& type, bool& ordered);

// Builds `code` (10 bytes) from a base code and a code type; under code
// system "2" the code is left as it is.
void dankod(const Session& s, std::string& code, const std::string& base, int type);

}  // namespace kvtconv
