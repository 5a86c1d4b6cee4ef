#pragma once
// C++ interface of kvtconv: independent sessions and one call per conversion.
// Each call is one complete run; it never throws. Texts are Latin-1 bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace kvtconv {

struct Hooks {
  // Receive one 80-byte line; return 1 to stop the run (message) or to
  // silence further error lines of the run (error).
  std::function<int(std::string_view line)> message;
  std::function<int(std::string_view line)> error;
  // Bytes of the main input consumed so far, and its size (0 if unknown).
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

class Session;
struct SessionDeleter {
  void operator()(Session* s) const noexcept;
};
using SessionHandle = std::unique_ptr<Session, SessionDeleter>;

// A fresh session. What carries from run to run (filter ranges, code state,
// remembered layouts) carries within one session only.
SessionHandle newSession(Hooks hooks = {});
// Error lines the last run sent or would have sent.
int errorCount(const Session& s);

void kvt2zeiss(Session& s, std::string_view parDir, std::string_view input,
               std::string_view output);
void zeiss2kvt(Session& s, std::int32_t mode, std::int32_t variant, std::int32_t option,
               std::string_view input, std::string_view output, std::string_view parDir);
void sokkia2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
                std::string_view parDir, std::int32_t keepUnknown);
void leica2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
               std::string_view labels, std::string_view parDir);
void geo2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
             std::string_view labels, std::string_view parDir);
void kvt2geo(Session& s, std::string_view parDir, std::string_view input,
             std::string_view output);
void kvt2leica(Session& s, std::int32_t option, std::string_view parDir, std::string_view input,
               std::string_view output);
void kvt2sokkia(Session& s, std::int32_t variant, std::string_view parDir,
                std::string_view input, std::string_view output);

struct Kvt2DsflArgs {
  std::int32_t ints1[4] = {};
  float real1 = 0;
  std::int32_t int5 = 0;
  float real2 = 0;
  std::int32_t ints2[3] = {};
  std::string_view texts[12];  // 6th parameter directory, 7th DSFL output, 8th catalogue
};
void kvt2dsfl(Session& s, const Kvt2DsflArgs& a);

struct Dsfl2KvtArgs {
  std::int32_t int1 = 0;
  float reals[3] = {};
  std::int32_t ints[5] = {};
  std::string_view texts[7];  // 1st parameter directory, 2nd DSFL input, 4th catalogue
};
void dsfl2kvt(Session& s, const Dsfl2KvtArgs& a);

void fri2kvt(Session& s, std::int32_t nfiles, std::int32_t option, std::string_view parDir,
             std::string_view fourth, std::string_view listFile, std::string_view output);
void ski2kvt(Session& s, std::string_view input, std::string_view output,
             std::string_view parDir);
void skivec2kvt(Session& s, std::string_view input, std::string_view output,
                std::string_view parDir);
void kvt2ski(Session& s, std::string_view opt1, std::string_view opt2, std::string_view opt3,
             std::string_view output, std::string_view input, std::string_view parDir);

}  // namespace kvtconv
