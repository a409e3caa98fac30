/*
 * unicode.h - UTF-16 to UTF-8, for the registry's UTF-16 files and the
 * agent's wide texts.
 */
#ifndef FW_PLATFORM_UNICODE_H
#define FW_PLATFORM_UNICODE_H

#include <stddef.h>
#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* The most bytes PlatformUtf16ToUtf8 writes for count units. */
#define FW_UTF8_BYTES_FOR_UTF16(count) ((count)*3)

/* Converts count UTF-16 units into UTF-8 at out, which has room for
 * FW_UTF8_BYTES_FOR_UTF16(count) bytes; adds no terminator. Unpaired
 * surrogates become U+FFFD. Returns the number of bytes written. */
FW_API size_t PlatformUtf16ToUtf8(const uint16_t *units, size_t count, char *out);

FW_END_DECLS

#endif /* FW_PLATFORM_UNICODE_H */
