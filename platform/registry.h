/*
 * registry.h - the read-only registry, kept in a text file.
 *
 * The agent's settings live in a file in the export format of the Windows
 * registry editor:
 *
 *     Windows Registry Editor Version 5.00
 *
 *     [HKEY_LOCAL_MACHINE\Software\Vendor\Product]
 *     "Name"="text"            (escapes \\ and \")
 *     "Level"=dword:0000000a
 *     "Blob"=hex:01,02,ff      (hex(N): gives the value type N; a trailing '\'
 *                               continues the list on the next line)
 *     @="default value"
 *
 * The file is named by the environment variable FWAGENT_REGISTRY_FILE, by
 * default /etc/fwagent/registry.reg. It may be UTF-8 (with or without a byte
 * order mark) or UTF-16LE with its mark. Key paths and value names are compared
 * ignoring ASCII letter case. Lines starting with ';' are comments.
 *
 * Conventions: every call returns a Win32 code: 0 success, 2 for a missing
 * file, key or value, 234 when the caller's buffer is too small, 1009 when the
 * file is malformed, 6 for an invalid key handle, 8 when memory runs out, or
 * the code of the failed file read. The file is read afresh by every open, so a
 * key reflects the file at the time it was opened. Calls are safe from any
 * thread; one key handle must not be used by two threads at once.
 */
#ifndef FW_PLATFORM_REGISTRY_H
#define FW_PLATFORM_REGISTRY_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct PlatformRegKey *PlatformHKey;

/* The predefined roots, as the registry editor names them in section headers. */
#define FW_HKEY_CLASSES_ROOT ((PlatformHKey)(uintptr_t)0x80000000u)
#define FW_HKEY_CURRENT_USER ((PlatformHKey)(uintptr_t)0x80000001u)
#define FW_HKEY_LOCAL_MACHINE ((PlatformHKey)(uintptr_t)0x80000002u)
#define FW_HKEY_USERS ((PlatformHKey)(uintptr_t)0x80000003u)

enum {
    FW_REG_NONE = 0,
    FW_REG_SZ = 1,
    FW_REG_EXPAND_SZ = 2,
    FW_REG_BINARY = 3,
    FW_REG_DWORD = 4,
    FW_REG_MULTI_SZ = 7,
    FW_REG_QWORD = 11
};

/* The environment variable naming the registry file, and its default. */
#define FW_REGISTRY_FILE_VARIABLE "FWAGENT_REGISTRY_FILE"
#define FW_REGISTRY_FILE_DEFAULT "/etc/fwagent/registry.reg"

/* Opens subKey (backslash-separated, relative to root) for querying. On
 * success *out receives a handle that the caller closes with
 * PlatformRegCloseKey; on failure *out is NULL. */
FW_API int PlatformRegOpenKey(PlatformHKey root, const char *subKey, PlatformHKey *out);

/* Reads the value called name (NULL or "" for the key's default value).
 * type, when given, receives the value's type. With data NULL only *size is
 * set to the data length. Otherwise *size holds the buffer's capacity: when the
 * data fit they are copied, *size becomes their length and 0 is returned; when
 * they do not, nothing is copied, *size becomes the length needed and 234 is
 * returned. Text values are stored with their terminating zero byte, which
 * counts in the length. */
FW_API int PlatformRegQueryValue(PlatformHKey key, const char *name, uint32_t *type, void *data,
                                 uint32_t *size);

/* Releases a handle from PlatformRegOpenKey. Predefined roots and NULL are
 * accepted and ignored. */
FW_API int PlatformRegCloseKey(PlatformHKey key);

/* Describes why the calling thread's last open failed with 1009 or a file
 * error ("<file>:<line>: <reason>"), or "" when it did not. The text belongs
 * to the thread and stays valid until its next open. */
FW_API const char *PlatformRegLastProblem(void);

FW_END_DECLS

#endif /* FW_PLATFORM_REGISTRY_H */
