#include "frame/files.hpp"

#include <filesystem>

#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kNameWidth = 255;

std::string upper(std::string_view s) {
  std::string u(s);
  low2up(u);
  return u;
}

int entryForExtension(const Params& par, std::string_view ext) {
  struct Map {
    std::string_view ext;
    int entry;
  };
  static constexpr Map kMap[] = {
      {".LAB", 2}, {".KOD", 2}, {".TAB", 2}, {".SYM", 2}, {".SVA", 2}, {".TMP", 3},
      {".BAK", 3}, {".RES", 4}, {".PLT", 5}, {".GEO", 6}, {".GE3", 6}, {".GL1", 6},
      {".SDR", 6}, {".DAT", 6}, {".OBS", 7}, {".PKT", 8}, {".FOR", 8}, {".FIX", 9},
      {".FAS", 9}, {".MIF", 10}, {".DGN", 10}, {".CEL", 10}, {".MAK", 11}, {".DSF", 13},
  };
  for (const auto& m : kMap)
    if (m.ext == ext) return m.entry;
  if (ext.size() == 4 && ext[0] == '.') {
    for (int n = 2; n <= 10; ++n) {
      const std::string_view std = rtrim(par.extension(n));
      if (!std.empty() && upper(std) == ext.substr(1)) return n;
    }
  }
  return 0;
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
// The host's own rule: a backslash or a drive colon means the name says
// where it lives.
constexpr std::string_view kDirectoryMarks = "\\:";
#else
constexpr char kSeparator = '/';
constexpr std::string_view kDirectoryMarks = "/\\:";
#endif

// Removes a switch such as "/OW" and everything after it. Where "/" is the
// directory separator a blank must stand before it, so that ordinary paths
// never trigger it.
bool takeSwitch(std::string& name, std::string_view sw) {
#ifdef _WIN32
  std::string key;
#else
  std::string key(1, ' ');
#endif
  key += sw;
  // The switches are the texts as written: "/append" is part of a name.
  const auto at = name.find(key);
  if (at == std::string::npos) return false;
  name.erase(at);
  return true;
}

}  // namespace

bool hasDirectory(std::string_view name) {
  return name.find_first_of(kDirectoryMarks) != std::string_view::npos;
}

std::string joinPath(std::string_view dir, std::string_view name) {
  // An empty directory is the root, as the host's "\NAME" means.
  std::string out(rtrim(dir));
  if (out.empty() || (out.back() != '/' && out.back() != '\\')) out += kSeparator;
  out += name;
  return out;
}

std::string getnavn(const Params& par, std::string_view name, int kind) {
  const std::string_view body = trim(name);
  if (hasDirectory(body)) return std::string(body);
  int entry = 0;
  if (body.size() > 4) {
    const std::string ext = upper(body.substr(body.size() - 4));
    if (ext == ".ADM" || ext == ".PAR" || ext == ".PRJ" || ext == ".HLP") return std::string(body);
    entry = entryForExtension(par, ext);
  }
  if ((entry == 0 || isBlank(par.directory(entry))) && kind > 0) entry = kind;
  if (entry < 1 || entry > 13 || isBlank(par.directory(entry))) entry = 1;
  // The directory text is used as the user wrote it, separator included:
  // nothing is put between it and the name.
  std::string out(trim(par.directory(entry)));
  out += body;
  return out;
}

void expectInput(Session& s, std::string_view name, int kind) {
  s.noteInput(getnavn(s.par, rtrim(name), kind));
}

std::string findFixedName(std::string_view dir, std::string_view name) {
  const std::string exact = joinPath(dir, name);
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact;
  const std::string d = dir.empty() ? std::string("/") : std::string(dir);
  const std::string want = upper(name);
  for (fs::directory_iterator it(d, ec), end; !ec && it != end; it.increment(ec)) {
    if (upper(it->path().filename().string()) == want) return joinPath(dir, it->path().filename().string());
  }
  return exact;
}

int opfile(Session& s, int ch, std::string_view name, int mode, int kind, Access access) {
  using namespace open_status;
  // A name longer than the name field is never cut and opened: the cut name
  // may be another file.
  std::string work(rtrim(name));
  if (work.size() > kNameWidth) return kFailed;
  bool overwrite = takeSwitch(work, "/OW");
  if (takeSwitch(work, "/APPEND")) mode = 2000;
  if (takeSwitch(work, "/OW")) overwrite = true;
  const std::string path = getnavn(s.par, work, kind);
  if (path.empty() || path[0] == '-') return kOpened;

  std::error_code ec;
  const auto st = fs::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) return kFailed;
  const bool exists = fs::exists(st);
  if (exists && fs::is_directory(st)) return kFailed;

  if (mode == 0 && exists && s.par.yes(75) && !overwrite) return kExists;
  const bool mustExist = mode >= 1 && mode <= 999;
  if (mustExist && !exists) return kMissing;
  const bool write = access == Access::Write || (access == Access::Auto && !mustExist);
  if (s.isOpen(path) || (write && exists && s.isInput(path))) return kAlreadyOpen;

  std::unique_ptr<TextFile> file;
  if (!write) {
    file = TextFile::openRead(path, ec);
  } else {
    const WriteForm form = mode == 2000 ? WriteForm::Append
                           : mustExist  ? WriteForm::Update
                                        : WriteForm::Replace;
    file = TextFile::openWrite(path, form, ec);
  }
  if (!file) return kFailed;
  if (!write) s.noteInput(path);
  s.closeChannel(ch);
  s.attach(ch, std::move(file));
  return kOpened;
}

}  // namespace kvtconv
