#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "platform/internal.hpp"
#include "platform/win32_codes.h"

extern char **environ;

struct PlatformProcess {
    pid_t pid = -1;
    bool reaped = false;
    int exitCode = 0;
};

namespace {

constexpr int kStillActive = 259;

int CodeOf(int errnoValue) {
    return PlatformErrnoToWin32(errnoValue);
}

bool IsExecutableFile(const std::string &path, int &firstError) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    if (access(path.c_str(), X_OK) == 0) {
        return true;
    }
    if (firstError == 0) {
        firstError = errno;
    }
    return false;
}

// The program's path as Windows would find it: a name with a separator is a
// path (relative to the directory the child starts in); a bare name is looked
// for there first and then along PATH.
int ResolveProgram(const std::string &program, const char *workingDirectory, std::string &path) {
    std::string base =
        workingDirectory != nullptr ? fw::platform::NativePath(workingDirectory) : ".";
    std::string native = fw::platform::NativePath(program.c_str());
    int firstError = 0;
    if (native.find('/') != std::string::npos) {
        path = (native[0] == '/' || workingDirectory == nullptr) ? native : base + "/" + native;
        if (IsExecutableFile(path, firstError)) {
            return 0;
        }
        return firstError != 0 ? CodeOf(firstError) : FW_ERROR_FILE_NOT_FOUND;
    }
    path = base + "/" + native;
    if (IsExecutableFile(path, firstError)) {
        return 0;
    }
    const char *searchPath = getenv("PATH");
    std::string entries = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= entries.size()) {
        size_t end = entries.find(':', start);
        if (end == std::string::npos) {
            end = entries.size();
        }
        std::string directory = entries.substr(start, end - start);
        path = (directory.empty() ? "." : directory) + "/" + native;
        if (IsExecutableFile(path, firstError)) {
            return 0;
        }
        start = end + 1;
    }
    return firstError != 0 ? CodeOf(firstError) : FW_ERROR_FILE_NOT_FOUND;
}

int Spawn(const std::string &path, char **arguments, const char *workingDirectory, pid_t &pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // No console: the three standard streams read and write nothing.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // Handles are not inherited: nothing of the parent's beyond the streams.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::string directory;
    if (workingDirectory != nullptr) {
        directory = fw::platform::NativePath(workingDirectory);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    }
    // Its own process group, so terminating it ends its helpers too; default
    // signal handling whatever the parent ignores or blocks.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    int error = posix_spawn(&pid, path.c_str(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error == ENOENT && workingDirectory != nullptr && access(directory.c_str(), F_OK) != 0) {
        return FW_ERROR_DIRECTORY;
    }
    return error == 0 ? 0 : CodeOf(error);
}

void RecordStatus(PlatformProcess *process, int status) {
    process->reaped = true;
    if (WIFEXITED(status)) {
        process->exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        process->exitCode = 128 + WTERMSIG(status);
    }
}

// Reaps the child if it has ended; true when it has.
bool TryReap(PlatformProcess *process) {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(process->pid, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == process->pid) {
        RecordStatus(process, status);
        return true;
    }
    return false;
}

int WaitReaping(PlatformProcess *process) {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(process->pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != process->pid) {
        return CodeOf(errno);
    }
    RecordStatus(process, status);
    return 0;
}

// Waits through a pidfd, which becomes readable when the child ends.
int WaitWithPidfd(PlatformProcess *process, uint32_t timeoutMs, int pidfd, int &error) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        struct pollfd entry = {pidfd, POLLIN, 0};
        int ready = poll(&entry, 1, wait);
        if (ready > 0) {
            error = WaitReaping(process);
            return error == 0 ? FW_WAIT_OBJECT_0 : FW_WAIT_FAILED;
        }
        if (ready == 0) {
            return FW_WAIT_TIMEOUT_RESULT;
        }
        if (errno != EINTR) {
            error = CodeOf(errno);
            return FW_WAIT_FAILED;
        }
    }
}

