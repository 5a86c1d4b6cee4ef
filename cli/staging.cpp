#include "staging.hpp"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <unistd.h>

namespace kvtcli {

namespace fs = std::filesystem;

bool appendFile(const std::string& from, std::ostream& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  if (in.peek() == std::ifstream::traits_type::eof()) return true;  // rdbuf of nothing fails
  to << in.rdbuf();
  return static_cast<bool>(to);
}

std::string temporaryBeside(const std::string& path, std::size_t index) {
  const fs::path p(path);
  // Short, so that a name that fits its field still fits while staged.
  const std::string name = ".kvt" + std::to_string(::getpid()) + "-" + std::to_string(index) + ".part";
  return (p.parent_path().empty() ? fs::path(".") / name : p.parent_path() / name).string();
}

void removeQuietly(const std::string& path) {
  std::error_code ec;
  if (!path.empty()) fs::remove_all(path, ec);  // GIS outputs are written in a directory
}

bool install(const std::string& temp, const std::string& final, bool append, std::string& why) {
  std::error_code ec;
  if (append && fs::exists(final)) {
    const std::string joined = temp + ".joined";
    {
      std::ofstream out(joined, std::ios::binary);
      if (!appendFile(final, out) || !appendFile(temp, out) || !out.flush()) {
        why = "could not append to " + final;
        removeQuietly(joined);
        return false;
      }
    }
    removeQuietly(temp);
    fs::rename(joined, final, ec);
    if (ec) removeQuietly(joined);
  } else if (fs::is_directory(temp, ec)) {
    // A GIS format's files, named after the final output.
    for (const auto& e : fs::directory_iterator(temp, ec))
      if (!ec) fs::rename(e.path(), fs::path(final).parent_path() / e.path().filename(), ec);
    if (!ec) removeQuietly(temp);
  } else {
    fs::rename(temp, final, ec);
  }
  if (ec) {
    why = "could not rename to " + final + ": " + ec.message();
    removeQuietly(temp);
    return false;
  }
  return true;
}

StagedOutput::StagedOutput(std::string final, bool append, std::size_t index)
    : final_(std::move(final)), append_(append) {
  temp_ = final_ == "-" ? (fs::temp_directory_path() / ("kvtconv-out-" + std::to_string(::getpid()) + "-" +
                                                        std::to_string(index)))
                              .string()
                        : temporaryBeside(final_, index);
  removeQuietly(temp_);
}

StagedOutput::~StagedOutput() {
  if (!done_) removeQuietly(temp_);
}

bool StagedOutput::commit(std::string& why) {
  done_ = true;
  std::error_code ec;
  if (!fs::exists(temp_, ec)) {
    why = "no output was written";
    return false;
  }
  if (final_ != "-") return install(temp_, final_, append_, why);
  const bool ok = appendFile(temp_, std::cout) && static_cast<bool>(std::cout.flush());
  removeQuietly(temp_);
  if (!ok) why = "could not write to standard output";
  return ok;
}

StagedInput::StagedInput(const std::string& name) {
  if (name != "-") {
    path_ = name;
    return;
  }
  path_ = (fs::temp_directory_path() / ("kvtconv-in-" + std::to_string(::getpid()))).string();
  temporary_ = true;
  std::ofstream out(path_, std::ios::binary | std::ios::trunc);
  if (std::cin.peek() != std::istream::traits_type::eof()) out << std::cin.rdbuf();
  out.flush();
  if (!out) {
    removeQuietly(path_);
    path_.clear();
  }
}

StagedInput::~StagedInput() {
  if (temporary_) removeQuietly(path_);
}

}  // namespace kvtcli
