/*
 * process.h - child processes started from a Windows-style command line, and
 * the process's current directory.
 *
 * A command line is split into arguments by the Windows rules: blanks and
 * tabs separate arguments; double quotes group; 2n backslashes before a quote
 * give n backslashes and the quote groups, 2n+1 give n backslashes and a
 * literal quote; other backslashes are literal; "" inside quotes is a literal
 * quote. The program is the first argument: a name without a separator is
 * looked for in the current directory and then along PATH.
 *
 * A child gets no console: its standard streams are /dev/null. It inherits no
 * descriptor beyond those three, starts with default signal handling, and
 * leads a process group of its own, so terminating it ends everything it
 * started that stayed in its group. Every child is reaped: by the wait that
 * sees it end, or, once its handle is closed, by a background reaper.
 *
 * Results are Win32 codes (0 success; errno values are mapped: 2 program not
 * found, 5 not executable, 193 not a program, 267 bad working directory...).
 * One handle belongs to one thread at a time.
 */
#ifndef FW_PLATFORM_PROCESS_H
#define FW_PLATFORM_PROCESS_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct PlatformProcess PlatformProcess;

/* Outcomes of PlatformWaitProcess. */
enum { FW_WAIT_OBJECT_0 = 0, FW_WAIT_TIMEOUT_RESULT = 258, FW_WAIT_FAILED = -1 };

/* Splits commandLine by the Windows rules into a NULL-terminated array of new
 * texts; *count receives the number of arguments. The caller frees it with
 * PlatformFreeArguments. NULL when memory runs out. */
FW_API char **PlatformSplitCommandLine(const char *commandLine, int *count);
FW_API void PlatformFreeArguments(char **arguments);

/* Starts commandLine in workingDirectory (NULL: the current one). On success
 * *process receives a handle the caller closes with PlatformCloseProcess;
 * *pid, when given, the child's process id. A command line naming no program
 * gives 2. */
FW_API int PlatformCreateProcess(const char *commandLine, const char *workingDirectory,
                                 PlatformProcess **process, int *pid);

/* Waits up to timeoutMs milliseconds for the child to end. Returns
 * FW_WAIT_OBJECT_0 when it ended (it is then reaped and its exit code kept),
 * FW_WAIT_TIMEOUT_RESULT when it still runs, FW_WAIT_FAILED when the wait
 * itself failed (*error, when given, receives the code). */
FW_API int PlatformWaitProcess(PlatformProcess *process, uint32_t timeoutMs, int *error);

/* The exit code of a child that ended: its exit status, or 128 + the signal
 * number when a signal killed it. 259 (still active) before it ended. */
FW_API int PlatformGetExitCode(PlatformProcess *process, int *exitCode);

/* Kills the child's whole process group. The child is reaped when its handle
 * is closed (at once if it is already gone, else in the background). */
FW_API int PlatformTerminateProcess(PlatformProcess *process);

/* Releases the handle. A child that has not been reaped yet is handed to the
 * background reaper, so it never lingers as a zombie. NULL is ignored. */
FW_API void PlatformCloseProcess(PlatformProcess *process);

/* Copies the current directory into buffer of size bytes. On success *length
 * receives its length without the terminator. When it does not fit, nothing is
 * copied and *length receives the size needed, terminator included (so a
 * value of size or more means "too small"). Returns 0 or the failure's code
 * (*length then 0). */
FW_API int PlatformGetCurrentDirectory(char *buffer, uint32_t size, uint32_t *length);

/* Makes path the current directory. */
FW_API int PlatformSetCurrentDirectory(const char *path);

/* Expands every %NAME% in text with the variable's value (an exact name first,
 * then one that differs only in letter case); an undefined reference and a
 * lone '%' stay as written. Returns new memory the caller frees; NULL when
 * text is NULL or memory runs out. */
FW_API char *PlatformExpandEnvironment(const char *text);

FW_END_DECLS

#endif /* FW_PLATFORM_PROCESS_H */
