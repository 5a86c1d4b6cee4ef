/* A host program of our own: loads the installed libkvtconv.so, supplies
 * WR_MSG and WR_ERROR itself, and checks that it receives every line, can
 * stop a run and can silence errors. Usage: host_test LIBRARY WORKDIR */
#define _DEFAULT_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static char msgs[16][81], errs[16][81];
static int nmsg, nerr, stop_at_msg = -1, silence_at_err = -1, bad_codes;

static void keep(char dst[81], const int32_t* codes) {
  for (int i = 0; i < 80; ++i) {
    if (codes[i] < 0 || codes[i] > 255) bad_codes = 1;
    dst[i] = (char)codes[i];
  }
  dst[80] = '\0';
}

int32_t WR_MSG(int32_t* codes) {
  if (nmsg < 16) keep(msgs[nmsg], codes);
  ++nmsg;
  return nmsg == stop_at_msg ? 1 : 0;
}

int32_t WR_ERROR(int32_t* codes) {
  if (nerr < 16) keep(errs[nerr], codes);
  ++nerr;
  return nerr == silence_at_err ? 1 : 0;
}

typedef int32_t (*kvt2zeiss_fn)(char*, char*, char*, int32_t, int32_t, int32_t);

static int failures;
#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                \
    }                                                            \
  } while (0)

/* A blank-padded field of exactly `width` bytes, not zero-terminated. */
static char* padded(const char* text, int width) {
  char* p = malloc((size_t)width);
  memset(p, ' ', (size_t)width);
  memcpy(p, text, strlen(text));
  return p;
}

static int open_fds(void) {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (!d) return -1;
  while (readdir(d)) ++n;
  closedir(d);
  return n;
}

static void write_file(const char* path, const char* text) {
  FILE* f = fopen(path, "wb");
  fputs(text, f);
  fclose(f);
}

