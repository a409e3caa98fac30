#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/internal.hpp"
#include "platform/win32_codes.h"

struct PlatformFind {
    DIR *dir = nullptr;  // NULL for a search that named one entry literally
    std::string pattern;
};

namespace {

int LastCode() {
    return PlatformErrnoToWin32(errno);
}

using fw::platform::NativePath;
using fw::platform::ReturnWin32;

bool HasWildcards(const std::string &s) {
    return s.find_first_of("*?") != std::string::npos;
}

// Matches name against a find-first-file pattern. Backtracking over '*' is
// linear in practice for the short names and patterns used here.
bool Matches(const char *pattern, const char *name) {
    const char *starP = nullptr;
    const char *starN = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            starP = pattern++;
            starN = name;
        } else if (*pattern == '?' || *pattern == *name) {
            ++pattern;
            ++name;
        } else if (starP != nullptr) {
            pattern = starP + 1;
            name = ++starN;
        } else {
            return false;
        }
    }
    // What is left of the pattern may match the empty rest: stars, and a
    // final ".*" (so "*.*" matches every name, dotted or not).
    while (*pattern == '*' || (pattern[0] == '.' && pattern[1] == '*' && pattern[2] == '\0')) {
        pattern += (*pattern == '*') ? 1 : 2;
    }
    return *pattern == '\0';
}

void FillEntry(PlatformFindEntry *entry, const char *name, bool isDirectory) {
    snprintf(entry->name, sizeof entry->name, "%s", name);
    entry->isDirectory = isDirectory ? 1 : 0;
}

int NextMatch(PlatformFind *search, PlatformFindEntry *entry) {
    for (;;) {
        errno = 0;
        struct dirent *d = readdir(search->dir);
        if (d == nullptr) {
            return errno != 0 ? LastCode() : FW_ERROR_NO_MORE_FILES;
        }
        if (Matches(search->pattern.c_str(), d->d_name)) {
            FillEntry(entry, d->d_name, d->d_type == DT_DIR);
            return 0;
        }
    }
}

}  // namespace

int PlatformFindFirst(const char *pattern, PlatformFind **search, PlatformFindEntry *entry) {
    return ReturnWin32([&]() -> int {
        if (search == nullptr || entry == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        *search = nullptr;
        if (pattern == nullptr || *pattern == '\0') {
            return FW_ERROR_FILE_NOT_FOUND;
        }
        std::string native = NativePath(pattern);
        size_t slash = native.rfind('/');
        std::string dir = slash == std::string::npos ? "." : native.substr(0, slash + 1);
        std::string last = slash == std::string::npos ? native : native.substr(slash + 1);
        if (last.empty()) {
            return FW_ERROR_FILE_NOT_FOUND;  // "dir/" names no entry, as on Windows
        }
        auto *handle = new (std::nothrow) PlatformFind;
        if (handle == nullptr) {
            return FW_ERROR_NOT_ENOUGH_MEMORY;
        }
        if (!HasWildcards(last)) {
            struct stat st;
            if (stat(native.c_str(), &st) != 0) {
                int code = errno == ENOENT && access(dir.c_str(), F_OK) != 0
                               ? FW_ERROR_PATH_NOT_FOUND
                               : LastCode();
                delete handle;
                return code;
            }
            FillEntry(entry, last.c_str(), S_ISDIR(st.st_mode));
            *search = handle;
            return 0;
        }
        handle->dir = opendir(dir.c_str());
        if (handle->dir == nullptr) {
            int code = errno == ENOENT ? FW_ERROR_PATH_NOT_FOUND : LastCode();
            delete handle;
            return code;
        }
        handle->pattern = last;
        int code = NextMatch(handle, entry);
        if (code != 0) {
            PlatformFindClose(handle);
            return code == FW_ERROR_NO_MORE_FILES ? FW_ERROR_FILE_NOT_FOUND : code;
        }
        *search = handle;
        return 0;
    });
}

int PlatformFindNext(PlatformFind *search, PlatformFindEntry *entry) {
    if (search == nullptr || entry == nullptr) {
        return FW_ERROR_INVALID_HANDLE;
    }
    if (search->dir == nullptr) {
        return FW_ERROR_NO_MORE_FILES;
    }
    return NextMatch(search, entry);
}

void PlatformFindClose(PlatformFind *search) {
    if (search == nullptr) {
        return;
    }
    if (search->dir != nullptr) {
        closedir(search->dir);
    }
    delete search;
}

int PlatformFileSize(const char *path, int allowDirectory, uint64_t *size) {
    return ReturnWin32([&]() -> int {
        if (size != nullptr) {
            *size = 0;
        }
        if (path == nullptr || size == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        struct stat st;
        if (stat(NativePath(path).c_str(), &st) != 0) {
            return LastCode();
        }
        if (S_ISDIR(st.st_mode)) {
            return allowDirectory ? 0 : FW_ERROR_ACCESS_DENIED;
        }
        *size = static_cast<uint64_t>(st.st_size);
        return 0;
    });
}

namespace {

int CopyContents(int in, int out) {
    char buf[65536];
    for (;;) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n == 0) {
            return 0;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastCode();
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return LastCode();
            }
            done += w;
        }
    }
}

}  // namespace

int PlatformCopyFile(const char *from, const char *to) {
    return ReturnWin32([&]() -> int {
        if (from == nullptr || to == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        std::string src = NativePath(from);
        std::string dst = NativePath(to);
        int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) {
            return LastCode();
        }
        struct stat st;
        if (fstat(in, &st) != 0) {
            int code = LastCode();
            close(in);
            return code;
        }
        if (S_ISDIR(st.st_mode)) {
            close(in);
            return FW_ERROR_ACCESS_DENIED;
        }
        int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
        if (out < 0) {
            int code = LastCode();
            close(in);
            return code;
        }
        int code = CopyContents(in, out);
        if (close(out) != 0 && code == 0) {
            code = LastCode();
        }
        close(in);
        if (code != 0) {
            // Only a regular file we wrote is removed: never a device or a link target.
            struct stat dstStat;
            if (lstat(dst.c_str(), &dstStat) == 0 && S_ISREG(dstStat.st_mode)) {
                unlink(dst.c_str());
            }
        }
        return code;
    });
}

int PlatformDeleteFile(const char *path) {
    return ReturnWin32([&]() -> int {
        if (path == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        std::string native = NativePath(path);
        struct stat st;
        if (lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            return FW_ERROR_ACCESS_DENIED;
        }
        return unlink(native.c_str()) == 0 ? 0 : LastCode();
    });
}

int PlatformTruncateFile(const char *path) {
    return ReturnWin32([&]() -> int {
        if (path == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        int fd = open(NativePath(path).c_str(), O_RDWR | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
            return LastCode();
        }
        close(fd);
        return 0;
    });
}

int PlatformProbeFile(const char *path) {
    return ReturnWin32([&]() -> int {
        if (path == nullptr) {
            return FW_ERROR_INVALID_PARAMETER;
        }
        int fd = open(NativePath(path).c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            return LastCode();
        }
        close(fd);
        return 0;
    });
}
