/* Links against kvtconv.dll's import library through kvtconv.h alone: the
 * header's stdcall declarations must name the sizes the DLL exports, or this
 * does not link. Run beside kvtconv.dll and the default kvtdll.dll, it
 * converts one catalogue, whose closing line the default kvtdll.dll prints.
 * Usage: link_test PARDIR INPUT OUTPUT */
#include <stdio.h>
#include <string.h>

#include "kvtconv.h"

int main(int argc, char** argv) {
  /* Every export, so that each must resolve. */
  void* const all[] = {
      (void*)ZEISS2KVT, (void*)SOKKIA2KVT, (void*)LEICA2KVT, (void*)GEO2KVT, (void*)KVT2GEO,
      (void*)KVT2LEICA, (void*)KVT2SOKKIA, (void*)KVT2ZEISS, (void*)KVT2DSFL, (void*)DSFL2KVT,
      (void*)FRI2KVT,   (void*)SUB3SKIA,   (void*)SUB3SKIB,  (void*)SUB3SKIC,
  };
  for (size_t i = 0; i < sizeof all / sizeof all[0]; ++i)
    if (!all[i]) return 1;
  if (argc != 4) return 2;
  return KVT2ZEISS(argv[1], argv[2], argv[3], (int32_t)strlen(argv[1]), (int32_t)strlen(argv[2]),
                   (int32_t)strlen(argv[3]));
}