static void run(kvt2zeiss_fn fn, const char* par, const char* in, const char* out) {
  char *p = padded(par, 300), *i = padded(in, 300), *o = padded(out, 300);
  nmsg = nerr = 0;
  CHECK(fn(p, i, o, 300, 300, 300) == 0);
  free(p);
  free(i);
  free(o);
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  kvt2zeiss_fn kvt2zeiss = (kvt2zeiss_fn)dlsym(lib, "KVT2ZEISS");
  int32_t (*kvt2sokkia)(int32_t*, char*, char*, char*, int32_t, int32_t, int32_t) =
      (int32_t(*)(int32_t*, char*, char*, char*, int32_t, int32_t, int32_t))dlsym(lib, "KVT2SOKKIA");
  int32_t (*zeiss2kvt)(int32_t*, int32_t*, int32_t*, char*, char*, char*, int32_t, int32_t, int32_t) =
      (int32_t(*)(int32_t*, int32_t*, int32_t*, char*, char*, char*, int32_t, int32_t, int32_t))dlsym(lib, "ZEISS2KVT");
  int32_t (*sokkia2kvt)(int32_t*, char*, char*, char*, int32_t*, int32_t, int32_t, int32_t) =
      (int32_t(*)(int32_t*, char*, char*, char*, int32_t*, int32_t, int32_t, int32_t))dlsym(lib, "SOKKIA2KVT");
  CHECK(kvt2zeiss && kvt2sokkia && zeiss2kvt && sokkia2kvt);
  if (!kvt2zeiss || !kvt2sokkia || !zeiss2kvt || !sokkia2kvt) return 1;

  char work[200], par[256], parfile[300], in[256], out[256];
  mkdir(argv[2], 0700);
  snprintf(work, sizeof work, "%s/runXXXXXX", argv[2]);
  if (!mkdtemp(work)) return 1;
  snprintf(par, sizeof par, "%s/par", work);
  snprintf(in, sizeof in, "%s/in.kvt", work);
  snprintf(out, sizeof out, "%s/out.zei", work);
  mkdir(par, 0700);

  /* First run in an empty parameter directory: both files are created. A
   * value too wide for its field is no line of the host's. */
  write_file(in, " 6 1 K1 100.5 200.25 3\n 6 2 K2 1234567890 1 1\n 6 3 K3 1 2 3\n");
  run(kvt2zeiss, par, in, out);
  CHECK(nerr == 2);
  CHECK(strncmp(errs[0], " Fil med adm. oplysninger (VOXA.ADM) findes ikke", 48) == 0);
  CHECK(nmsg == 1 && strncmp(msgs[0], "     3 poster konverteret ...       ", 36) == 0);
  CHECK(!bad_codes);

  /* Silencing lasts one run only. */
  snprintf(parfile, sizeof parfile, "%s/VOXA.PAR", par);
  write_file(parfile, "49 A\n49 B\n49 C\n");
  silence_at_err = 1;
  run(kvt2zeiss, par, in, out);
  CHECK(nerr == 1);
  CHECK(nmsg == 1);
  silence_at_err = -1;
  run(kvt2zeiss, par, in, out);
  CHECK(nerr == 3);

  /* A stop ends the run at once and leaves no file open. */
  int before = open_fds();
  stop_at_msg = 1;
  run(kvt2zeiss, par, in, out);
  CHECK(nmsg == 1);
  CHECK(open_fds() == before);
  stop_at_msg = -1;

  /* Danish letters reach the host as Latin-1 codes (" ,v\xE6rdi: "). */
  write_file(parfile, "49 A\n");
  write_file(in, " 6 1 K 1000000000 1 1\n");
  run(kvt2zeiss, par, in, out);
  CHECK(nerr == 1 && strchr(errs[0], 0xE6) != NULL);
  write_file(parfile, "");

  /* An export with an integer argument first; texts longer than needed. */
  {
    int32_t variant = 1;
    char *p = padded(par, 20 + (int)strlen(par)), *i = padded(in, 260), *o = padded(out, 260);
    nmsg = nerr = 0;
    CHECK(kvt2sokkia(&variant, p, i, o, 20 + (int32_t)strlen(par), 260, 260) == 0);
    CHECK(nmsg == 1 && strncmp(msgs[0], "     1 poster konverteret ...", 29) == 0);
    CHECK(nerr == 0); /* 1000000000.000 fits the wide SDR33 field */
    free(p);
    free(i);
    free(o);
  }
  /* Raw files with lines the imports do not know and numbers they cannot
   * read: the imports send no error lines of their own, only the count. */
  {
    static const char* const raw[] = {
        "      1 1 K1 IH=1.55\n"
        "      1 2 K2                        D        12x.5 Hz     100.0000 V   99.0000\n"
        "THIS IS NO ZEISS LINE\n",
        "For M5|Adr 00001|    7 K7                        SD         1x.000      Hz        10.0000"
        "               100.0000\ngarbage line\n",
        "\00200NMSDR33  V04-04.03\n08KIP1                         12x.5           200.0             3.0K1\n"
        "99ZZ nothing we know\n"};
    int32_t mode = -1, variant = 0, option = 0, keep = 1;
    char *p = padded(par, 300), *i = padded(in, 300), *o = padded(out, 300);
    for (int k = 0; k < 3; ++k) {
      write_file(in, raw[k]);
      nmsg = nerr = 0;
      if (k < 2) CHECK(zeiss2kvt(&mode, &variant, &option, i, o, p, 300, 300, 300) == 0);
      else CHECK(sokkia2kvt(&mode, i, o, p, &keep, 300, 300, 300) == 0);
      CHECK(nerr == 0);
      CHECK(nmsg == 1 && strncmp(msgs[0] + 6, " poster konverteret ...", 23) == 0);
    }
    /* Nor does a raw file that is not there. */
    remove(in);
    nmsg = nerr = 0;
    CHECK(zeiss2kvt(&mode, &variant, &option, i, o, p, 300, 300, 300) == 0);
    CHECK(nerr == 0 && nmsg == 1);
    free(p);
    free(i);
    free(o);
  }
  dlclose(lib);
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  return failures ? 1 : 0;
}
