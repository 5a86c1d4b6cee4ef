/* A 32-bit Windows host program of our own, run under wine: it loads its own
 * kvtdll.dll (the recording one beside it), then kvtconv.dll, and runs
 * conversions in both directions through the exports the way the surveying
 * host does: stdcall, every argument a pointer, the text lengths last.
 * Every call goes through call_stdcall, which checks that the export popped
 * exactly its arguments, on a stack that is 4- but not 16-byte aligned.
 *
 * Usage: host_test KVTCONV_DLL WORKDIR DATADIR   (Windows paths)
 * DATADIR holds points.kvt, par\VOXA.PAR, par\VOXA.ADM and expected\*. */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures;
#define CHECK(cond)                                                                    \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);        \
      ++failures;                                                                      \
    }                                                                                  \
  } while (0)

/* --- the host's own kvtdll.dll ------------------------------------------- */
static void (*kvtdll_reset)(int, int);
static int (*kvtdll_count)(int);
static const char* (*kvtdll_line)(int, int);
static int (*kvtdll_bad_codes)(void);

static int nmsg(void) { return kvtdll_count(0); }
static int nerr(void) { return kvtdll_count(1); }
static const char* msg(int i) { return kvtdll_line(0, i); }
static const char* err(int i) { return kvtdll_line(1, i); }

/* --- calling an export --------------------------------------------------- */
static HMODULE kvtconv;

/* Pushes n dwords (args[0] last, so that it lies lowest), calls fn and
 * returns its result; *popped gets the bytes the callee removed. The stack
 * at the call is deliberately 8 mod 16, as an MSVC-built host may leave it. */
static int32_t call_stdcall(void* fn, const uint32_t* args, int n, int32_t* popped) {
  int32_t ret;
  int32_t pad = ((8 - 4 * n) % 16 + 16) % 16;
  int count = n;
  const uint32_t* a = args;
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "andl $-16, %%esp\n\t"
      "subl %%edx, %%esp\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%%ebx,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "movl %%esp, %%ebx\n\t"
      "call *%%edi\n\t"
      "movl %%esp, %%edx\n\t"
      "subl %%ebx, %%edx\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(ret), "+d"(pad), "+c"(count), "+b"(a)
      : "D"(fn)
      : "esi", "memory", "cc");
  *popped = pad;
  return ret;
}

#define MAXARGS 40
typedef struct {
  uint32_t v[MAXARGS];
  int n;
  int32_t lens[16];
  int nlen;
  char* texts[16];
} Call;

static void arg_int(Call* c, int32_t* p) { c->v[c->n++] = (uint32_t)(uintptr_t)p; }
static void arg_real(Call* c, float* p) { c->v[c->n++] = (uint32_t)(uintptr_t)p; }

/* A blank-padded field wider than its text, not zero-terminated. */
static void arg_text(Call* c, const char* text) {
  const int width = (int)strlen(text) + 40;
  char* p = malloc((size_t)width);
  memset(p, ' ', (size_t)width);
  memcpy(p, text, strlen(text));
  c->texts[c->nlen] = p;
  c->lens[c->nlen++] = width;
  c->v[c->n++] = (uint32_t)(uintptr_t)p;
}

/* Runs the export with the arguments given, the text lengths appended. */
static void run(const char* name, Call* c) {
  void* fn = (void*)GetProcAddress(kvtconv, name);
  CHECK(fn != NULL);
  if (!fn) return;
  for (int i = 0; i < c->nlen; ++i) c->v[c->n++] = (uint32_t)c->lens[i];
  int32_t popped = -1;
  const int32_t r = call_stdcall(fn, c->v, c->n, &popped);
  if (r != 0 || popped != 4 * c->n)
    fprintf(stderr, "%s: returned %ld, popped %ld of %d bytes\n", name, (long)r, (long)popped,
            4 * c->n);
  CHECK(r == 0);
  CHECK(popped == 4 * c->n);
  for (int i = 0; i < c->nlen; ++i) free(c->texts[i]);
  memset(c, 0, sizeof *c);
}

/* --- files ----------------------------------------------------------------- */
static char work[MAX_PATH], data[MAX_PATH], par[MAX_PATH];

static char* slurp(const char* path, long* size) {
  FILE* f = fopen(path, "rb");
  if (!f) return NULL;
  fseek(f, 0, SEEK_END);
  const long n = ftell(f);
  fseek(f, 0, SEEK_SET);
  char* p = malloc((size_t)n + 1);
  const size_t got = fread(p, 1, (size_t)n, f);
  fclose(f);
  p[got] = '\0';
  *size = (long)got;
  return p;
}

static void write_file(const char* path, const char* text) {
  FILE* f = fopen(path, "wb");
  fputs(text, f);
  fclose(f);
}

