#include "agent/settings.h"

#include <cstdlib>

#include "agent/log.h"
#include "platform/files.h"

char *gv_agentInstallDir = nullptr;
int gv_eventEnabled = 1;

namespace {

// A damaged or unreadable registry file is worth more than a bare code: say
// what was wrong with it.
void LogRegistryProblem(const char *reader) {
    const char *problem = PlatformRegLastProblem();
    if (*problem != '\0') {
        LogError("%s : Registry file problem: %s \n", reader, problem);
    }
}

}  // namespace

int ReadRegSZ(PlatformHKey root, const char *subKey, const char *valueName, char **out) {
    if (out == nullptr) {
        return 87;
    }
    *out = nullptr;
    PlatformHKey key = nullptr;
    int code = PlatformRegOpenKey(root, subKey, &key);
    if (code != 0) {
        LogError("ReadRegSZ: Error while opening registry key %s ,and the error is  %d \n", subKey,
                 code);
        LogRegistryProblem("ReadRegSZ");
        return code;
    }
    uint32_t size = 0;
    code = PlatformRegQueryValue(key, valueName, nullptr, nullptr, &size);
    if (code != 0) {
        PlatformRegCloseKey(key);
        return code;
    }
    // Room for a terminator that the stored data may lack.
    char *buffer = static_cast<char *>(calloc(static_cast<size_t>(size) + 5, 1));
    if (buffer == nullptr) {
        PlatformRegCloseKey(key);
        return 8;
    }
    *out = buffer;
    code = PlatformRegQueryValue(key, valueName, nullptr, buffer, &size);
    if (code != 0) {
        LogError("ReadRegSZ: Error while reading DWORD value! %d \n", code);
    }
    PlatformRegCloseKey(key);
    return code;
}

int ReadDwordRegistryData(PlatformHKey root, const char *subKey, const char *valueName,
                          uint32_t *out) {
    if (out == nullptr) {
        return 87;
    }
    PlatformHKey key = nullptr;
    int code = PlatformRegOpenKey(root, subKey, &key);
    if (code == 2) {
        LogDebug("ReadDwordRegistryData:  value  %s Not found: %d \n", valueName, 2);
        return code;
    }
    if (code != 0) {
        LogError(
            "ReadDwordRegistryData: Error while opening registry key %s,and the errorcode is : %d "
            "\n",
            subKey, code);
        LogRegistryProblem("ReadDwordRegistryData");
        return code;
    }
    uint32_t value = 0;
    uint32_t size = sizeof value;
    code = PlatformRegQueryValue(key, valueName, nullptr, &value, &size);
    if (code == 0) {
        *out = value;
    } else if (code == 2) {
        LogDebug("ReadDwordRegistryData:  value  %s Not found: %d \n", valueName, 2);
    } else {
        LogError("ReadDwordRegistryData: Error while reading DWORD value of %s : %d \n", valueName,
                 code);
    }
    PlatformRegCloseKey(key);
    return code;
}

int GetAgentInstallDir(char **out) {
    return ReadRegSZ(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY, FW_AGENT_INSTALL_DIR_VALUE, out);
}

int GetEventEnabled(int *flag) {
    uint32_t value = 0;
    if (ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY, FW_EVENT_ENABLED_VALUE,
                              &value) == 0) {
        *flag = static_cast<int>(value);
    } else {
        *flag = 1;
    }
    return 0;
}

int CheckFileExists(const char *path) {
    LogDebug("@@@@@@@@ Inside CheckFileExists Method @@@@@@@@ \n");
    LogDebug("FileName to search -> %s \n", path != nullptr ? path : "");
    PlatformFind *search = nullptr;
    PlatformFindEntry entry;
    int code = PlatformFindFirst(path, &search, &entry);
    if (code != 0) {
        LogError("CheckFileExists -> Invalid File Handle. %d \n", code);
        LogDebug("@@@@@@@@ End Of CheckFileExists Method @@@@@@@@ \n");
        return 2;
    }
    PlatformFindClose(search);
    LogDebug("@@@@@@@@ End Of CheckFileExists Method @@@@@@@@ \n");
    return 0;
}

int FileExists(const char *path) {
    return CheckFileExists(path) == 0 ? 1 : 0;
}

int GetFileSizeByName(const char *path, uint64_t *size) {
    if (size == nullptr) {
        return 0;
    }
    *size = 0;
    if (path == nullptr) {
        return 0;
    }
    return PlatformFileSize(path, 0, size) == 0 ? 1 : 0;
}
