/* kvtconv: conversions between the KVT catalogue and survey instrument and
 * exchange formats. Every export is one complete run; it reports through the
 * host's WR_MSG/WR_ERROR and returns 0. Texts are blank-padded Latin-1 bytes,
 * not zero-terminated; their lengths follow all other arguments, by value. */
#ifndef KVTCONV_H
#define KVTCONV_H

#include <stdint.h>

#if defined(_WIN32)
#define KVT_CALL __stdcall
#if defined(KVTCONV_BUILDING)
#define KVT_API __declspec(dllexport)
#else
#define KVT_API __declspec(dllimport)
#endif
#else
#define KVT_CALL
#define KVT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Supplied by the host library kvtdll: one line of 80 Latin-1 codes.
 * WR_MSG returning 1 stops the run; WR_ERROR returning 1 silences errors. */
int32_t KVT_CALL WR_MSG(int32_t* codes);
int32_t KVT_CALL WR_ERROR(int32_t* codes);

KVT_API int32_t KVT_CALL ZEISS2KVT(int32_t* mode, int32_t* variant, int32_t* option,
                                   char* input, char* output, char* pardir, int32_t input_len,
                                   int32_t output_len, int32_t pardir_len);
KVT_API int32_t KVT_CALL SOKKIA2KVT(int32_t* mode, char* input, char* output, char* pardir,
                                    int32_t* keep_unknown, int32_t input_len,
                                    int32_t output_len, int32_t pardir_len);
KVT_API int32_t KVT_CALL LEICA2KVT(int32_t* mode, char* input, char* output, char* labels,
                                   char* pardir, int32_t input_len, int32_t output_len,
                                   int32_t labels_len, int32_t pardir_len);
KVT_API int32_t KVT_CALL GEO2KVT(int32_t* mode, char* input, char* output, char* labels,
                                 char* pardir, int32_t input_len, int32_t output_len,
                                 int32_t labels_len, int32_t pardir_len);
KVT_API int32_t KVT_CALL KVT2GEO(char* pardir, char* input, char* output, int32_t pardir_len,
                                 int32_t input_len, int32_t output_len);
KVT_API int32_t KVT_CALL KVT2LEICA(int32_t* option, char* pardir, char* input, char* output,
                                   int32_t pardir_len, int32_t input_len, int32_t output_len);
KVT_API int32_t KVT_CALL KVT2SOKKIA(int32_t* variant, char* pardir, char* input, char* output,
                                    int32_t pardir_len, int32_t input_len, int32_t output_len);
KVT_API int32_t KVT_CALL KVT2ZEISS(char* pardir, char* input, char* output, int32_t pardir_len,
                                   int32_t input_len, int32_t output_len);
KVT_API int32_t KVT_CALL KVT2DSFL(int32_t* i1, int32_t* i2, int32_t* i3, int32_t* i4, float* f5,
                                  int32_t* i6, float* f7, int32_t* i8, int32_t* i9, int32_t* i10,
                                  char* t1, char* t2, char* t3, char* t4, char* t5, char* t6,
                                  char* t7, char* t8, char* t9, char* t10, char* t11, char* t12,
                                  int32_t l1, int32_t l2, int32_t l3, int32_t l4, int32_t l5,
                                  int32_t l6, int32_t l7, int32_t l8, int32_t l9, int32_t l10,
                                  int32_t l11, int32_t l12);
KVT_API int32_t KVT_CALL DSFL2KVT(int32_t* i1, float* f2, float* f3, float* f4, int32_t* i5,
                                  int32_t* i6, int32_t* i7, int32_t* i8, int32_t* i9, char* t1,
                                  char* t2, char* t3, char* t4, char* t5, char* t6, char* t7,
                                  int32_t l1, int32_t l2, int32_t l3, int32_t l4, int32_t l5,
                                  int32_t l6, int32_t l7);
KVT_API int32_t KVT_CALL FRI2KVT(int32_t* nfiles, int32_t* option, char* pardir, char* fourth,
                                 char* list, char* output, int32_t pardir_len,
                                 int32_t fourth_len, int32_t list_len, int32_t output_len);
KVT_API int32_t KVT_CALL SUB3SKIA(char* input, char* output, char* pardir, int32_t input_len,
                                  int32_t output_len, int32_t pardir_len);
KVT_API int32_t KVT_CALL SUB3SKIB(char* input, char* output, char* pardir, int32_t input_len,
                                  int32_t output_len, int32_t pardir_len);
KVT_API int32_t KVT_CALL SUB3SKIC(char* opt1, char* opt2, char* opt3, char* output, char* input,
                                  char* pardir, int32_t opt1_len, int32_t opt2_len,
                                  int32_t opt3_len, int32_t output_len, int32_t input_len,
                                  int32_t pardir_len);

#ifdef __cplusplus
}
#endif

#endif