static void copy_data(const char* from, const char* to) {
  char src[MAX_PATH];
  snprintf(src, sizeof src, "%s\\%s", data, from);
  CHECK(CopyFileA(src, to, FALSE));
}

/* The file equals DATADIR\expected\NAME, whose LF line ends must have become
 * CR LF. */
static void expect_file(const char* path, const char* name) {
  char want_path[MAX_PATH];
  snprintf(want_path, sizeof want_path, "%s\\expected\\%s", data, name);
  long nw = 0, ng = 0;
  char* want = slurp(want_path, &nw);
  char* got = slurp(path, &ng);
  if (!want || !got) {
    fprintf(stderr, "missing: %s\n", want ? path : want_path);
    ++failures;
    free(want);
    free(got);
    return;
  }
  char* crlf = malloc((size_t)nw * 2 + 1);
  long k = 0;
  for (long i = 0; i < nw; ++i) {
    if (want[i] == '\n') crlf[k++] = '\r';
    crlf[k++] = want[i];
  }
  if (k != ng || memcmp(crlf, got, (size_t)k) != 0) {
    fprintf(stderr, "%s differs from expected\\%s (%ld bytes, want %ld):\n%s\n", path, name,
            ng, k, got);
    ++failures;
  }
  free(crlf);
  free(want);
  free(got);
}

static int starts(const char* line, const char* text) {
  return strncmp(line, text, strlen(text)) == 0;
}

/* --- the conversions ------------------------------------------------------- */
static void kvt2zeiss(const char* pardir, const char* in, const char* out) {
  Call c = {0};
  arg_text(&c, pardir);
  arg_text(&c, in);
  arg_text(&c, out);
  run("KVT2ZEISS", &c);
}

static void zeiss2kvt(int32_t mode, int32_t option, const char* in, const char* out) {
  Call c = {0};
  int32_t variant = 0;
  arg_int(&c, &mode);
  arg_int(&c, &variant);
  arg_int(&c, &option);
  arg_text(&c, in);
  arg_text(&c, out);
  arg_text(&c, par);
  run("ZEISS2KVT", &c);
}

