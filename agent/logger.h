/*
 * logger.h - start and stop of an agent program's log, with rotation on a
 * timer.
 *
 * InitLogger reads the agent's installation directory, arms a one-shot timer
 * that measures the live log file now and every timerPeriodMs after, and
 * opens the log "<install dir>logs/<name>" for appending at the level the
 * registry gives (2 when it gives none). DeInitLogger stops the timer (waiting
 * for a rotation that is running) and closes the log.
 *
 * Results are Win32 codes (0 success); InitAgentLog and StartLogger give 13
 * when the log cannot be started. Call InitLogger and DeInitLogger from one
 * thread, with no other thread logging during DeInitLogger.
 */
#ifndef FW_AGENT_LOGGER_H
#define FW_AGENT_LOGGER_H

#include "platform/c_api.h"
#include "platform/timer_queue.h"

FW_BEGIN_DECLS

typedef struct LoggerConfig {
    char *fileName;     /* live log file name ("computer.log" by default) */
    char *logDirectory; /* its directory, no trailing separator */
    int maxFileCount;   /* files kept: the live file and maxFileCount - 1 backups */
    int maxFileSize;    /* bytes at which the live file is rotated */
    int timerPeriodMs;  /* delay of the rotation timer */
    int openMode;       /* 2 empties the log at open, anything else appends */
    int useTimer;       /* 1: rotate on the timer; 0: rotate once at start */
} LoggerConfig;

#define FW_LOGGER_DEFAULT_FILE_NAME "computer.log"
#define FW_LOGGER_DEFAULT_MAX_FILE_COUNT 5
#define FW_LOGGER_DEFAULT_MAX_FILE_SIZE 2000000
#define FW_LOGGER_DEFAULT_TIMER_PERIOD_MS 900000
#define FW_LOGGER_DEFAULT_OPEN_MODE 1

/* The rotation timer's queue (NULL when none was made) and the id of the last
 * timer armed. */
FW_API extern PlatformTimerQueue *gv_loggerTimerQueue;
FW_API extern PlatformTimerId gv_loggerTimer;

/* Opens the agent log name in directory: InitMutex, the event flag, library
 * defaults, the level from FWAgentLogLevel (low 8 bits; 2 when it cannot be
 * read), then mode 2 truncates and any other mode appends. 0 or 13. */
FW_API int InitAgentLog(const char *name, const char *directory, int mode);

/* Reads gv_agentInstallDir afresh (a failure is returned at once), makes the
 * process's LoggerConfig with the defaults and fileName, and starts it. The
 * config lives until DeInitLogger. Returns 0 or the registry's code. */
FW_API int InitLogger(const char *fileName);

/* With useTimer: creates gv_loggerTimerQueue and runs LoggerTimerMethod;
 * otherwise rotates once. Then InitAgentLog. The config (owned by the caller)
 * must outlive the timer: until DeInitLogger. Returns InitAgentLog's result. */
FW_API int StartLogger(LoggerConfig *config);

/* Deletes the timer queue, cancelling a pending rotation and waiting for one
 * that is running, then closes the log and frees its parameters. Returns 0. */
FW_API int DeInitLogger(void);

/* Rotates the live file if it has reached its limit, then arms the next
 * one-shot timer. 0, or the code when the timer cannot be created (rotation
 * then stops for the rest of the process). */
FW_API int LoggerTimerMethod(LoggerConfig *config);

/* The timer callback; parameter is the LoggerConfig. */
FW_API void LoggerTimerRoutine(void *parameter, unsigned char fired);

FW_END_DECLS

#endif /* FW_AGENT_LOGGER_H */
