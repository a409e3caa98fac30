/*
 * paths.h - directory creation and path pieces for the log writer and the
 * data layer's files.
 *
 * Paths are split at '/'; the paths the agent builds with '\' separators are
 * turned into '/' paths before they reach the file system, so a '\' acts as a
 * separator too. Texts returned are new memory from malloc unless said.
 */
#ifndef FW_AGENT_PATHS_H
#define FW_AGENT_PATHS_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Creates one directory: 0, or the errno value of the failure (17 when it
 * exists, 2 when a parent is missing). */
FW_API int MakeDirectory(const char *path);

/* Creates the directory and any missing parents: 0 when it was created, 1 when
 * it already existed, otherwise the errno value. */
FW_API int MakeDirectoryTree(const char *path);

/* path itself when it does not end in '/', else a new copy without the
 * trailing '/' characters (the caller frees that copy). */
FW_API char *TrimTrailingSlashes(const char *path);

/* A new copy of the text before the last '/' of path, trailing '/' ignored;
 * "" when there is none. NULL when memory runs out. */
FW_API char *GetParentPath(const char *path);

FW_END_DECLS

#endif /* FW_AGENT_PATHS_H */
