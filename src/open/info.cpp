// The catalogue summary behind `kvtconv info`.
#include "open/info.hpp"

#include <algorithm>
#include <utility>

#include "catalogue/point.hpp"
#include "catalogue/scan.hpp"
#include "frame/files.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "open/emit.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17;
constexpr std::size_t kWidth = 132;

const char* typeName(int type) {
  switch (type) {
    case 1: return "administrative";
    case 2: return "setup";
    case 3: return "reference observation";
    case 4: return "detail observation";
    case 5: return "orientation";
    case 6: return "point";
    case 7: return "levelling";
    case 8: return "comment";
    case 9: return "mean values";
    case 10: return "text";
    case 11: return "digital level";
    case 47: return "filter: point numbers";
    case 48: return "filter: codes";
    case 60: return "vector";
    case 90: case 91: case 92: return "DSFL field record";
    default: return "";
  }
}

void widen(CatalogueInfo& info, int axis, double v, bool first) {
  if (first) {
    info.min[axis] = info.max[axis] = v;
    return;
  }
  info.min[axis] = std::min(info.min[axis], v);
  info.max[axis] = std::max(info.max[axis], v);
}

void readCatalogue(Session& s, TextFile* in, CatalogueInfo& info) {
  const char mark = s.par.missingMark();
  std::string line;
  for (;;) {
    const ReadStatus st = in->readLine(line, kWidth);
    if (st == ReadStatus::End) break;
    if (st == ReadStatus::Error) {
      info.readError = true;
      s.wrerr(" Fejl ved l\xE6sning af katalog: " + in->path());
      break;
    }
    ++info.lines;
    line.resize(kWidth, ' ');
    if (isBlank(line)) {
      ++info.blank;
      continue;
    }
    // The record type as the catalogue reader takes it: the leading integer.
    std::size_t pos = 1;
    int err = 0;
    const std::int32_t type = rditas(std::string_view(line).substr(0, 80), pos, err);
    if (err != 0) {
      ++info.unparsed;
      if (info.unparsedLines.size() < CatalogueInfo::kKeptLines) info.unparsedLines.push_back(info.lines);
      continue;
    }
    const auto it = info.types.find(type);
    if (it != info.types.end()) ++it->second;
    else if (info.types.size() < CatalogueInfo::kKeptTypes) info.types.emplace(type, 1);
    else ++info.otherTypes;
    if (type != 6) continue;

    std::fill_n(line.begin(), std::min<std::size_t>(pos, 80), ' ');
    Point p = rpkt(s, line);
    if (s.exchange) std::swap(p.x, p.y);  // back to the column order
    ++info.points;
    const std::string code = open::fieldText(p.code, mark);
    if (code.empty()) ++info.uncoded;
    else ++info.codes[code];
    if (!open::present(p.x) || !open::present(p.y)) continue;
    widen(info, 0, p.x, info.placed == 0);
    widen(info, 1, p.y, info.placed == 0);
    ++info.placed;
    if (open::present(p.height)) {
      widen(info, 2, p.height, info.withHeight == 0);
      ++info.withHeight;
    }
  }
}

std::string num(double v) {
  std::string out;
  open::appendNumber(out, v);
  return out;
}

std::string u(std::uint64_t v) { return std::to_string(v); }

std::string pad(std::string s, std::size_t w, bool left = true) {
  if (s.size() >= w) return s;
  return left ? s + std::string(w - s.size(), ' ') : std::string(w - s.size(), ' ') + s;
}

std::string utf8(std::string_view latin1) {
  std::string out;
  open::appendUtf8(out, latin1);
  return out;
}

}  // namespace

CatalogueInfo catalogueInfo(Session& s, std::string_view parDir, std::string_view input) {
  CatalogueInfo info;
  guardedRun(s, [&] {
    startRun(s, "KVT info", parDir);
    const int st = opfile(s, kIn, input, 1, 8);
    reportOpen(s, st, input, true);
    if (TextFile* in = s.channel(kIn)) readCatalogue(s, in, info);
    else info.readError = true;
    s.closeChannel(kIn);
  });
  return info;
}

