#include "frame/pardir.hpp"

#include <cstdlib>
#include <filesystem>

namespace kvtconv {

std::string defaultParDir() {
  namespace fs = std::filesystem;
  if (const char* p = std::getenv("KVTPAR"); p && *p) return p;
  fs::path base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
  else if (const char* h = std::getenv("HOME"); h && *h) base = fs::path(h) / ".config";
  else base = ".";
  return (base / "kvtconv").string();
}

}  // namespace kvtconv
