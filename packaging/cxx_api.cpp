// libkvtconv++ is the core archive linked whole; this unit only proves that
// the public header compiles on its own, as a host includes it.
#include "kvtconv.hpp"
