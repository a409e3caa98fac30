/*
 * paths.h - Windows path literals on a Linux file system.
 *
 * The agent builds its paths the way it always has, with backslashes
 * ("%slogs\", "%s\%s*.*"). Every platform call that hands a path to the file
 * system passes it through PlatformNativePath first, so a backslash always acts
 * as a directory separator here.
 */
#ifndef FW_PLATFORM_PATHS_H
#define FW_PLATFORM_PATHS_H

#include <stddef.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* A new copy of path with every '\' turned into '/'. The caller frees it with
 * free(). NULL when path is NULL or memory runs out. */
FW_API char *PlatformNativePath(const char *path);

/* The same conversion in place; returns path. NULL is returned unchanged. */
FW_API char *PlatformNativePathInPlace(char *path);

FW_END_DECLS

#endif /* FW_PLATFORM_PATHS_H */
