/* A host that loads libkvtconv at run time. Its WR_MSG/WR_ERROR only reach
 * the library if the executable exports them: link with -rdynamic (CMake:
 * ENABLE_EXPORTS) or -Wl,--export-dynamic-symbol=WR_MSG,... Without that the
 * library binds to libkvtdll's defaults, which print to stdout/stderr; this
 * host notices through kvtdll_is_default() and says so.
 * Usage: dlopen_host LIBRARY PARDIR INPUT.kvt OUTPUT.zei */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static int lines;

int32_t WR_MSG(int32_t* codes) {
  (void)codes;
  ++lines;
  return 0;
}

int32_t WR_ERROR(int32_t* codes) {
  (void)codes;
  return 0;
}

typedef int32_t (*kvt2zeiss_fn)(char*, char*, char*, int32_t, int32_t, int32_t);
typedef int (*is_default_fn)(void);

static void field(char* dst, int32_t width, const char* text) {
  memset(dst, ' ', (size_t)width);
  memcpy(dst, text, strnlen(text, (size_t)width));
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s LIBRARY PARDIR INPUT OUTPUT\n", argv[0]);
    return 2;
  }
  /* RTLD_LOCAL is fine: the host's own symbols are global once exported. */
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  kvt2zeiss_fn kvt2zeiss = (kvt2zeiss_fn)dlsym(lib, "KVT2ZEISS");
  /* Found through libkvtconv's own dependency, libkvtdll. */
  is_default_fn is_default = (is_default_fn)dlsym(lib, "kvtdll_is_default");
  if (!kvt2zeiss || !is_default) {
    fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  if (is_default()) {
    fprintf(stderr, "WR_MSG/WR_ERROR are not exported by this program: "
                    "the library's lines go to libkvtdll's defaults\n");
  }
  char par[256], in[256], out[256];
  field(par, sizeof par, argv[2]);
  field(in, sizeof in, argv[3]);
  field(out, sizeof out, argv[4]);
  kvt2zeiss(par, in, out, sizeof par, sizeof in, sizeof out);
  printf("host received %d message lines\n", lines);
  dlclose(lib);
  return lines > 0 ? 0 : 1;
}
