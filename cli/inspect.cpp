// `kvtconv info` and `kvtconv detect`.
#include <iostream>

#include "batch.hpp"
#include "kvtconv.hpp"
#include "open/detect.hpp"
#include "open/emit.hpp"
#include "open/info.hpp"
#include "terminal.hpp"

namespace kvtcli {

int runInfo(const InfoOptions& o) {
  Terminal term;
  bool failed = false;
  if (o.json && o.files.size() > 1) std::cout << "[\n";
  for (std::size_t i = 0; i < o.files.size(); ++i) {
    auto session = kvtconv::newSession(term.hooks());
    const kvtconv::CatalogueInfo info = kvtconv::catalogueInfo(*session, o.par, o.files[i]);
    term.flushWarnings();
    if (kvtconv::errorCount(*session) != 0) failed = true;
    if (o.json) {
      std::string j = kvtconv::infoJson(info, o.files[i]);
      if (o.files.size() > 1 && i + 1 < o.files.size()) {
        j.pop_back();
        j += ",\n";
      }
      std::cout << j;
    } else {
      if (i != 0) std::cout << "\n";
      std::cout << kvtconv::infoText(info, o.files[i]);
    }
  }
  if (o.json && o.files.size() > 1) std::cout << "]\n";
  std::cout.flush();
  return failed ? 1 : 0;
}

int runDetect(const DetectOptions& o) {
  bool failed = false;
  if (o.json) std::cout << "[";
  for (std::size_t i = 0; i < o.files.size(); ++i) {
    const kvtconv::Detection d = kvtconv::detectFile(o.files[i]);
    const bool known = d.format != kvtconv::Format::Unknown && d.format != kvtconv::Format::Empty;
    if (!known) failed = true;
    if (o.json) {
      std::string j = i == 0 ? "\n" : ",\n";
      j += "{\"file\": ";
      kvtconv::open::appendJsonString(j, o.files[i], false);
      j += ", \"format\": ";
      kvtconv::open::appendJsonString(j, kvtconv::formatName(d.format));
      j += ", \"key\": ";
      kvtconv::open::appendJsonString(j, kvtconv::formatKey(d.format));
      j += ", \"confidence\": " + std::to_string(d.confidence) + ", \"reason\": ";
      kvtconv::open::appendJsonString(j, d.reason);
      j += "}";
      std::cout << j;
    } else {
      std::cout << o.files[i] << ": " << kvtconv::formatName(d.format);
      if (known) std::cout << " (confidence " << d.confidence << "%)";
      std::cout << ": " << latin1ToUtf8(d.reason) << "\n";
    }
  }
  if (o.json) std::cout << "\n]\n";
  std::cout.flush();
  return failed ? 1 : 0;
}

}  // namespace kvtcli
