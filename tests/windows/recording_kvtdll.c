/* A host's own kvtdll.dll for the wine test: it keeps the lines it receives
 * instead of showing them, and can answer 1 to stop a run or to silence its
 * errors. The test host loads it before kvtconv.dll, so that kvtconv.dll's
 * imports bind to it. */
#include <stdint.h>
#include <string.h>

#include "kvtconv.h"

#define KEPT 64

static char lines[2][KEPT][81];
static int counts[2], stop_at_msg = -1, silence_at_err = -1, bad_codes;

static int keep(int kind, const int32_t* codes) {
  const int n = ++counts[kind];
  for (int i = 0; i < 80; ++i) {
    if (codes[i] < 0 || codes[i] > 255) bad_codes = 1;
    if (n <= KEPT) lines[kind][n - 1][i] = (char)codes[i];
  }
  if (n <= KEPT) lines[kind][n - 1][80] = '\0';
  return n;
}

int32_t KVT_CALL WR_MSG(int32_t* codes) { return keep(0, codes) == stop_at_msg ? 1 : 0; }

int32_t KVT_CALL WR_ERROR(int32_t* codes) { return keep(1, codes) == silence_at_err ? 1 : 0; }

/* Forgets what was received; the n-th message line (from 1) answers 1 to
 * stop, the n-th error line answers 1 to silence; -1 for never. */
void kvtdll_reset(int stop_at, int silence_at) {
  memset(lines, 0, sizeof lines);
  counts[0] = counts[1] = 0;
  bad_codes = 0;
  stop_at_msg = stop_at;
  silence_at_err = silence_at;
}

int kvtdll_count(int error) { return counts[error ? 1 : 0]; }

/* Line i (from 0) as 80 characters and a NUL; "" past what was kept. */
const char* kvtdll_line(int error, int i) {
  const int k = error ? 1 : 0;
  return i >= 0 && i < counts[k] && i < KEPT ? lines[k][i] : "";
}

int kvtdll_bad_codes(void) { return bad_codes; }
