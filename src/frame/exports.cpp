// The fourteen C exports: unpack the host's arguments and run the conversion
// on the process-wide default session, one call at a time.
#include <mutex>

#include "frame/session.hpp"
#include "kvtconv.h"
#include "kvtconv.hpp"

namespace kvtconv {

namespace {

int sendToHost(std::string_view line, bool error) {
  std::int32_t codes[80];
  for (std::size_t i = 0; i < 80; ++i)
    codes[i] = i < line.size() ? static_cast<unsigned char>(line[i]) : ' ';
  return error ? WR_ERROR(codes) : WR_MSG(codes);
}

std::mutex& defaultLock() {
  static std::mutex m;
  return m;
}

Session& defaultSession() {
  static Session s(Hooks{[](std::string_view l) { return sendToHost(l, false); },
                         [](std::string_view l) { return sendToHost(l, true); },
                         {}, {}});
  return s;
}

// A blank-padded host text, trailing blanks (and stray NULs) removed.
std::string_view text(const char* p, std::int32_t len) {
  if (!p || len <= 0) return {};
  std::string_view t(p, static_cast<std::size_t>(len));
  const auto end = t.find_last_not_of(std::string_view(" \0", 2));
  return end == std::string_view::npos ? std::string_view{} : t.substr(0, end + 1);
}

// Writes an in/out text back into the host's field, blank padded.
void giveBack(const std::string& value, char* p, std::int32_t len) {
  if (!p || len <= 0) return;
  const auto n = static_cast<std::size_t>(len);
  for (std::size_t i = 0; i < n; ++i) p[i] = i < value.size() ? value[i] : ' ';
}

std::int32_t value(const std::int32_t* p) { return p ? *p : 0; }
float value(const float* p) { return p ? *p : 0.0f; }

template <class F>
std::int32_t onDefault(F&& run) noexcept {
  try {
    std::lock_guard<std::mutex> lock(defaultLock());
    run(defaultSession());
  } catch (...) {
    // The conversions report their own failures; nothing may reach the host.
  }
  return 0;
}

}  // namespace

}  // namespace kvtconv

using namespace kvtconv;

