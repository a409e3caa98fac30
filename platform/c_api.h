/*
 * c_api.h - the two macros every public header of the project is wrapped in.
 *
 * Public headers are plain C: records, free functions and constants only, so the
 * libraries can be called from C and from any language with a C foreign-function
 * interface. Wrap declarations in FW_BEGIN_DECLS / FW_END_DECLS and mark each
 * exported function with FW_API.
 */
#ifndef FW_PLATFORM_C_API_H
#define FW_PLATFORM_C_API_H

#ifdef __cplusplus
#define FW_BEGIN_DECLS extern "C" {
#define FW_END_DECLS }
#else
#define FW_BEGIN_DECLS
#define FW_END_DECLS
#endif

#define FW_API __attribute__((visibility("default")))

#endif /* FW_PLATFORM_C_API_H */
