#include "agent/log_rotation.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "agent/address_lock.h"
#include "agent/error_messages.h"
#include "agent/log.h"
#include "agent/settings.h"
#include "platform/files.h"
#include "platform/win32_codes.h"

namespace {

// The text of fileName before its first ".log"; empty when there is none.
std::string BaseName(const char *fileName) {
    const char *dot = strstr(fileName, ".log");
    return dot == nullptr ? std::string() : std::string(fileName, dot);
}

std::string RotatedName(const char *directory, const char *fileName, int n) {
    return std::string(directory) + "\\" + BaseName(fileName) + std::to_string(n) + ".log";
}

// The two deletions log their failure in slightly different words (the live
// file's record has two blanks before the colon).
void DeleteLogged(const std::string &path, const char *failureFormat) {
    int code = PlatformDeleteFile(path.c_str());
    if (code == 0) {
        LogInfo("RotateSpecificLogs : The file %s was successfully deleted..:\n", path.c_str());
    } else {
        LogInfo(failureFormat, path.c_str(), code);
    }
}

void DeleteBackup(const std::string &path) {
    DeleteLogged(path,
                 "RotateSpecificLogs : Unable to delete the file %s and the error code is :%d\n");
}

void DeleteLiveFile(const std::string &path) {
    DeleteLogged(path,
                 "RotateSpecificLogs : Unable to delete the file %s and the error code is  :%d\n");
}

void LogCopyFailure(const std::string &from, const std::string &to, int code) {
    LogInfo(
        "RotateSpecificLogs : CopyFile failed to move from %s to  %s and the error code is %d \n",
        from.c_str(), to.c_str(), code);
}

// Copies the live file to backup 1 and empties it. The log's lock is held from
// before the copy until the file is empty, so a record is either in the copy
// or written after the truncation: none falls between the two. Nothing is
// logged while the lock is held (locks are not re-entrant).
void CopyAndEmptyLiveFile(const std::string &live, const std::string &newer) {
    void *key = LogLockKey;
    if (key != nullptr) {
        LockObject(key);
    }
    int copyCode = PlatformCopyFile(live.c_str(), newer.c_str());
    int truncateCode = copyCode == 0 ? PlatformTruncateFile(live.c_str()) : 0;
    if (key != nullptr) {
        UnlockObject(key);
    }
    if (copyCode != 0) {
        LogInfo(
            "RotateSpecificLogs : CopyFile failed to copy the live file %s to  %s and the error "
            "code is %d ; the live file is kept as it is \n",
            live.c_str(), newer.c_str(), copyCode);
        return;
    }
    LogInfo(
        "RotateSpecificLogs : File successfully copied from %s to  %s and it will be truncated . "
        "\n",
        live.c_str(), newer.c_str());
    if (truncateCode != 0) {
        printf("RotateSpecificLogs : Unable to truncate the file %s and the error code is %d \n",
               live.c_str(), truncateCode);
    }
}

void CopyAndDeleteLiveFile(const std::string &live, const std::string &newer) {
    int code = PlatformCopyFile(live.c_str(), newer.c_str());
    if (code != 0) {
        LogCopyFailure(live, newer, code);
        return;
    }
    LogInfo("RotateSpecificLogs : File successfully copied from %s to  %s . \n", live.c_str(),
            newer.c_str());
    DeleteLiveFile(live);
}

void ShiftBackup(const std::string &older, const std::string &newer) {
    int code = PlatformCopyFile(older.c_str(), newer.c_str());
    if (code != 0) {
        LogCopyFailure(older, newer, code);
        return;
    }
    LogInfo("RotateSpecificLogs : File copied from %s to  %s . \n", older.c_str(), newer.c_str());
    DeleteBackup(older);
}

// Mode 0 measures the live file first; false when it is not there to rotate.
bool MeasureLiveFile(const std::string &live, uint64_t &size) {
    int code = PlatformProbeFile(live.c_str());
    if (code != 0) {
        LogError(
            "RotateSpecificLogs : hFile is NULL or not AVAILABLE (Errorcode : %d) for the file "
            "name "
            "%s . \n",
            code, live.c_str());
        return false;
    }
    if (GetFileSizeByName(live.c_str(), &size)) {
        LogInfo("RotateSpecificLogs : Sucessfully got the %s File size = %lld \n", live.c_str(),
                static_cast<long long>(size));
        return true;
    }
    int sizeCode = PlatformFileSize(live.c_str(), 0, &size);
    LogInfo("RotateSpecificLogs : The %s File size detection is failed and the error code is %d \n",
            live.c_str(), sizeCode);
    size = 0;
    // The deletion is attempted while the file is held open without sharing,
    // which the system always refuses: the live file stays.
    LogInfo("RotateSpecificLogs : Unable to delete the file %s and the error code is  :%d\n",
            live.c_str(), FW_ERROR_SHARING_VIOLATION);
    return true;
}

void RotateOneFile(const std::string &directory, const char *name, int maxFileCount,
                   int maxFileSize, int mode) {
    LogInfo("RotateSpecificLogs : Log File Name : %s\n", name);
    std::string live = directory + "\\" + name;
    uint64_t size = 0;
    if (mode == 0 && !MeasureLiveFile(live, size)) {
        return;
    }
    bool rotate = mode == 1 || (mode == 0 && size > static_cast<uint64_t>(maxFileSize));
    if (!rotate) {
        return;
    }
    int count = FindNoOfRepeatedFileNames(directory.c_str(), BaseName(name).c_str());
    LogInfo(
        "RotateSpecificLogs : The return Value from FindNumberOfRepeatedFileNames method is : %d "
        "\n",
        count);
    const char *dir = directory.c_str();
    int n = count;
    do {
        std::string older = RotatedName(dir, name, n - 1);
        int next = n - 1;
        LogInfo("RotateSpecificLogs : The tempFileName1 : %s . \n", older.c_str());
        if (n >= maxFileCount) {
            DeleteBackup(older);
            n = maxFileCount - 1;
            next = maxFileCount - 2;
            older = RotatedName(dir, name, maxFileCount - 2);
        }
        std::string newer = RotatedName(dir, name, n);
        LogInfo("RotateSpecificLogs : The tempFileName2 : %s . \n", newer.c_str());
        if (n == 1 && mode == 1) {
            CopyAndEmptyLiveFile(live, newer);
        } else if (n == 1 && mode == 0) {
            CopyAndDeleteLiveFile(live, newer);
        } else {
            ShiftBackup(older, newer);
        }
        n = next;
    } while (n >= 1);
}

int RotateSpecific(const char *directory, const char *fileNames, int maxFileCount, int maxFileSize,
                   int mode) {
    LogInfo("\n @@@@@@@@@@@@@@@Inside RotateSpecificLogs Method @@@@@@@@@@@@@\n");
    std::string dir;
    if (directory != nullptr) {
        dir = directory;
    } else {
        char *installDir = nullptr;
        int code = GetAgentInstallDir(&installDir);
        if (code != 0) {
            printf("RotateSpecificLogs : Unable to get the agent installed directory %d \n", code);
            free(installDir);
            return code;
        }
        dir = std::string(installDir) + "logs\\";
        free(installDir);
    }
    // The names are split on a copy: the caller's text (the logger's config)
    // is used again at the next rotation.
    std::string names = fileNames != nullptr ? fileNames : "";
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find(';', start);
        if (end == std::string::npos) {
            end = names.size();
        }
        if (end > start) {
            std::string name = names.substr(start, end - start);
            RotateOneFile(dir, name.c_str(), maxFileCount, maxFileSize, mode);
        }
        start = end + 1;
    }
    LogInfo(
        "\n @@@@@@@@@@@@@@@ End of RotateSpecificLogs Method with error code %d @@@@@@@@@@@@@\n",
        0);
    return 0;
}

}  // namespace

