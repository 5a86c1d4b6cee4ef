// The GIS functions of the command line, served by kvtconv-gis.so, which is
// opened the first time one of them is called.
#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gis/module.hpp"

namespace kvtgis {

namespace {

namespace fs = std::filesystem;

// Where the module may be: named by $KVTCONV_GIS_MODULE, installed beside
// the program's library directory, or in the build tree the program was
// built in.
std::vector<std::string> candidates() {
  std::vector<std::string> paths;
  if (const char* e = std::getenv("KVTCONV_GIS_MODULE"); e && *e) return {e};
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) paths.push_back((exe.parent_path().parent_path() / KVTCONV_GIS_MODULE_INSTALLED).string());
#ifdef KVTCONV_GIS_MODULE_BUILT
  paths.emplace_back(KVTCONV_GIS_MODULE_BUILT);
#endif
  return paths;
}

struct Loaded {
  const Api* api = nullptr;
  std::string error;
};

const Loaded& load() {
  static const Loaded loaded = [] {
    Loaded l;
    std::string tried;
    for (const std::string& path : candidates()) {
      std::error_code ec;
      if (!fs::exists(path, ec)) {
        tried += "\n  " + path + ": not found";
        continue;
      }
      void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) {
        tried += "\n  " + path + ": " + dlerror();
        continue;
      }
      using Entry = const Api* (*)();
      const auto entry = reinterpret_cast<Entry>(dlsym(handle, "kvtgis_module_api"));
      const Api* api = entry ? entry() : nullptr;
      if (!api) {
        tried += "\n  " + path + ": not a kvtconv GIS module";
        dlclose(handle);
        continue;
      }
      if (std::string(api->version) != KVTCONV_VERSION || api->layout != kLayout) {
        tried += "\n  " + path + ": from another build of kvtconv";
        dlclose(handle);
        continue;
      }
      l.api = api;  // kept open for the rest of the run
      return l;
    }
    l.error = "GIS support (kvtconv-gis.so) could not be loaded:" + tried;
    return l;
  }();
  return loaded;
}

}  // namespace

bool kvt2gis(kvtconv::Session& s, const ToGis& o, std::string& error) {
  if (!load().api) {
    error = load().error;
    return false;
  }
  return load().api->kvt2gis(s, o, error);
}

bool gis2kvt(kvtconv::Session& s, const FromGis& o, std::string& error) {
  if (!load().api) {
    error = load().error;
    return false;
  }
  return load().api->gis2kvt(s, o, error);
}

std::string moduleError() { return load().error; }

// Without the module no GIS format is known.
std::string driverByName(const std::string& name) {
  return load().api ? load().api->driverByName(name) : std::string();
}
std::string driverForPath(const std::string& path) {
  return load().api ? load().api->driverForPath(path) : std::string();
}
std::string extensionOf(const std::string& driver) {
  return load().api ? load().api->extensionOf(driver) : std::string();
}

}  // namespace kvtgis
