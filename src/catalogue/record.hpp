#pragma once
// Catalogue record framing: reading a line with its record type, and the
// comment, administrative and header records.
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/textfile.hpp"

namespace kvtconv {

class Session;

// Reads the next line into `line`, cut or padded to `width` bytes, and
// returns its record type in `type` with the type field blanked. An
// unopened file reads as end of file.
ReadStatus rdrec(TextFile* f, std::string& line, std::size_t width, int& type);

// Writes a full-width line, or a line cut after its last non-blank byte.
// A write to an unopened channel goes nowhere, as the design lets it.
void writeFull(TextFile* f, std::string_view line);
void writeTrimmed(TextFile* f, std::string_view line);

void wkom(TextFile* f, std::string_view text);
void wakom(TextFile* f);
std::string rkom(std::string_view line);

struct AdminRecord {
  std::string job = std::string(10, ' ');
  std::string operatorName = std::string(10, ' ');
  std::string date = std::string(9, ' ');
  std::string time = std::string(8, ' ');
  std::int32_t temperature = -999;
  std::int32_t pressure = -999;
  std::string instrument = std::string(12, ' ');
};

void wadm(const Session& s, TextFile* f, const AdminRecord& a);
AdminRecord radm(const Session& s, std::string_view line);

// The two header lines that open every catalogue an import writes.
void wfilhead(Session& s, TextFile* f);

// Sends the over-wide warning once per catalogue when `line` holds "***"
// within the 1-based columns [from, to].
void checkWide(Session& s, std::string_view line, std::size_t from, std::size_t to);

}  // namespace kvtconv
