// Fuzzes the registry file parser: the bytes become the registry file, and
// the agent's key is opened and its values read back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::string path = [] {
        std::string p = "/tmp/fw_registry_fuzz." + std::to_string(getpid()) + ".reg";
        setenv(FW_REGISTRY_FILE_VARIABLE, p.c_str(), 1);
        return p;
    }();
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    fwrite(data, 1, size, file);
    fclose(file);

    PlatformHKey key = nullptr;
    if (PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, "Software\\Northvale\\Fleetwarden\\FWAgent",
                           &key) == 0) {
        for (const char *name : {"FWAgentInstallDir", "FWAgentLogLevel", "", "x"}) {
            uint32_t type = 0;
            uint32_t length = 0;
            if (PlatformRegQueryValue(key, name, &type, nullptr, &length) == 0) {
                std::string buffer(length, '\0');
                PlatformRegQueryValue(key, name, &type, buffer.data(), &length);
            }
        }
        PlatformRegCloseKey(key);
    }
    unlink(path.c_str());  // no file is left behind
    return 0;
}
