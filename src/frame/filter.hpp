#pragma once
// The point filter: number ranges and code ranges, combined with OG/ELLER.
#include <string>
#include <string_view>

namespace kvtconv {

class Session;

// Sets up the filter of an export run; with no interactive console this
// clears the ranges when filtering is on. Returns the status (always 0).
int setfil(Session& s);

// True when the point is rejected.
// Sets up the filter from a filter catalogue: records 47 give point-number
// ranges, 48 code ranges ("value" or "low>high"). "-" keeps the ranges of
// the last run. Returns 0, 1 (not opened: filtering off) or 2 (error).
inline constexpr std::size_t kMaxRanges = 20;
int setfil2(Session& s, std::string_view name);

bool filter(Session& s, std::string_view number, std::string_view code);

// One range test on fixed texts, by lengths as the ranges are meant.
bool inRange(std::string_view value, std::string_view from, std::string_view to);

}  // namespace kvtconv