int RotateLoggerForEverRunningProcess(const char *directory, const char *fileName, int maxFileCount,
                                      int maxFileSize) {
    try {
        std::string dirPath =
            directory != nullptr
                ? std::string(directory) + "\\"
                : std::string(gv_agentInstallDir != nullptr ? gv_agentInstallDir : "") + "logs\\";
        std::string filePath = dirPath + (fileName != nullptr ? fileName : "");
        LogInfo("RotateLoggerForEverRunningProcess : cSfileName : %s \n", filePath.c_str());
        if (CheckLogSizeReached(filePath.c_str(), maxFileSize) != 1) {
            return 0;
        }
        return RotateSpecificLogs(dirPath.c_str(), fileName, maxFileCount, maxFileSize, 1);
    } catch (const std::bad_alloc &) {
        return FW_ERROR_NOT_ENOUGH_MEMORY;
    }
}

int CheckLogSizeReached(const char *filePath, int maxFileSize) {
    uint64_t size = 0;
    int code = PlatformFileSize(filePath, 1, &size);
    if (code != 0) {
        LogError("CheckLogSizeReached : Unable to get the file handle \n");
        LogErrorMessage(code);
        // Reading the size through the handle that could not be opened fails too.
        LogError("CheckLogSizeReached : Error occurred in getting the size %d \n",
                 FW_ERROR_INVALID_HANDLE);
        size = 0;
    }
    LogInfo("CheckLogSizeReached : The log file size of %s is given by %ld \n", filePath,
            static_cast<long>(static_cast<uint32_t>(size)));
    if (static_cast<int64_t>(size) < static_cast<int64_t>(maxFileSize)) {
        LogDebug("CheckLogSizeReached : The size is less the required size \n");
        return 0;
    }
    LogInfo("CheckLogSizeReached : The size is greater than the given size .........\n");
    return 1;
}

