// fwuninstall: runs the uninstall commands of every application listed in an
// uninstall manifest. Exit codes: 87 without an argument, 2 when the manifest
// does not exist, 0 otherwise.
#include <cstdio>

#include "agent/logger.h"
#include "uninstaller/manifest_driver.h"

int main(int argc, char **argv) {
    // Without the agent's installation directory the run goes on unlogged.
    InitLogger("zpaApplicationsUninstall.log");
    if (argc < 2) {
        printf("Format: %s <uninstall.json>\n", argv[0]);
        return 87;
    }
    int exitCode = RunUninstallManifest(argv[1]);
    if (exitCode != 0) {
        return exitCode;
    }
    DeInitLogger();
    return 0;
}
