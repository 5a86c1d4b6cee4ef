/* Write faults on purpose, for the tests: preloaded into the command-line
 * program, it counts the write operations on files opened for writing
 * (fwrite, fflush, fclose, write, ftruncate; standard streams excluded) and
 * makes the one numbered KVT_FAULT_AT fail as a full disk would. With
 * KVT_FAULT_COUNT=FILE it only counts and writes the count to FILE at exit. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static long operations;
static long failAt = -1;

static void setup(void) __attribute__((constructor));
static void setup(void) {
  const char* at = getenv("KVT_FAULT_AT");
  if (at) failAt = atol(at);
}

static void report(void) __attribute__((destructor));
static void report(void) {
  const char* path = getenv("KVT_FAULT_COUNT");
  if (!path) return;
  char text[32];
  const int n = snprintf(text, sizeof text, "%ld\n", operations);
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  ssize_t (*real)(int, const void*, size_t) = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  if (real(fd, text, (size_t)n) < 0) { /* nothing to do */ }
  close(fd);
}

/* True when this operation is the one to fail. */
static int fault(void) {
  ++operations;
  if (operations != failAt) return 0;
  errno = ENOSPC;
  return 1;
}

static int counted(FILE* f) { return f && fileno(f) > 2 && __fwritable(f); }

size_t fwrite(const void* p, size_t size, size_t n, FILE* f) {
  static size_t (*real)(const void*, size_t, size_t, FILE*);
  if (!real) real = (size_t(*)(const void*, size_t, size_t, FILE*))dlsym(RTLD_NEXT, "fwrite");
  if (counted(f) && size * n > 0 && fault()) return 0;
  return real(p, size, n, f);
}

int fflush(FILE* f) {
  static int (*real)(FILE*);
  if (!real) real = (int (*)(FILE*))dlsym(RTLD_NEXT, "fflush");
  if (counted(f) && fault()) return EOF;
  return real(f);
}

int fclose(FILE* f) {
  static int (*real)(FILE*);
  if (!real) real = (int (*)(FILE*))dlsym(RTLD_NEXT, "fclose");
  const int fails = counted(f) && fault();
  const int r = real(f);
  if (fails) {
    errno = ENOSPC;
    return EOF;
  }
  return r;
}

ssize_t write(int fd, const void* p, size_t n) {
  static ssize_t (*real)(int, const void*, size_t);
  if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  if (fd > 2 && n > 0 && fault()) return -1;
  return real(fd, p, n);
}

int ftruncate(int fd, off_t size) {
  static int (*real)(int, off_t);
  if (!real) real = (int (*)(int, off_t))dlsym(RTLD_NEXT, "ftruncate");
  if (fd > 2 && fault()) return -1;
  return real(fd, size);
}
