#include "agent/paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"

int MakeDirectory(const char *path) {
    if (path == nullptr) {
        return EINVAL;
    }
    char *native = PlatformNativePath(path);
    if (native == nullptr) {
        return ENOMEM;
    }
    int result = mkdir(native, 0755) == 0 ? 0 : errno;
    free(native);
    return result;
}

int MakeDirectoryTree(const char *path) {
    int result = MakeDirectory(path);
    if (result == EEXIST) {
        return 1;
    }
    if (result != ENOENT) {
        return result;
    }
    char *native = PlatformNativePath(path);
    char *parent = native != nullptr ? GetParentPath(native) : nullptr;
    free(native);
    if (parent == nullptr) {
        return ENOMEM;
    }
    // A path whose parent cannot be named any shorter cannot be helped.
    if (*parent == '\0' || strlen(parent) >= strlen(path)) {
        free(parent);
        return result;
    }
    int parentResult = MakeDirectoryTree(parent);
    free(parent);
    // 1: another process made the parent meanwhile; the child can follow.
    if (parentResult != 0 && parentResult != 1) {
        return parentResult;
    }
    return MakeDirectory(path);
}

char *TrimTrailingSlashes(const char *path) {
    size_t length = strlen(path);
    if (length == 0 || path[length - 1] != '/') {
        return const_cast<char *>(path);
    }
    while (length > 0 && path[length - 1] == '/') {
        --length;
    }
    return strndup(path, length);
}

char *GetParentPath(const char *path) {
    size_t length = strlen(path);
    while (length > 0 && path[length - 1] == '/') {
        --length;
    }
    while (length > 0 && path[length - 1] != '/') {
        --length;
    }
    // length now ends just after the last '/', or is 0 when there is none.
    return strndup(path, length > 0 ? length - 1 : 0);
}
