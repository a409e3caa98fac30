#include "uninstaller/process_runner.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "agent/error_messages.h"
#include "agent/log.h"
#include "platform/process.h"
#include "platform/win32_codes.h"

volatile int gv_shutdownInProgress = 0;
unsigned int gv_executeMinuteMs = 60000;

namespace {

constexpr uint32_t kDirectoryBufferSize = 4096;

// The current directory, saved so it can be restored after the command.
struct SavedDirectory {
    char *path = nullptr;
    ~SavedDirectory() { free(path); }
};

// Enters workingDirectory after saving the current one. Returns 0, or the
// result execute must return (its remark already stored).
int EnterWorkingDirectory(const char *workingDirectory, const char *commandLine,
                          SavedDirectory &saved, char **remarks) {
    saved.path = static_cast<char *>(calloc(kDirectoryBufferSize, 1));
    uint32_t length = 0;
    int code = saved.path == nullptr
                   ? FW_ERROR_NOT_ENOUGH_MEMORY
                   : PlatformGetCurrentDirectory(saved.path, kDirectoryBufferSize, &length);
    if (code != 0 || length == 0) {
        LogError("execute: Failed to get the CurrentWorkingDirectory \n");
        LogErrorCode(code);
        *remarks = GetErrorMessage(code);
        return code;
    }
    if (length > kDirectoryBufferSize) {
        LogError(
            "execute : CurrentWorkingDirectory Buffer overflow. Need to allocate the length for %d "
            "chars \n",
            static_cast<int>(length));
        *remarks = GetErrorMessage(static_cast<int>(length));
        return static_cast<int>(length);
    }
    LogInfo("execute : Current Working Directory : %s \n", saved.path);
    LogInfo("execute : Executing Application Source : %s \n", commandLine);
    LogInfo("execute : Set Working Directory : %s \n", workingDirectory);
    code = PlatformSetCurrentDirectory(workingDirectory);
    if (code != 0) {
        LogError("execute : Failed to set the WorkingDirectory %s \n ", workingDirectory);
        LogErrorCode(code);
        *remarks = GetErrorMessage(code);
        return code;
    }
    return 0;
}

// Waits for a started child and returns the result; the remark is stored
// except when the wait itself fails.
int AwaitChild(PlatformProcess *child, const char *commandLine, int timeoutMinutes,
               char **remarks) {
    uint64_t limitMs = static_cast<uint64_t>(timeoutMinutes) * gv_executeMinuteMs;
    int error = 0;
    int outcome = PlatformWaitProcess(
        child, limitMs > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(limitMs), &error);
    if (outcome == FW_WAIT_FAILED) {
        LogError("execute : WaitForSingleObject Failed with error code %d \n", error);
        return 0;
    }
    if (outcome == FW_WAIT_TIMEOUT_RESULT) {
        LogInfo(
            "execute : Terminating the Process for application %s as time is exceeded %d Minutes "
            "\n",
            commandLine, timeoutMinutes);
        *remarks = GetErrorMessage(FW_WAIT_TIMEOUT);
        int code = PlatformTerminateProcess(child);
        if (code == 0) {
            LogInfo("execute : The process has been successfully terminated ..! \n");
        } else {
            LogError("execute : The process termination is failed with error code : %d \n", code);
        }
        return FW_WAIT_TIMEOUT;
    }
    int exitCode = 0;
    int code = PlatformGetExitCode(child, &exitCode);
    if (code != 0) {
        LogInfo(
            "execute : Unable to find the exit code for the application and the error code is : "
            "%d \n",
            code);
        *remarks = GetErrorMessage(code);
        return code;
    }
    *remarks = GetErrorMessage(exitCode);
    LogInfo("execute : Exit code for the application : %d \n", exitCode);
    return exitCode;
}

}  // namespace

int execute(const char *workingDirectory, char *commandLine, char **remarks, int timeoutMinutes,
            int showWindow) {
    (void)showWindow;  // no console and no windows for children here
    LogDebug("@@@@@@@@ Inside execute Method @@@@@@@@ \n");
    const char *command = commandLine != nullptr ? commandLine : "";
    if (gv_shutdownInProgress) {
        LogError(
            "execute : Shutdown is in Progress. So returning without executing the process %s .\n",
            command);
        *remarks = strdup("Machine is shutdown. Installation will retried in the next reboot");
        return FW_ERROR_RETRY;
    }
    SavedDirectory saved;
    if (workingDirectory != nullptr) {
        int refused = EnterWorkingDirectory(workingDirectory, command, saved, remarks);
        if (refused != 0) {
            return refused;
        }
    }
    // The child inherits the directory just entered; naming it again would
    // resolve a relative working directory twice.
    PlatformProcess *child = nullptr;
    int result = PlatformCreateProcess(command, nullptr, &child, nullptr);
    if (result != 0) {
        LogInfo("execute : Failed to Create the Process for the application \n");
        *remarks = GetErrorMessage(result);
    } else {
        LogInfo("execute : Process successfully created for application %s \n", command);
        if (timeoutMinutes == 0) {
            *remarks = GetErrorMessage(0);
        } else {
            result = AwaitChild(child, command, timeoutMinutes, remarks);
        }
    }
    PlatformCloseProcess(child);
    if (saved.path != nullptr) {
        PlatformSetCurrentDirectory(saved.path);
    }
    LogInfo("execute : Remarks from the CreateProcess is %s for the executable %s \n",
            *remarks != nullptr ? *remarks : "", command);
    LogDebug("@@@@@@@@ End Of execute Method @@@@@@@@ \n");
    return result;
}