int RotateSpecificLogs(const char *directory, const char *fileNames, int maxFileCount,
                       int maxFileSize, int mode) {
    try {
        return RotateSpecific(directory, fileNames, maxFileCount, maxFileSize, mode);
    } catch (const std::bad_alloc &) {
        return FW_ERROR_NOT_ENOUGH_MEMORY;
    }
}

int FindNoOfRepeatedFileNames(const char *directory, const char *base) {
    LogDebug("@@@@@@@@@@@@Inside FindNoOfRepeatedFileNames Method @@@@@@@@@\n");
    char *pattern = nullptr;
    if (asprintf(&pattern, "%s\\%s*.*", directory, base) < 0) {
        return -1;
    }
    LogInfo(
        "FindNoOfRepeatedFileNames : Successfully allocated szFormattedPath and the value is %s  "
        ".\n",
        pattern);
    PlatformFind *search = nullptr;
    PlatformFindEntry entry;
    int code = PlatformFindFirst(pattern, &search, &entry);
    free(pattern);
    LogInfo("FindNoOfRepeatedFileNames : Successfully finded out first file  %d  .\n",
            search != nullptr ? static_cast<int>(reinterpret_cast<intptr_t>(search)) : -1);
    int result = 0;
    if (code != 0) {
        LogErrorCode(code);
        LogError("FindNumberOfRepeatedFileNames : Unable to find the files/folder.\n");
        result = -1;
    } else {
        do {
            ++result;
            LogInfo("FindNoOfRepeatedFileNames : after memset of szSrcPath is  %s\\%s  .\n",
                    directory, entry.name);
            code = PlatformFindNext(search, &entry);
        } while (code == 0);
        PlatformFindClose(search);
        if (code != FW_ERROR_NO_MORE_FILES) {
            LogErrorCode(code);
            LogError("FindNumberOfRepeatedFileNames : Couldn't find next file :%d\n", code);
            result = -1;
        }
    }
    LogInfo("FindNoOfRepeatedFileNames : Going to Free the allocated memory in this method.\n");
    LogDebug(
        "@@@@@@@@@@@@End of FindNoOfRepeatedFileNames Method with return value of No of file "
        "count : %d\t  @@@@@@@@@\n",
        result);
    return result;
}

char *MakeRotatedLogName(const char *directory, const char *fileName, int n) {
    try {
        return strdup(RotatedName(directory, fileName, n).c_str());
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
