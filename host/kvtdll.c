/* The default host message library: message lines to standard output,
 * error lines to standard error, trailing blanks removed, converted to
 * UTF-8 when the locale asks for it. Never asks the library to stop.
 * A host that meant to bring its own WR_MSG/WR_ERROR but did not export
 * them ends up here without any sign; KVTDLL_WARN_DEFAULT and
 * kvtdll_is_default() make that visible. */
#ifndef _WIN32
#define _GNU_SOURCE /* RTLD_DEFAULT, dladdr */
#endif
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <langinfo.h>
#include <locale.h>
#endif

#include "kvtconv.h"
#include "kvtdll.h"

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

/* Once per process, and only when asked: a notice on standard error that
 * these defaults, not the host's functions, receive the lines. */
static void notice_default(void) {
  static atomic_flag told = ATOMIC_FLAG_INIT;
  const char* want = getenv("KVTDLL_WARN_DEFAULT");
  if (!want || !*want || strcmp(want, "0") == 0 || atomic_flag_test_and_set(&told)) return;
  fputs("kvtdll: lines go to the default WR_MSG/WR_ERROR of libkvtdll, "
        "not to functions of the host program\n", stderr);
}

#ifndef _WIN32
/* WR_MSG as libkvtconv would bind it now is ours: the host exports none. */
int kvtdll_is_default(void) {
  static const char here = 0;
  Dl_info bound, self;
  void* sym = dlsym(RTLD_DEFAULT, "WR_MSG");
  if (!sym || !dladdr(sym, &bound) || !dladdr(&here, &self)) return 0;
  return bound.dli_fbase == self.dli_fbase;
}
#endif

int32_t KVT_CALL WR_MSG(int32_t* codes) {
  notice_default();
  if (codes) put_line(stdout, codes);
  return 0;
}

int32_t KVT_CALL WR_ERROR(int32_t* codes) {
  notice_default();
  if (codes) put_line(stderr, codes);
  return 0;
}
