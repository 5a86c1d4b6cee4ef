/* The default host message library: message lines to standard output,
 * error lines to standard error, trailing blanks removed, converted to
 * UTF-8 when the locale asks for it. Never asks the library to stop. */
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

#include "kvtconv.h"

#ifdef _WIN32
/* A console set to UTF-8 gets UTF-8; anything else gets the Latin-1 bytes,
 * which the Western code pages show as they are. */
static int wants_utf8(void) { return GetConsoleOutputCP() == CP_UTF8; }
#else
static int wants_utf8(void) {
  static int known = -1;
  if (known < 0) {
    /* The host program may not have set the locale; read it from the environment. */
    locale_t loc = newlocale(LC_CTYPE_MASK, "", (locale_t)0);
    known = 0;
    if (loc) {
      const char* cs = nl_langinfo_l(CODESET, loc);
      known = cs && (strcmp(cs, "UTF-8") == 0 || strcmp(cs, "utf8") == 0);
      freelocale(loc);
    }
  }
  return known;
}
#endif

static void put_line(FILE* out, const int32_t* codes) {
  char buf[80 * 2 + 2];
  int n = 80, k = 0;
  while (n > 0 && codes[n - 1] == ' ') --n;
  for (int i = 0; i < n; ++i) {
    unsigned c = (unsigned)codes[i] & 0xFFu;
    if (c >= 0x80 && wants_utf8()) {
      buf[k++] = (char)(0xC0 | (c >> 6));
      buf[k++] = (char)(0x80 | (c & 0x3F));
    } else {
      buf[k++] = (char)c;
    }
  }
  buf[k++] = '\n';
  fwrite(buf, 1, (size_t)k, out);
  fflush(out);
}

int32_t KVT_CALL WR_MSG(int32_t* codes) {
  if (codes) put_line(stdout, codes);
  return 0;
}

int32_t KVT_CALL WR_ERROR(int32_t* codes) {
  if (codes) put_line(stderr, codes);
  return 0;
}
