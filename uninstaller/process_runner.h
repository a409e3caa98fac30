/*
 * process_runner.h - runs one command line as a child process with a time
 * limit and turns its outcome into a result and a remark.
 *
 * Conventions: results are Win32 codes or the child's exit code (see
 * execute). The remark is new memory from malloc that the caller frees. Every
 * outcome is logged through the agent log. execute changes the process's
 * current directory while it runs a command in a working directory: two
 * threads must not run it with working directories at the same time.
 */
#ifndef FW_UNINSTALLER_PROCESS_RUNNER_H
#define FW_UNINSTALLER_PROCESS_RUNNER_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Set by a host that learns the machine is shutting down; while it is set,
 * execute starts nothing. Initially 0. */
FW_API extern volatile int gv_shutdownInProgress;

/* The length in milliseconds of one minute of execute's limit: 60000. Tests
 * shorten it to exercise the limit quickly. */
FW_API extern unsigned int gv_executeMinuteMs;

/* Runs commandLine (program and arguments, split by the Windows rules) in
 * workingDirectory (NULL: the current one) and waits for it up to
 * timeoutMinutes (0: does not wait). showWindow is accepted for callers that
 * ask for a visible first window; children have no console here.
 *
 * Returns the child's exit code when it ended within the limit (128 + the
 * signal number when a signal ended it); 258 when the limit passed and the
 * child's process group was killed; 0 when started with limit 0; 1237 when
 * gv_shutdownInProgress is set (nothing started); otherwise the code of the
 * failed step (entering the working directory, creating the process). *remarks
 * receives the message text for the result (the caller frees it), except
 * after a failed wait, when it is left as it was. */
FW_API int execute(const char *workingDirectory, char *commandLine, char **remarks,
                   int timeoutMinutes, int showWindow);

FW_END_DECLS

#endif /* FW_UNINSTALLER_PROCESS_RUNNER_H */
