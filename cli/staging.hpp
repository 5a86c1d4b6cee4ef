#pragma once
// Outputs are written under a temporary name beside the file asked for and
// put in place only when the run went well, so a failed run never leaves an
// empty or partial file. "-" stands for standard input or output.
#include <cstddef>
#include <iosfwd>
#include <string>

namespace kvtcli {

// A hidden name in the directory of `path`, distinct per process and index.
std::string temporaryBeside(const std::string& path, std::size_t index);
void removeQuietly(const std::string& path);
// Adds the bytes of `from` to `to`.
bool appendFile(const std::string& from, std::ostream& to);
// `temp` becomes `final`: under append mode after what `final` held.
bool install(const std::string& temp, const std::string& final, bool append, std::string& why);

class StagedOutput {
 public:
  // `final` is the file asked for ("-": standard output); `index` keeps the
  // temporary names of several outputs of one process apart.
  StagedOutput(std::string final, bool append, std::size_t index = 0);
  ~StagedOutput();
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // The name the conversion writes.
  const std::string& path() const { return temp_; }
  // Puts the output in place; false with `why` when it cannot.
  bool commit(std::string& why);

 private:
  std::string final_, temp_;
  bool append_;
  bool done_ = false;
};

// Standard input copied to a temporary file when the input is "-"; else the
// name as given.
class StagedInput {
 public:
  explicit StagedInput(const std::string& name);
  ~StagedInput();
  StagedInput(const StagedInput&) = delete;
  StagedInput& operator=(const StagedInput&) = delete;
  const std::string& path() const { return path_; }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
  bool temporary_ = false;
};

}  // namespace kvtcli
