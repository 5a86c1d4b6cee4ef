/* Queries of the default host message library, libkvtdll. */
#ifndef KVTDLL_H
#define KVTDLL_H

#ifdef __cplusplus
extern "C" {
#endif

#ifndef _WIN32
/* 1 when WR_MSG, as a library loaded now would bind it, is libkvtdll's own
 * default (lines go to standard output and error), 0 when the host program
 * supplies it (exported from the executable, a library loaded with
 * RTLD_GLOBAL, or LD_PRELOAD). Find it with dlsym on the libkvtconv handle.
 * Setting KVTDLL_WARN_DEFAULT=1 makes the default print a one-time notice. */
int kvtdll_is_default(void);
#endif

#ifdef __cplusplus
}
#endif
#endif
