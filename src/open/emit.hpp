#pragma once
// Building blocks of the open outputs: Latin-1 catalogue texts as UTF-8,
// JSON and XML escaping, numbers.
#include <string>
#include <string_view>

namespace kvtconv::open {

// Appends the Latin-1 bytes as UTF-8.
void appendUtf8(std::string& out, std::string_view latin1);
// A JSON string literal, quotes included. Texts that are UTF-8 already
// (file names) pass `latin1` false.
void appendJsonString(std::string& out, std::string_view text, bool latin1 = true);
// XML character data or attribute value (quotes escaped too).
void appendXml(std::string& out, std::string_view latin1);
// A number with at most six decimals and no trailing zeros ("512345.678", "10").
void appendNumber(std::string& out, double v);

// A catalogue field as a plain text: trimmed, and empty when it holds the
// missing-value text (it begins with the missing mark).
std::string fieldText(std::string_view field, char missingMark);

// A real that the catalogue holds: not the missing value and finite.
bool present(double v);

}  // namespace kvtconv::open
