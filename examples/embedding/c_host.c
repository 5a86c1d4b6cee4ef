/* A host linked against libkvtconv that brings its own WR_MSG and WR_ERROR.
 * Defining them in the executable is enough: the linker exports them because
 * libkvtconv.so refers to them, and they take precedence over libkvtdll's.
 * Usage: c_host PARDIR INPUT.kvt OUTPUT.zei */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "kvtconv.h"

static int lines, errors;

/* One line of 80 Latin-1 codes, blank-padded. */
static void show(const char* tag, const int32_t* codes) {
  char text[81];
  int n = 80;
  while (n > 0 && codes[n - 1] == ' ') --n;
  for (int i = 0; i < n; ++i) text[i] = (char)codes[i];
  text[n] = '\0';
  printf("%s %s\n", tag, text);
}

int32_t WR_MSG(int32_t* codes) {
  ++lines;
  show("[msg]", codes);
  return 0; /* 1 would stop the run */
}

int32_t WR_ERROR(int32_t* codes) {
  ++errors;
  show("[err]", codes);
  return 0; /* 1 would silence further error lines of this run */
}

/* Texts are passed blank-padded, not zero-terminated, with their lengths. */
static void field(char* dst, int32_t width, const char* text) {
  memset(dst, ' ', (size_t)width);
  memcpy(dst, text, strnlen(text, (size_t)width));
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s PARDIR INPUT OUTPUT\n", argv[0]);
    return 2;
  }
  char par[256], in[256], out[256];
  field(par, sizeof par, argv[1]);
  field(in, sizeof in, argv[2]);
  field(out, sizeof out, argv[3]);
  KVT2ZEISS(par, in, out, sizeof par, sizeof in, sizeof out);
  printf("host received %d message lines, %d error lines\n", lines, errors);
  return lines > 0 && errors == 0 ? 0 : 1;
}
