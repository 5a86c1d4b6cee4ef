#pragma once
// Opening files by name: directory completion, the name switches, the
// overwrite rule, and status codes instead of failures.
#include <string>
#include <string_view>

namespace kvtconv {

class Session;
class Params;

namespace open_status {
inline constexpr int kOpened = 0, kExists = 1, kAlreadyOpen = 2, kMissing = 3, kFailed = 4;
}

enum class Access { Auto, Read, Write };

// Completes a bare name with a directory of the directory table.
std::string getnavn(const Params& par, std::string_view name, int kind);

// Opens `name` on channel `ch`; returns the status. With Access::Auto the
// must-exist modes read and the others write.
int opfile(Session& s, int ch, std::string_view name, int mode, int kind,
           Access access = Access::Auto);

// Joins a directory and a file name the way the host's directories are meant.
std::string joinPath(std::string_view dir, std::string_view name);

// A fixed file name in `dir`: as written if present, else a case-insensitive
// match in the same directory, else as written (for creating it).
std::string findFixedName(std::string_view dir, std::string_view name);

bool hasDirectory(std::string_view name);

// Names a file the run will read after it has opened its outputs, so that
// no output of the run may be that file.
void expectInput(Session& s, std::string_view name, int kind);

}  // namespace kvtconv