extern "C" {

KVT_API std::int32_t KVT_CALL ZEISS2KVT(std::int32_t* mode, std::int32_t* variant,
                                        std::int32_t* option, char* input, char* output,
                                        char* pardir, std::int32_t li, std::int32_t lo,
                                        std::int32_t lp) {
  return onDefault([&](Session& s) {
    zeiss2kvt(s, value(mode), value(variant), value(option), text(input, li), text(output, lo),
              text(pardir, lp));
  });
}

KVT_API std::int32_t KVT_CALL SOKKIA2KVT(std::int32_t* mode, char* input, char* output,
                                         char* pardir, std::int32_t* keep, std::int32_t li,
                                         std::int32_t lo, std::int32_t lp) {
  return onDefault([&](Session& s) {
    sokkia2kvt(s, value(mode), text(input, li), text(output, lo), text(pardir, lp), value(keep));
  });
}

KVT_API std::int32_t KVT_CALL LEICA2KVT(std::int32_t* mode, char* input, char* output,
                                        char* labels, char* pardir, std::int32_t li,
                                        std::int32_t lo, std::int32_t ll, std::int32_t lp) {
  return onDefault([&](Session& s) {
    leica2kvt(s, value(mode), text(input, li), text(output, lo), text(labels, ll),
              text(pardir, lp));
  });
}

KVT_API std::int32_t KVT_CALL GEO2KVT(std::int32_t* mode, char* input, char* output, char* labels,
                                      char* pardir, std::int32_t li, std::int32_t lo,
                                      std::int32_t ll, std::int32_t lp) {
  return onDefault([&](Session& s) {
    geo2kvt(s, value(mode), text(input, li), text(output, lo), text(labels, ll), text(pardir, lp));
  });
}

KVT_API std::int32_t KVT_CALL KVT2GEO(char* pardir, char* input, char* output, std::int32_t lp,
                                      std::int32_t li, std::int32_t lo) {
  return onDefault(
      [&](Session& s) { kvt2geo(s, text(pardir, lp), text(input, li), text(output, lo)); });
}

KVT_API std::int32_t KVT_CALL KVT2LEICA(std::int32_t* option, char* pardir, char* input,
                                        char* output, std::int32_t lp, std::int32_t li,
                                        std::int32_t lo) {
  return onDefault([&](Session& s) {
    kvt2leica(s, value(option), text(pardir, lp), text(input, li), text(output, lo));
  });
}

KVT_API std::int32_t KVT_CALL KVT2SOKKIA(std::int32_t* variant, char* pardir, char* input,
                                         char* output, std::int32_t lp, std::int32_t li,
                                         std::int32_t lo) {
  return onDefault([&](Session& s) {
    kvt2sokkia(s, value(variant), text(pardir, lp), text(input, li), text(output, lo));
  });
}

KVT_API std::int32_t KVT_CALL KVT2ZEISS(char* pardir, char* input, char* output, std::int32_t lp,
                                        std::int32_t li, std::int32_t lo) {
  return onDefault(
      [&](Session& s) { kvt2zeiss(s, text(pardir, lp), text(input, li), text(output, lo)); });
}

KVT_API std::int32_t KVT_CALL KVT2DSFL(std::int32_t* i1, std::int32_t* i2, std::int32_t* i3,
                                       std::int32_t* i4, float* f5, std::int32_t* i6, float* f7,
                                       std::int32_t* i8, std::int32_t* i9, std::int32_t* i10,
                                       char* t1, char* t2, char* t3, char* t4, char* t5, char* t6,
                                       char* t7, char* t8, char* t9, char* t10, char* t11,
                                       char* t12, std::int32_t l1, std::int32_t l2,
                                       std::int32_t l3, std::int32_t l4, std::int32_t l5,
                                       std::int32_t l6, std::int32_t l7, std::int32_t l8,
                                       std::int32_t l9, std::int32_t l10, std::int32_t l11,
                                       std::int32_t l12) {
  return onDefault([&](Session& s) {
    Kvt2DsflArgs a;
    a.unused = value(i1);
    a.filterPrompts = value(i2);
    a.heights = value(i3);
    a.copyFeatureText = value(i4);
    a.closedAsLines = value(f5);
    a.pointNumberTexts = value(i6);
    a.dGroupMode = value(f7);
    a.heightTexts = value(i8);
    a.textHeights = value(i9);
    a.scale = value(i10);
    a.origin2 = text(t1, l1);
    a.origin1 = text(t2, l2);
    a.h1 = text(t3, l3);
    a.h3 = text(t4, l4);
    a.h2 = text(t5, l5);
    a.parDir = text(t6, l6);
    a.output = text(t7, l7);
    a.input = text(t8, l8);
    a.codeTable = text(t9, l9);
    a.answerFile = text(t10, l10);
    a.reportFile = text(t11, l11);
    a.filterFile = text(t12, l12);
    kvt2dsfl(s, a);
  });
}

KVT_API std::int32_t KVT_CALL DSFL2KVT(std::int32_t* i1, float* f2, float* f3, float* f4,
                                       std::int32_t* i5, std::int32_t* i6, std::int32_t* i7,
                                       std::int32_t* i8, std::int32_t* i9, char* t1, char* t2,
                                       char* t3, char* t4, char* t5, char* t6, char* t7,
                                       std::int32_t l1, std::int32_t l2, std::int32_t l3,
                                       std::int32_t l4, std::int32_t l5, std::int32_t l6,
                                       std::int32_t l7) {
  return onDefault([&](Session& s) {
    std::int32_t links = 0;
    std::string design(text(t6, l6));
    Dsfl2KvtArgs a;
    a.reportMode = value(i1);
    a.directionPoints = value(f2);
    a.fieldRecords = value(f3);
    a.registerElements = value(f4);
    a.elementOffset = value(i5);
    a.linkCounter = &links;
    a.buildCodeTable = value(i7);
    a.loop8 = value(i8);
    a.loop9 = value(i9);
    a.parDir = text(t1, l1);
    a.input = text(t2, l2);
    a.codeTable = text(t3, l3);
    a.output = text(t4, l4);
    a.reportFile = text(t5, l5);
    a.designFile = &design;
    a.firstPoint = text(t7, l7);
    dsfl2kvt(s, a);
    if (i6) *i6 = links;
    giveBack(design, t6, l6);
  });
}

KVT_API std::int32_t KVT_CALL FRI2KVT(std::int32_t* nfiles, std::int32_t* option, char* pardir,
                                      char* fourth, char* list, char* output, std::int32_t lp,
                                      std::int32_t lf, std::int32_t ll, std::int32_t lo) {
  return onDefault([&](Session& s) {
    fri2kvt(s, value(nfiles), value(option), text(pardir, lp), text(fourth, lf), text(list, ll),
            text(output, lo));
  });
}

KVT_API std::int32_t KVT_CALL SUB3SKIA(char* input, char* output, char* pardir, std::int32_t li,
                                       std::int32_t lo, std::int32_t lp) {
  return onDefault(
      [&](Session& s) { ski2kvt(s, text(input, li), text(output, lo), text(pardir, lp)); });
}

KVT_API std::int32_t KVT_CALL SUB3SKIB(char* input, char* output, char* pardir, std::int32_t li,
                                       std::int32_t lo, std::int32_t lp) {
  return onDefault(
      [&](Session& s) { skivec2kvt(s, text(input, li), text(output, lo), text(pardir, lp)); });
}

KVT_API std::int32_t KVT_CALL SUB3SKIC(char* o1, char* o2, char* o3, char* output, char* input,
                                       char* pardir, std::int32_t l1, std::int32_t l2,
                                       std::int32_t l3, std::int32_t lo, std::int32_t li,
                                       std::int32_t lp) {
  return onDefault([&](Session& s) {
    std::string ellipsoid(text(o1, l1)), projection(text(o2, l2));
    kvt2ski(s, ellipsoid, projection, text(o3, l3), text(output, lo), text(input, li),
            text(pardir, lp));
    giveBack(ellipsoid, o1, l1);
    giveBack(projection, o2, l2);
  });
}

}  // extern "C"
