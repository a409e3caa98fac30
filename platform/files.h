/*
 * files.h - the file services of the agent: directory search with wildcards,
 * sizes, copy, delete and truncation.
 *
 * Paths may use '\' or '/' as separators (see paths.h). Every call returns a
 * Win32 code: 0 for success, otherwise the code for the failure (2 missing
 * file, 3 missing directory, 5 access denied, 18 no more entries, ...). Calls
 * are safe from any thread; one search handle belongs to one thread at a time.
 */
#ifndef FW_PLATFORM_FILES_H
#define FW_PLATFORM_FILES_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct PlatformFind PlatformFind;

typedef struct PlatformFindEntry {
    char name[256]; /* the entry's name, without its directory */
    int isDirectory;
} PlatformFindEntry;

/* Starts a search as find-first-file does: the last path component may hold
 * '*' (any run of characters) and '?' (one character), and a trailing ".*"
 * also matches names without a dot, so "base*.*" matches "base" itself.
 * Directory entries "." and ".." take part like any other. A component without
 * wildcards names the entry itself. On success *search receives a handle to
 * close with PlatformFindClose and entry the first match; on failure *search is
 * NULL and the result is 2 (nothing matched), 3 (no such directory) or the
 * code of the failure. */
FW_API int PlatformFindFirst(const char *pattern, PlatformFind **search, PlatformFindEntry *entry);

/* The next match into entry; 18 when there is none left. */
FW_API int PlatformFindNext(PlatformFind *search, PlatformFindEntry *entry);

/* Ends a search. NULL is ignored. */
FW_API void PlatformFindClose(PlatformFind *search);

/* The size of a regular file in bytes. A directory gives 5, unless
 * allowDirectory is non-zero: then it opens and reports size 0, as a handle
 * opened with backup semantics does. *size is 0 on failure. */
FW_API int PlatformFileSize(const char *path, int allowDirectory, uint64_t *size);

/* Copies from over to, replacing to. A copy that fails part-way (a full disk)
 * removes the partial destination file, so a failed copy never leaves a
 * damaged backup behind. */
FW_API int PlatformCopyFile(const char *from, const char *to);

/* Removes a file (not a directory). */
FW_API int PlatformDeleteFile(const char *path);

/* Empties an existing file in place; a missing file is 2, never created. Open
 * descriptors of the file stay valid, and a writer that appends continues at
 * its start. */
FW_API int PlatformTruncateFile(const char *path);

/* Opens an existing file for reading and writing and closes it again: the
 * test of existence and access that precedes a size check. */
FW_API int PlatformProbeFile(const char *path);

FW_END_DECLS

#endif /* FW_PLATFORM_FILES_H */
