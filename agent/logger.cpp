#include "agent/logger.h"

#include <cstdlib>
#include <cstring>

#include "agent/address_lock.h"
#include "agent/error_messages.h"
#include "agent/log.h"
#include "agent/log_rotation.h"
#include "agent/settings.h"

PlatformTimerQueue *gv_loggerTimerQueue = nullptr;
PlatformTimerId gv_loggerTimer = 0;

namespace {

// The config InitLogger made; the rotation timer holds its address, so it is
// released only once the timer queue is gone.
LoggerConfig *g_processConfig = nullptr;

void FreeConfig(LoggerConfig *config) {
    if (config != nullptr) {
        free(config->fileName);
        free(config->logDirectory);
        free(config);
    }
}

LoggerConfig *MakeDefaultConfig(const char *fileName) {
    auto *config = static_cast<LoggerConfig *>(calloc(1, sizeof(LoggerConfig)));
    if (config == nullptr) {
        return nullptr;
    }
    config->fileName = strdup(fileName != nullptr ? fileName : FW_LOGGER_DEFAULT_FILE_NAME);
    const char *installDir = gv_agentInstallDir != nullptr ? gv_agentInstallDir : "";
    if (asprintf(&config->logDirectory, "%slogs", installDir) < 0) {
        config->logDirectory = nullptr;
    }
    if (config->fileName == nullptr || config->logDirectory == nullptr) {
        FreeConfig(config);
        return nullptr;
    }
    config->maxFileCount = FW_LOGGER_DEFAULT_MAX_FILE_COUNT;
    config->maxFileSize = FW_LOGGER_DEFAULT_MAX_FILE_SIZE;
    config->timerPeriodMs = FW_LOGGER_DEFAULT_TIMER_PERIOD_MS;
    config->openMode = FW_LOGGER_DEFAULT_OPEN_MODE;
    config->useTimer = 1;
    return config;
}

}  // namespace

int InitAgentLog(const char *name, const char *directory, int mode) {
    InitMutex();
    GetEventEnabled(&gv_eventEnabled);
    if (!InitLogDefaults()) {
        return 13;
    }
    uint32_t level = 2;
    if (ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY,
                              FW_AGENT_LOG_LEVEL_VALUE, &level) != 0) {
        level = 2;
    }
    if (!SetLogParams(name, directory, level & 0xFF)) {
        return 13;
    }
    int opened = mode == 2 ? OpenLogTruncate() : OpenLogAppend();
    return opened ? 0 : 13;
}

int InitLogger(const char *fileName) {
    free(gv_agentInstallDir);
    gv_agentInstallDir = nullptr;
    int code = GetAgentInstallDir(&gv_agentInstallDir);
    if (code != 0) {
        free(gv_agentInstallDir);
        gv_agentInstallDir = nullptr;
        return code;
    }
    LoggerConfig *config = MakeDefaultConfig(fileName);
    if (config == nullptr) {
        return 8;
    }
    // A config of an earlier start is still held by its timer unless the
    // queue was deleted; keep it alive rather than free it under the timer.
    if (g_processConfig != nullptr && gv_loggerTimerQueue == nullptr) {
        FreeConfig(g_processConfig);
    }
    g_processConfig = config;
    StartLogger(config);
    return 0;
}

int StartLogger(LoggerConfig *config) {
    if (config->useTimer) {
        int code = PlatformCreateTimerQueue(&gv_loggerTimerQueue);
        if (code == 0) {
            LogInfo("ServiceMain : TimerQueue is created successfully \n");
        } else {
            LogError("ServiceMain : CreateTimerQueue is failed due to following error !! \n");
            LogErrorCode(code);
        }
        LoggerTimerMethod(config);
    } else {
        RotateLoggerForEverRunningProcess(config->logDirectory, config->fileName,
                                          config->maxFileCount, config->maxFileSize);
    }
    return InitAgentLog(config->fileName, config->logDirectory, config->openMode);
}

int DeInitLogger(void) {
    if (gv_loggerTimerQueue != nullptr) {
        int code = PlatformDeleteTimerQueue(gv_loggerTimerQueue);
        if (code != 0) {
            LogError("ServiceMain : DeleteTimerQueue is failed due to following error !! \n");
            LogErrorCode(code);
        } else if (g_processConfig != nullptr) {
            FreeConfig(g_processConfig);
            g_processConfig = nullptr;
        }
        gv_loggerTimerQueue = nullptr;
    }
    CloseLog();
    FreeLogParams();
    return 0;
}

int LoggerTimerMethod(LoggerConfig *config) {
    RotateLoggerForEverRunningProcess(config->logDirectory, config->fileName, config->maxFileCount,
                                      config->maxFileSize);
    PlatformTimerId timer = 0;
    int code = PlatformCreateTimer(gv_loggerTimerQueue, &timer, LoggerTimerRoutine, config,
                                   static_cast<unsigned int>(config->timerPeriodMs));
    if (code != 0) {
        LogError("LoggerTimerMethod : CreateTimerQueueTimer failed due to following error \n");
        LogErrorCode(code);
        return code;
    }
    __atomic_store_n(&gv_loggerTimer, timer, __ATOMIC_RELAXED);
    LogDebug("LoggerTimerMethod : Registered the TimerRoutime callback in next %d minutes . \n",
             config->timerPeriodMs / 60000);
    return 0;
}

void LoggerTimerRoutine(void *parameter, unsigned char fired) {
    (void)fired;
    LogInfo("LoggerTimerRoutine : Inside LoggerTimerRoutine Method\n");
    LoggerTimerMethod(static_cast<LoggerConfig *>(parameter));
    LogInfo("LoggerTimerRoutine : End of LoggerTimerRoutine Method\n");
}
