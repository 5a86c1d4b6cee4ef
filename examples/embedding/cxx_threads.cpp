// Independent sessions of the C++ API on threads of their own. Each session
// has its own hooks and run state; nothing is shared but the input files.
// Usage: cxx_threads PARDIR INPUT.kvt OUTDIR
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "kvtconv.hpp"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PARDIR INPUT OUTDIR\n", argv[0]);
    return 2;
  }
  const std::string par = argv[1], input = argv[2], outDir = argv[3];
  constexpr int kThreads = 4;
  std::vector<int> messages(kThreads), errors(kThreads), warnings(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      kvtconv::Hooks hooks;
      // Lines arrive as 80 Latin-1 bytes, blank-padded.
      hooks.message = [&, t](std::string_view) { ++messages[t]; return 0; };
      hooks.error = [&, t](std::string_view line) {
        ++errors[t];
        std::fprintf(stderr, "session %d: %.*s\n", t, static_cast<int>(line.size()), line.data());
        return 0;
      };
      // What the C exports never tell: values read as missing, lines skipped...
      hooks.diagnostic = [&, t](const kvtconv::Diagnostic&) { ++warnings[t]; };
      kvtconv::SessionHandle session = kvtconv::newSession(std::move(hooks));
      const std::string base = outDir + "/points-" + std::to_string(t);
      kvtconv::kvt2zeiss(*session, par, input, base + ".zei");
      kvtconv::kvt2landxml(*session, par, input, base + ".xml");
      if (kvtconv::errorCount(*session) != 0 || kvtconv::writeFailures(*session) != 0) ++errors[t];
    });
  }
  for (auto& th : threads) th.join();
  int failed = 0;
  for (int t = 0; t < kThreads; ++t) {
    std::printf("session %d: %d message lines, %d error lines, %d diagnostics\n", t, messages[t],
                errors[t], warnings[t]);
    failed += messages[t] == 0 || errors[t] != 0;
  }
  return failed ? 1 : 0;
}