std::string infoText(const CatalogueInfo& info, std::string_view name) {
  std::string out = "File: " + std::string(name) + "\n";
  out += "Lines: " + u(info.lines);
  if (info.blank != 0) out += " (" + u(info.blank) + " blank)";
  out += "\n";
  out += "Records by type:\n";
  for (const auto& [type, count] : info.types)
    out += "  " + pad(std::to_string(type), 4, false) + "  " + pad(typeName(type), 24) + pad(u(count), 10, false) + "\n";
  if (info.otherTypes != 0) out += "  other types" + std::string(19, ' ') + pad(u(info.otherTypes), 10, false) + "\n";
  out += "Points: " + u(info.points) + ", " + u(info.placed) + " with both coordinates, " +
         u(info.withHeight) + " with a height\n";
  if (info.placed != 0) {
    out += "Extent (catalogue column order):\n";
    out += "  first column   " + num(info.min[0]) + " .. " + num(info.max[0]) + "\n";
    out += "  second column  " + num(info.min[1]) + " .. " + num(info.max[1]) + "\n";
    if (info.withHeight != 0) out += "  height         " + num(info.min[2]) + " .. " + num(info.max[2]) + "\n";
  }
  out += "Codes: " + u(info.codes.size());
  if (info.uncoded != 0) out += " (" + u(info.uncoded) + " points without a code)";
  out += "\n";
  for (const auto& [code, count] : info.codes) out += "  " + pad(utf8(code), 12) + pad(u(count), 10, false) + "\n";
  out += "Lines that are no record: " + u(info.unparsed);
  if (info.unparsed != 0) {
    out += " (line";
    out += info.unparsed == 1 ? " " : "s ";
    for (std::size_t i = 0; i < info.unparsedLines.size(); ++i) out += (i ? ", " : "") + u(info.unparsedLines[i]);
    if (info.unparsed > info.unparsedLines.size()) out += ", ...";
    out += ")";
  }
  out += "\n";
  if (info.readError) out += "The file could not be read to its end.\n";
  return out;
}

std::string infoJson(const CatalogueInfo& info, std::string_view name) {
  std::string out = "{\"file\": ";
  open::appendJsonString(out, name, false);
  out += ", \"lines\": " + u(info.lines) + ", \"blank\": " + u(info.blank) + ", \"records\": {";
  bool first = true;
  for (const auto& [type, count] : info.types) {
    out += first ? "" : ", ";
    out += '"';
    out += std::to_string(type);
    out += "\": ";
    out += u(count);
    first = false;
  }
  out += "}, \"other_records\": " + u(info.otherTypes);
  out += ", \"points\": {\"count\": " + u(info.points) + ", \"with_coordinates\": " + u(info.placed) +
         ", \"with_height\": " + u(info.withHeight) + "}";
  out += ", \"extent\": ";
  if (info.placed == 0) {
    out += "null";
  } else {
    out += "{\"first\": [" + num(info.min[0]) + ", " + num(info.max[0]) + "], \"second\": [" +
           num(info.min[1]) + ", " + num(info.max[1]) + "], \"height\": ";
    out += info.withHeight == 0 ? "null" : "[" + num(info.min[2]) + ", " + num(info.max[2]) + "]";
    out += "}";
  }
  out += ", \"codes\": {";
  first = true;
  for (const auto& [code, count] : info.codes) {
    out += first ? "" : ", ";
    open::appendJsonString(out, code);
    out += ": " + u(count);
    first = false;
  }
  out += "}, \"uncoded\": " + u(info.uncoded);
  out += ", \"unparsed\": {\"count\": " + u(info.unparsed) + ", \"lines\": [";
  for (std::size_t i = 0; i < info.unparsedLines.size(); ++i) out += (i ? ", " : "") + u(info.unparsedLines[i]);
  out += "], \"complete\": ";
  out += info.unparsed == info.unparsedLines.size() ? "true" : "false";
  out += "}, \"read_error\": ";
  out += info.readError ? "true" : "false";
  out += "}\n";
  return out;
}

}  // namespace kvtconv