static DWORD WINAPI zeiss_thread(LPVOID arg) {
  char out[32];
  snprintf(out, sizeof out, "thread%d.zei", (int)(intptr_t)arg);
  for (int i = 0; i < 5; ++i) kvt2zeiss(par, "points.kvt", out);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: host_test KVTCONV_DLL WORKDIR DATADIR\n");
    return 2;
  }
  setvbuf(stderr, NULL, _IONBF, 0);
  _putenv("SOURCE_DATE_EPOCH=1767225600"); /* 2026-01-01 00:00 UTC */
  snprintf(data, sizeof data, "%s", argv[3]);

  /* Our own kvtdll.dll first, from beside this program. */
  char self[MAX_PATH], mine[MAX_PATH];
  GetModuleFileNameA(NULL, self, sizeof self);
  *strrchr(self, '\\') = '\0';
  snprintf(mine, sizeof mine, "%s\\kvtdll.dll", self);
  HMODULE kvtdll = LoadLibraryA(mine);
  if (!kvtdll) {
    fprintf(stderr, "cannot load %s (%lu)\n", mine, GetLastError());
    return 1;
  }
  kvtdll_reset = (void (*)(int, int))(void*)GetProcAddress(kvtdll, "kvtdll_reset");
  kvtdll_count = (int (*)(int))(void*)GetProcAddress(kvtdll, "kvtdll_count");
  kvtdll_line = (const char* (*)(int, int))(void*)GetProcAddress(kvtdll, "kvtdll_line");
  kvtdll_bad_codes = (int (*)(void))(void*)GetProcAddress(kvtdll, "kvtdll_bad_codes");
  if (!kvtdll_reset || !kvtdll_count || !kvtdll_line || !kvtdll_bad_codes) return 1;

  kvtconv = LoadLibraryA(argv[1]);
  if (!kvtconv) {
    fprintf(stderr, "cannot load %s (%lu)\n", argv[1], GetLastError());
    return 1;
  }
  CHECK(GetModuleHandleA("kvtdll.dll") == kvtdll);

  /* A fresh work directory, the current one from here on. */
  snprintf(work, sizeof work, "%s", argv[2]);
  CreateDirectoryA(work, NULL);
  snprintf(par, sizeof par, "%s\\par", work);
  CreateDirectoryA(par, NULL);
  {
    char to[MAX_PATH];
    snprintf(to, sizeof to, "%s\\VOXA.PAR", par);
    copy_data("par\\VOXA.PAR", to);
    snprintf(to, sizeof to, "%s\\VOXA.ADM", par);
    copy_data("par\\VOXA.ADM", to);
    snprintf(to, sizeof to, "%s\\points.kvt", work);
    copy_data("points.kvt", to);
  }
  CHECK(SetCurrentDirectoryA(work));

  /* Catalogue to Zeiss REC 500 and back. */
  kvtdll_reset(-1, -1);
  kvt2zeiss(par, "points.kvt", "points.zei");
  CHECK(nerr() == 0);
  CHECK(nmsg() == 1 && starts(msg(0), "     5 poster konverteret ..."));
  expect_file("points.zei", "points.zei");

  kvtdll_reset(-1, -1);
  zeiss2kvt(-1, 1, "points.zei", "back.kvt");
  CHECK(nerr() == 0);
  CHECK(nmsg() == 1 && starts(msg(0), "     4 poster konverteret ..."));
  expect_file("back.kvt", "back.kvt");

  /* Catalogue to Sokkia SDR33 and back. */
  {
    Call c = {0};
    int32_t variant = 1;
    arg_int(&c, &variant);
    arg_text(&c, par);
    arg_text(&c, "points.kvt");
    arg_text(&c, "points.sdr");
    kvtdll_reset(-1, -1);
    run("KVT2SOKKIA", &c);
    CHECK(nerr() == 0 && nmsg() == 1);
    expect_file("points.sdr", "points.sdr");

    int32_t mode = -1, keep = 0;
    arg_int(&c, &mode);
    arg_text(&c, "points.sdr");
    arg_text(&c, "sokkia.kvt");
    arg_text(&c, par);
    arg_int(&c, &keep);
    kvtdll_reset(-1, -1);
    run("SOKKIA2KVT", &c);
    CHECK(nerr() == 0);
    CHECK(nmsg() == 1 && starts(msg(0), "     5 poster konverteret ..."));
    expect_file("sokkia.kvt", "sokkia.kvt");
  }

  /* Mode 0 leaves an existing catalogue alone (parameter 75 is JA) unless
   * the name carries /OW, which needs no blank before it here. */
  write_file("back.kvt", "keep me\r\n");
  kvtdll_reset(-1, -1);
  zeiss2kvt(0, 1, "points.zei", "back.kvt");
  {
    long n = 0;
    char* kept = slurp("back.kvt", &n);
    CHECK(kept && strcmp(kept, "keep me\r\n") == 0);
    free(kept);
  }
  zeiss2kvt(0, 1, "points.zei", "back.kvt/OW");
  expect_file("back.kvt", "back.kvt");

  /* Full names with a drive are used as given; bare names go to the
   * directory of the first directory-table entry (here a relative one, as
   * entries hold only 50 characters), followed by the name as the entry is
   * written: it ends with its own "\". */
  {
    char sub[MAX_PATH], subpar[MAX_PATH], line[MAX_PATH + 16], full[MAX_PATH];
    snprintf(sub, sizeof sub, "%s\\data", work);
    CreateDirectoryA(sub, NULL);
    snprintf(subpar, sizeof subpar, "%s\\par2", work);
    CreateDirectoryA(subpar, NULL);
    snprintf(full, sizeof full, "%s\\VOXA.ADM", subpar);
    copy_data("par\\VOXA.ADM", full);
    snprintf(full, sizeof full, "%s\\VOXA.PAR", subpar);
    write_file(full, " 51 data\\\r\n");
    snprintf(full, sizeof full, "%s\\points.kvt", sub);
    copy_data("points.kvt", full);
    kvtdll_reset(-1, -1);
    kvt2zeiss(subpar, "points.kvt", "table.zei");
    CHECK(nerr() == 0);
    expect_file("data\\table.zei", "points.zei");
    CHECK(GetFileAttributesA("table.zei") == INVALID_FILE_ATTRIBUTES);
    snprintf(full, sizeof full, "%s\\points.kvt", work);
    snprintf(line, sizeof line, "%s\\drive.zei", work);
    kvt2zeiss(subpar, full, line);
    expect_file(line, "points.zei");
  }

  /* Latin-1 file names reach the file system as the host's ANSI names. */
  CHECK(CopyFileA("points.kvt", "b\xE6k.kvt", FALSE));
  kvtdll_reset(-1, -1);
  kvt2zeiss(par, "b\xE6k.kvt", "\xF8st.zei");
  CHECK(nmsg() == 1 && starts(msg(0), "     5 poster konverteret ..."));
  expect_file("\xF8st.zei", "points.zei");

  /* Error lines: bad parameter values, Danish letters as Latin-1 codes, and
   * silencing for one run only. A value too wide for its field is no line
   * of the host's. */
  write_file("wide.kvt", " 6 1 K 1000000000 1 1\n");
  kvtdll_reset(-1, -1);
  kvt2zeiss(par, "wide.kvt", "wide.zei");
  CHECK(nerr() == 0);
  CreateDirectoryA("badpar", NULL);
  write_file("badpar\\VOXA.PAR", "49 A\n49 B\n49 C\n");
  write_file("badpar\\VOXA.ADM", " 8\n 8\n 8\n 8\n 8\n 8  TEST\n 8\n 8\n");
  kvtdll_reset(-1, -1);
  kvt2zeiss("badpar", "points.kvt", "wide.zei");
  CHECK(nerr() == 3 && (unsigned char)err(0)[45] == 0xE6);
  CHECK(!kvtdll_bad_codes());
  kvtdll_reset(-1, 1);
  kvt2zeiss("badpar", "points.kvt", "wide.zei");
  CHECK(nerr() == 1);
  CHECK(nmsg() == 1);
  kvtdll_reset(-1, -1);
  kvt2zeiss("badpar", "points.kvt", "wide.zei");
  CHECK(nerr() == 3);

  /* A stop ends the run at once and leaves no file open: Windows refuses to
   * delete an open file. */
  kvtdll_reset(1, -1);
  kvt2zeiss(par, "points.kvt", "stopped.zei");
  CHECK(nmsg() == 1);
  CHECK(DeleteFileA("stopped.zei"));
  CHECK(DeleteFileA("wide.kvt"));

  /* Every export once, with missing files: each returns 0 and pops its
   * arguments. */
  {
    Call c = {0};
    int32_t i[10] = {0};
    float f[4] = {0};
    const char* none = "-";
    kvtdll_reset(-1, -1);
    arg_int(&c, &i[0]), arg_int(&c, &i[1]), arg_int(&c, &i[2]);
    arg_text(&c, none), arg_text(&c, none), arg_text(&c, par);
    run("ZEISS2KVT", &c);
    arg_int(&c, &i[0]), arg_text(&c, none), arg_text(&c, none), arg_text(&c, par);
    arg_int(&c, &i[1]);
    run("SOKKIA2KVT", &c);
    arg_int(&c, &i[0]), arg_text(&c, none), arg_text(&c, none), arg_text(&c, none);
    arg_text(&c, par);
    run("LEICA2KVT", &c);
    arg_int(&c, &i[0]), arg_text(&c, none), arg_text(&c, none), arg_text(&c, none);
    arg_text(&c, par);
    run("GEO2KVT", &c);
    arg_text(&c, par), arg_text(&c, none), arg_text(&c, none);
    run("KVT2GEO", &c);
    arg_int(&c, &i[0]), arg_text(&c, par), arg_text(&c, none), arg_text(&c, none);
    run("KVT2LEICA", &c);
    arg_int(&c, &i[0]), arg_text(&c, par), arg_text(&c, none), arg_text(&c, none);
    run("KVT2SOKKIA", &c);
    arg_text(&c, par), arg_text(&c, none), arg_text(&c, none);
    run("KVT2ZEISS", &c);
    for (int k = 0; k < 4; ++k) arg_int(&c, &i[k]);
    arg_real(&c, &f[0]), arg_int(&c, &i[4]), arg_real(&c, &f[1]);
    for (int k = 5; k < 8; ++k) arg_int(&c, &i[k]);
    for (int k = 0; k < 12; ++k) arg_text(&c, k == 5 ? par : none);
    run("KVT2DSFL", &c);
    arg_int(&c, &i[0]);
    for (int k = 0; k < 3; ++k) arg_real(&c, &f[k]);
    for (int k = 1; k < 6; ++k) arg_int(&c, &i[k]);
    for (int k = 0; k < 7; ++k) arg_text(&c, k == 0 ? par : none);
    run("DSFL2KVT", &c);
    arg_int(&c, &i[0]), arg_int(&c, &i[1]);
    arg_text(&c, par), arg_text(&c, none), arg_text(&c, none), arg_text(&c, none);
    run("FRI2KVT", &c);
    arg_text(&c, none), arg_text(&c, none), arg_text(&c, par);
    run("SUB3SKIA", &c);
    arg_text(&c, none), arg_text(&c, none), arg_text(&c, par);
    run("SUB3SKIB", &c);
    for (int k = 0; k < 5; ++k) arg_text(&c, none);
    arg_text(&c, par);
    run("SUB3SKIC", &c);
    CHECK(!kvtdll_bad_codes());
  }

  /* Two threads share the one session in turn. */
  {
    HANDLE t[2];
    for (int k = 0; k < 2; ++k) t[k] = CreateThread(NULL, 0, zeiss_thread, (LPVOID)(intptr_t)k, 0, NULL);
    WaitForMultipleObjects(2, t, TRUE, INFINITE);
    for (int k = 0; k < 2; ++k) CloseHandle(t[k]);
    expect_file("thread0.zei", "points.zei");
    expect_file("thread1.zei", "points.zei");
  }

  FreeLibrary(kvtconv);
  FreeLibrary(kvtdll);
  if (failures) {
    fprintf(stderr, "%d checks failed\n", failures);
    return 1;
  }
  printf("wine host ok\n");
  return 0;
}
