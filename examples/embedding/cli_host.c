/* A host that runs the command-line tool instead of linking the library:
 * no ABI to keep in step, one process per conversion. The exit status says
 * how the run went: 0 no error line, 1 error lines (on stderr), 2 bad usage.
 * Usage: cli_host PARDIR INPUT.kvt OUTPUT.zei   (kvtconv found on PATH) */
#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s PARDIR INPUT OUTPUT\n", argv[0]);
    return 2;
  }
  char* args[] = {"kvtconv", "kvt2zeiss", "--par", argv[1], argv[2], argv[3], NULL};
  pid_t pid;
  int status;
  if (posix_spawnp(&pid, "kvtconv", NULL, NULL, args, environ) != 0) {
    perror("kvtconv");
    return 2;
  }
  if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status)) return 2;
  printf("kvtconv exited with %d\n", WEXITSTATUS(status));
  return WEXITSTATUS(status);
}
