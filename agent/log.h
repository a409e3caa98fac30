/*
 * log.h - the process's one text log.
 *
 * Conventions
 * - Four printf-style calls write one record each: LogInfo (written from level
 *   1), LogError (from 2), LogDebug (from 3), LogTrace (from 4); level 0 writes
 *   nothing. A record is "[ <time stamp> ] [ <thread id> ] [<TAG>] " followed
 *   by the caller's text exactly as formatted: no line end is added. Every
 *   record is flushed at once.
 * - The level calls are safe from any thread, before the log is opened and
 *   after it is closed (they then write nothing). Records of different threads
 *   never interleave: each is written under LockObject(LogLockKey).
 * - The set-up calls (InitLogDefaults, SetLog..., Open..., CloseLog,
 *   FreeLogParams) are made while no other thread logs.
 * - Boolean results are 1 (true) and 0 (false). Every text returned is new
 *   memory from malloc that the caller releases with free(), unless said.
 */
#ifndef FW_AGENT_LOG_H
#define FW_AGENT_LOG_H

#include <stdio.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define FW_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))

/* The open log stream, or NULL. Set by the open calls and SetLogFilePtr. */
FW_API extern FILE *gv_logFilePtr;

/* Which calls write (see above). 0 until InitLogDefaults sets 3. */
FW_API extern unsigned char LogLevel;

/* The address every record is written under; NULL until InitLogDefaults.
 * Without it nothing is written. */
FW_API extern void *LogLockKey;

/* The level calls. They return 0; nothing they meet fails their caller. */
FW_API int LogInfo(const char *format, ...) FW_PRINTF_LIKE(1, 2);
FW_API int LogError(const char *format, ...) FW_PRINTF_LIKE(1, 2);
FW_API int LogDebug(const char *format, ...) FW_PRINTF_LIKE(1, 2);
FW_API int LogTrace(const char *format, ...) FW_PRINTF_LIKE(1, 2);

/* Library defaults. With no stream and no name: name "quillon.log", a new
 * LogLockKey, no directory, level 3. With a stream open: level back to 3 only.
 * With a name but no stream: nothing changes. 0 only when the name cannot be
 * copied. */
FW_API int InitLogDefaults(void);

/* Stores copies of name and directory (both required) and the low 8 bits of
 * level. 0 when either is NULL or cannot be copied. An open stream is not
 * touched. */
FW_API int SetLogParams(const char *name, const char *directory, unsigned int level);

/* Store a copy of the name or directory; 0 and no change for NULL. */
FW_API int SetLogFileName(const char *name);
FW_API int SetLogDirectory(const char *directory);
FW_API void SetLogLevel(unsigned char level);

/* Open the log, emptying it ("w") or appending ("a+"). The path is the first
 * that applies: directory "/" name when a directory is set (the directory is
 * created with its parents); root "/logs/" name when the data-layer root is
 * set; else "../logs/" name relative to the current directory. With a stream
 * already open nothing is opened and 1 is returned. The first record written
 * is "Log open time: <time stamp>". 0 when the file cannot be opened. */
FW_API int OpenLogTruncate(void);
FW_API int OpenLogAppend(void);

/* Installs an already open stream as the log; 0 for NULL. The log takes the
 * stream over: CloseLog closes it. */
FW_API int SetLogFilePtr(FILE *stream);

/* Writes "Log close time: <time stamp>", closes the stream and forgets it. */
FW_API void CloseLog(void);

/* Frees name, directory, path and LogLockKey; LogLevel keeps its value. */
FW_API void FreeLogParams(void);

/* The path of the file the last open chose, or NULL; belongs to the log. */
FW_API const char *GetLogFilePath(void);

/* Sets the data layer's root directory. The text is not copied: the caller
 * keeps it alive while the root is in use. NULL keeps the root as it was and
 * writes the DEBUG record "Default Path Used". */
FW_API void SetQuillonRoot(const char *path);

/* The root set by SetQuillonRoot, or NULL; belongs to the caller of
 * SetQuillonRoot. */
FW_API const char *GetQuillonRoot(void);

/* Local time as "%d-%02d-%02d %02d:%02d:%02d:%03d" (year, month, day, hour,
 * minute, second, millisecond). NULL when memory runs out. */
FW_API char *GetTimeStamp(void);

FW_END_DECLS

#endif /* FW_AGENT_LOG_H */
