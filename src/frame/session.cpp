#include "frame/session.hpp"

#include <filesystem>

#include "catalogue/scan.hpp"
#include "frame/text.hpp"

namespace kvtconv {

Session::Session(Hooks hooks) : hooks_(std::move(hooks)) {
  adm.reset();
}

Session::~Session() = default;

void SessionDeleter::operator()(Session* s) const noexcept { delete s; }

SessionHandle newSession(Hooks hooks) { return SessionHandle(new Session(std::move(hooks))); }

int errorCount(const Session& s) { return s.errorCount(); }

int writeFailures(const Session& s) { return s.writeFailures(); }

int readFailures(const Session& s) { return s.readFailures(); }

void setTableDirectory(Session& s, std::string_view dir) { s.tableDir = std::string(dir); }

void Session::beginRun() {
  counter = 0;
  errorCount_ = 0;
  inputs_.clear();
  writeFailures_ = 0;
  readFailures_ = 0;
  errorsSilenced = false;
  wideWarned = false;
}

void Session::wrmsg(std::string_view text) {
  const std::string line = fixed(text, 80);
  if (hooks_.message && hooks_.message(line) == 1) throw HostStop{};
}

void Session::wrerr(std::string_view text) {
  ++errorCount_;
  if (errorsSilenced) return;
  const std::string line = fixed(text, 80);
  if (hooks_.error && hooks_.error(line) == 1) errorsSilenced = true;
}

void Session::diag(DiagKind kind, long line, std::string_view what, std::string_view detail) {
  if (kind == DiagKind::WriteFailed) ++writeFailures_;
  if (kind == DiagKind::ReadFailed) ++readFailures_;
  if (hooks_.diagnostic) hooks_.diagnostic(Diagnostic{kind, line, what, detail});
}

TextFile* Session::channel(int ch) {
  const auto it = channels_.find(ch);
  return it == channels_.end() ? nullptr : it->second.get();
}

void Session::attach(int ch, std::unique_ptr<TextFile> file) {
  if (file) file->setProgress(progress());
  channels_[ch] = std::move(file);
}

void Session::closeChannel(int ch) {
  const auto it = channels_.find(ch);
  if (it == channels_.end()) return;
  const std::unique_ptr<TextFile> file = std::move(it->second);
  channels_.erase(it);
  // A failed write reaches no host line; the output is incomplete.
  if (file && !file->close() && file->writable())
    diag(DiagKind::WriteFailed, 0, "file could not be written", file->path());
}

void Session::closeAll() {
  while (!channels_.empty()) closeChannel(channels_.begin()->first);
}

void Session::noteInput(const std::string& path) {
  if (!path.empty() && path[0] != '-') inputs_.push_back(path);
}

bool Session::isInput(const std::string& path) const {
  for (const std::string& in : inputs_) {
    std::error_code ec;
    if (in == path || std::filesystem::equivalent(in, path, ec)) return true;
  }
  return false;
}

bool Session::isOpen(const std::string& path) const {
  for (const auto& [ch, f] : channels_) {
    if (!f) continue;
    std::error_code ec;
    if (f->path() == path || std::filesystem::equivalent(f->path(), path, ec)) return true;
  }
  return false;
}

}  // namespace kvtconv