// Kernels without pidfds: look every few milliseconds.
int WaitByPolling(PlatformProcess *process, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!TryReap(process)) {
        if (Clock::now() >= deadline) {
            return FW_WAIT_TIMEOUT_RESULT;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return FW_WAIT_OBJECT_0;
}

void ReapInBackground(pid_t pid) {
    try {
        std::thread([pid] {
            int status;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &) {
        // No thread to spare: the child stays a zombie until this process
        // ends, which is the most that can be done without one.
    }
}

}  // namespace

int PlatformCreateProcess(const char *commandLine, const char *workingDirectory,
                          PlatformProcess **process, int *pid) {
    return fw::platform::ReturnWin32([&]() -> int {
        if (process == nullptr || commandLine == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        *process = nullptr;
        int count = 0;
        char **arguments = PlatformSplitCommandLine(commandLine, &count);
        if (arguments == nullptr) {
            return FW_ERROR_NOT_ENOUGH_MEMORY;
        }
        std::string path;
        int code = count == 0 || arguments[0][0] == '\0'
                       ? FW_ERROR_FILE_NOT_FOUND
                       : ResolveProgram(arguments[0], workingDirectory, path);
        pid_t child = -1;
        if (code == 0) {
            code = Spawn(path, arguments, workingDirectory, child);
        }
        PlatformFreeArguments(arguments);
        if (code != 0) {
            return code;
        }
        auto *handle = new (std::nothrow) PlatformProcess;
        if (handle == nullptr) {
            kill(-child, SIGKILL);
            ReapInBackground(child);
            return FW_ERROR_NOT_ENOUGH_MEMORY;
        }
        handle->pid = child;
        *process = handle;
        if (pid != nullptr) {
            *pid = child;
        }
        return 0;
    });
}

int PlatformWaitProcess(PlatformProcess *process, uint32_t timeoutMs, int *error) {
    int ignored = 0;
    int &code = error != nullptr ? *error : ignored;
    code = 0;
    if (process == nullptr) {
        code = FW_ERROR_INVALID_HANDLE;
        return FW_WAIT_FAILED;
    }
    if (process->reaped) {
        return FW_WAIT_OBJECT_0;
    }
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, process->pid, 0));
    if (pidfd < 0) {
        return WaitByPolling(process, timeoutMs);
    }
    int result = WaitWithPidfd(process, timeoutMs, pidfd, code);
    close(pidfd);
    return result;
}

int PlatformGetExitCode(PlatformProcess *process, int *exitCode) {
    if (process == nullptr || exitCode == nullptr) {
        return FW_ERROR_INVALID_HANDLE;
    }
    if (!process->reaped) {
        TryReap(process);
    }
    *exitCode = process->reaped ? process->exitCode : kStillActive;
    return 0;
}

int PlatformTerminateProcess(PlatformProcess *process) {
    if (process == nullptr) {
        return FW_ERROR_INVALID_HANDLE;
    }
    if (process->reaped) {
        return FW_ERROR_ACCESS_DENIED;  // as the system answers for an ended process
    }
    if (kill(-process->pid, SIGKILL) != 0 && kill(process->pid, SIGKILL) != 0) {
        return CodeOf(errno);
    }
    return 0;
}

void PlatformCloseProcess(PlatformProcess *process) {
    if (process == nullptr) {
        return;
    }
    if (!process->reaped && !TryReap(process)) {
        ReapInBackground(process->pid);
    }
    delete process;
}

int PlatformGetCurrentDirectory(char *buffer, uint32_t size, uint32_t *length) {
    if (length == nullptr) {
        return FW_ERROR_INVALID_PARAMETER;
    }
    *length = 0;
    char *current = getcwd(nullptr, 0);
    if (current == nullptr) {
        return CodeOf(errno);
    }
    size_t needed = strlen(current) + 1;
    if (buffer == nullptr || needed > size) {
        *length = static_cast<uint32_t>(needed);
    } else {
        memcpy(buffer, current, needed);
        *length = static_cast<uint32_t>(needed - 1);
    }
    free(current);
    return 0;
}

int PlatformSetCurrentDirectory(const char *path) {
    if (path == nullptr) {
        return FW_ERROR_INVALID_PARAMETER;
    }
    return fw::platform::ReturnWin32([&]() -> int {
        return chdir(fw::platform::NativePath(path).c_str()) == 0 ? 0 : CodeOf(errno);
    });
}
