#pragma once
// A scratch file of one run: created so that no other run can own the same
// name, removed when the run lets go of it, whichever way the run ends.
#include <string>
#include <string_view>

namespace kvtconv {

class ScratchFile {
 public:
  // Tries `stem.ext` in `dir`, then `stem_2.ext`, `stem_3.ext`, ... while
  // the name is taken, say by a run of another session. The file is created
  // empty; path() is empty when no name could be created.
  ScratchFile(std::string_view dir, std::string_view stem, std::string_view ext);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kvtconv
