// Fuzzes the uninstall manifest driver: the bytes become the manifest. The
// runner is held in its shutdown state, so no command is ever started; the
// reading, the kind checks and the expansion all run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "uninstaller/manifest_driver.h"
#include "uninstaller/process_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::string path = "/tmp/fw_manifest_fuzz." + std::to_string(getpid()) + ".json";
    gv_shutdownInProgress = 1;
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    fwrite(data, 1, size, file);
    fclose(file);
    RunUninstallManifest(path.c_str());
    unlink(path.c_str());  // no file is left behind
    return 0;
}
