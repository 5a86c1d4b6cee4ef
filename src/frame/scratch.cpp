#include "frame/scratch.hpp"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include "frame/files.hpp"

namespace kvtconv {

namespace {

// Exclusive creation is the lock: two runs can never both succeed.
bool createNew(const std::string& path, bool& taken) {
#ifdef _WIN32
  const int fd = ::_open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  taken = fd < 0 && errno == EEXIST;
  if (fd < 0) return false;
  ::_close(fd);
#else
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
  taken = fd < 0 && errno == EEXIST;
  if (fd < 0) return false;
  ::close(fd);
#endif
  return true;
}

}  // namespace

ScratchFile::ScratchFile(std::string_view dir, std::string_view stem, std::string_view ext) {
  constexpr int kTries = 1000;
  for (int n = 1; n <= kTries; ++n) {
    std::string name(stem);
    if (n > 1) {
      name += '_';
      name += std::to_string(n);
    }
    name += ".";
    name += ext;
    const std::string candidate = dir.empty() ? name : joinPath(dir, name);
    bool taken = false;
    if (createNew(candidate, taken)) {
      path_ = candidate;
      return;
    }
    if (!taken) return;  // the directory itself is the problem
  }
}

ScratchFile::~ScratchFile() {
  if (!path_.empty()) std::remove(path_.c_str());
}

}  // namespace kvtconv
