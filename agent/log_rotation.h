/*
 * log_rotation.h - keeping a live log file below its size limit.
 *
 * When the live file has reached its limit, the numbered backups
 * "<base><n>.log" are shifted up by one (the one beyond the count is deleted),
 * the live file is copied to backup 1 and emptied in place. The copy and the
 * emptying happen under the log's lock key, so no record is lost between them
 * and none is cut in half; a writer that appends continues at the start of the
 * emptied file. A copy that fails leaves the live file as it was.
 *
 * Directories are passed with a trailing '\' (or '/'), as the agent builds
 * them. Every file operation that fails is logged and skipped. Texts returned
 * are new memory from malloc that the caller frees.
 */
#ifndef FW_AGENT_LOG_ROTATION_H
#define FW_AGENT_LOG_ROTATION_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Rotates directory\fileName (directory NULL: gv_agentInstallDir "logs\")
 * when CheckLogSizeReached says so. 0 when nothing was due, else
 * RotateSpecificLogs' result. */
FW_API int RotateLoggerForEverRunningProcess(const char *directory, const char *fileName,
                                             int maxFileCount, int maxFileSize);

/* 1 when the file's size is at least maxFileSize, else 0 (a missing file
 * counts as size 0). */
FW_API int CheckLogSizeReached(const char *filePath, int maxFileSize);

/* Rotates each ';'-separated name of fileNames in directory (NULL: read the
 * installation directory). Mode 1 rotates always, keeping the live file open
 * for its writer; mode 0 rotates a file larger than maxFileSize and deletes
 * the live file after the copy; other modes never rotate. fileNames is not
 * changed. 0, or the registry's code when directory is NULL and cannot be
 * read. */
FW_API int RotateSpecificLogs(const char *directory, const char *fileNames, int maxFileCount,
                              int maxFileSize, int mode);

/* The number of entries of directory whose names begin with base (files and
 * directories alike, "." and ".." included when base is empty), or -1 when
 * the search fails. */
FW_API int FindNoOfRepeatedFileNames(const char *directory, const char *base);

/* directory "\" base n ".log", where base is the text of fileName before its
 * first ".log" (empty when it holds none). NULL when memory runs out. */
FW_API char *MakeRotatedLogName(const char *directory, const char *fileName, int n);

FW_END_DECLS

#endif /* FW_AGENT_LOG_ROTATION_H */
