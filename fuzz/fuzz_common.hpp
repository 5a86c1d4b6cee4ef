#pragma once
// Shared set-up of the fuzz targets: a scratch directory per process with a
// parameter directory, and the input bytes written to a file there, since
// every conversion reads files by name.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "frame/session.hpp"
#include "kvtconv.hpp"

namespace kvtfuzz {

inline const std::string& scratch() {
  static const std::string dir = [] {
    const std::string d = "/tmp/kvtfuzz-" + std::to_string(::getpid());
    std::filesystem::create_directories(d + "/par");
    std::FILE* f = std::fopen((d + "/par/VOXA.PAR").c_str(), "wb");
    std::fputs(" 79 JA\n121 FULDT\n122 FULDT\n", f);
    std::fputs((" 52 " + d + "\n").c_str(), f);
    std::fclose(f);
    f = std::fopen((d + "/par/VOXA.ADM").c_str(), "wb");
    for (int i = 0; i < 8; ++i) std::fputs(" 8  FUZZ\n", f);
    std::fclose(f);
    return d;
  }();
  return dir;
}

inline std::string path(const char* name) { return scratch() + "/" + name; }
inline std::string parDir() { return scratch() + "/par"; }

inline std::string put(const char* name, const std::uint8_t* data, std::size_t size) {
  const std::string p = path(name);
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return p;
}

// A session whose host stops nothing and prints nothing.
inline kvtconv::Session& session() {
  static kvtconv::Session s(kvtconv::Hooks{[](std::string_view) { return 0; },
                                           [](std::string_view) { return 0; },
                                           {}, {}});
  return s;
}

}  // namespace kvtfuzz
