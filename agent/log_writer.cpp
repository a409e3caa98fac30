#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "agent/address_lock.h"
#include "agent/log.h"
#include "agent/paths.h"
#include "platform/paths.h"
#include "platform/sync.h"

FILE *gv_logFilePtr = nullptr;
unsigned char LogLevel = 0;
void *LogLockKey = nullptr;

namespace {

char *g_logFileName = nullptr;
char *g_logDirectory = nullptr;
char *g_logFilePath = nullptr;
const char *g_quillonRoot = nullptr;

enum Threshold : unsigned char { kInfo = 1, kError = 2, kDebug = 3, kTrace = 4 };

// The stream, level and key are read by logging threads while the set-up
// calls may change them, so they are read and written atomically.
template <class T>
T Load(T &variable) {
    return __atomic_load_n(&variable, __ATOMIC_ACQUIRE);
}
template <class T>
void Store(T &variable, T value) {
    __atomic_store_n(&variable, value, __ATOMIC_RELEASE);
}

constexpr size_t kStampSize = 40;

void FormatTimeStamp(char (&stamp)[kStampSize]) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    snprintf(stamp, sizeof stamp, "%d-%02d-%02d %02d:%02d:%02d:%03d", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
             static_cast<int>(now.tv_nsec / 1000000));
}

int WriteRecord(unsigned char threshold, const char *tag, const char *format, va_list args) {
    FILE *stream = Load(gv_logFilePtr);
    if (stream == nullptr || Load(LogLevel) < threshold) {
        return 0;
    }
    void *key = Load(LogLockKey);
    if (key == nullptr) {
        return 0;
    }
    LockObject(key);
    char stamp[kStampSize];
    FormatTimeStamp(stamp);
    fprintf(stream, "[ %s ] [ %d ] %s ", stamp, PlatformThreadId(), tag);
    vfprintf(stream, format, args);
    fflush(stream);
    UnlockObject(key);
    return 0;
}

bool ReplaceText(char *&slot, const char *value) {
    char *copy = strdup(value);
    if (copy == nullptr) {
        return false;
    }
    free(slot);
    slot = copy;
    return true;
}

char *FormatPath(const char *format, const char *a, const char *b) {
    int length = snprintf(nullptr, 0, format, a, b);
    char *path = static_cast<char *>(malloc(static_cast<size_t>(length) + 1));
    if (path != nullptr) {
        snprintf(path, static_cast<size_t>(length) + 1, format, a, b);
    }
    return path;
}

// The path of the log file by the first rule that applies; the directories on
// the way are created, and the open decides whether that worked.
char *ChooseLogPath() {
    const char *name = g_logFileName != nullptr ? g_logFileName : "";
    if (g_logDirectory != nullptr) {
        MakeDirectoryTree(g_logDirectory);
        return FormatPath("%s/%s", g_logDirectory, name);
    }
    if (g_quillonRoot != nullptr) {
        char *logs = FormatPath("%s/logs", g_quillonRoot, "");
        if (logs == nullptr) {
            return nullptr;
        }
        MakeDirectoryTree(logs);
        free(logs);
        return FormatPath("%s/logs/%s", g_quillonRoot, name);
    }
    MakeDirectory("../logs");
    return FormatPath("%s/%s", "../logs", name);
}

int OpenLog(const char *mode) {
    if (Load(gv_logFilePtr) != nullptr) {
        LogTrace("gv_logFilePtr already Set\n");
        return 1;
    }
    char *path = ChooseLogPath();
    if (path == nullptr) {
        return 0;
    }
    free(g_logFilePath);
    g_logFilePath = path;
    char *native = PlatformNativePath(path);
    if (native == nullptr) {
        return 0;
    }
    FILE *stream = fopen(native, mode);
    free(native);
    if (stream == nullptr) {
        return 0;
    }
    char stamp[kStampSize];
    FormatTimeStamp(stamp);
    fprintf(stream, "Log open time: %s\n", stamp);
    fflush(stream);
    Store(gv_logFilePtr, stream);
    return 1;
}

}  // namespace

#define FW_DEFINE_LEVEL_CALL(function, threshold, tag)          \
    int function(const char *format, ...) {                     \
        va_list args;                                           \
        va_start(args, format);                                 \
        int result = WriteRecord(threshold, tag, format, args); \
        va_end(args);                                           \
        return result;                                          \
    }

FW_DEFINE_LEVEL_CALL(LogInfo, kInfo, "[INFO]")
FW_DEFINE_LEVEL_CALL(LogError, kError, "[ERROR]")
FW_DEFINE_LEVEL_CALL(LogDebug, kDebug, "[DEBUG]")
FW_DEFINE_LEVEL_CALL(LogTrace, kTrace, "[TRACE]")

int InitLogDefaults(void) {
    if (Load(gv_logFilePtr) != nullptr) {
        Store(LogLevel, static_cast<unsigned char>(3));
        return 1;
    }
    if (g_logFileName != nullptr) {
        return 1;
    }
    char *name = strdup("quillon.log");
    if (name == nullptr) {
        return 0;
    }
    g_logFileName = name;
    free(Load(LogLockKey));
    Store(LogLockKey, calloc(1, 1));
    free(g_logDirectory);
    g_logDirectory = nullptr;
    free(g_logFilePath);
    g_logFilePath = nullptr;
    Store(LogLevel, static_cast<unsigned char>(3));
    return 1;
}

int SetLogParams(const char *name, const char *directory, unsigned int level) {
    if (name == nullptr || directory == nullptr) {
        return 0;
    }
    free(g_logFileName);
    free(g_logDirectory);
    g_logFileName = strdup(name);
    g_logDirectory = strdup(directory);
    Store(LogLevel, static_cast<unsigned char>(level & 0xFF));
    return g_logFileName != nullptr && g_logDirectory != nullptr;
}

int SetLogFileName(const char *name) {
    return name != nullptr && ReplaceText(g_logFileName, name);
}

int SetLogDirectory(const char *directory) {
    return directory != nullptr && ReplaceText(g_logDirectory, directory);
}

void SetLogLevel(unsigned char level) {
    Store(LogLevel, level);
}

int OpenLogTruncate(void) {
    return OpenLog("we");
}

int OpenLogAppend(void) {
    return OpenLog("a+e");
}

int SetLogFilePtr(FILE *stream) {
    if (stream == nullptr) {
        return 0;
    }
    Store(gv_logFilePtr, stream);
    return 1;
}

void CloseLog(void) {
    FILE *stream = Load(gv_logFilePtr);
    if (stream != nullptr) {
        char stamp[kStampSize];
        FormatTimeStamp(stamp);
        fprintf(stream, "Log close time: %s\n", stamp);
        fflush(stream);
        Store(gv_logFilePtr, static_cast<FILE *>(nullptr));
        fclose(stream);
    }
}

void FreeLogParams(void) {
    free(g_logFileName);
    free(g_logDirectory);
    free(g_logFilePath);
    g_logFileName = g_logDirectory = g_logFilePath = nullptr;
    void *key = Load(LogLockKey);
    Store(LogLockKey, static_cast<void *>(nullptr));
    free(key);
}

const char *GetLogFilePath(void) {
    return g_logFilePath;
}

void SetQuillonRoot(const char *path) {
    if (path == nullptr) {
        LogDebug("Default Path Used");
        return;
    }
    g_quillonRoot = path;
}

const char *GetQuillonRoot(void) {
    return g_quillonRoot;
}

char *GetTimeStamp(void) {
    char stamp[kStampSize];
    FormatTimeStamp(stamp);
    return strdup(stamp);
}
