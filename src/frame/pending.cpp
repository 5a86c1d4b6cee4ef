// Conversions whose formats are not built yet: they run the frame and say so.
#include "frame/run.hpp"
#include "frame/session.hpp"

namespace kvtconv {

void fri2kvt(Session& s, std::int32_t, std::int32_t, std::string_view parDir, std::string_view,
             std::string_view, std::string_view) {
  notAvailable(s, "Frit format --> KVT", parDir);
}
void ski2kvt(Session& s, std::string_view, std::string_view, std::string_view parDir) {
  notAvailable(s, "Leica SKI --> KVT", parDir);
}
void skivec2kvt(Session& s, std::string_view, std::string_view, std::string_view parDir) {
  notAvailable(s, "Leica SKI --> KVT vektor", parDir);
}
void kvt2ski(Session& s, std::string&, std::string&, std::string_view, std::string_view,
             std::string_view, std::string_view parDir) {
  notAvailable(s, "KVT --> Leica SKI", parDir);
}

}  // namespace kvtconv
