// Starts the agent log the way an agent program does (installation directory
// and level from the registry file named by FWAGENT_REGISTRY_FILE) and writes
// a few records, one per level, then stops it.
#include <cstdio>

#include "agent/error_messages.h"
#include "agent/log.h"
#include "agent/logger.h"
#include "agent/settings.h"

int main() {
    int code = InitLogger("logdemo.log");
    if (code != 0) {
        fprintf(stderr, "logdemo: cannot read %s from the registry file (code %d)\n",
                FW_AGENT_INSTALL_DIR_VALUE, code);
        return 1;
    }
    LogInfo("logdemo : agent installed in %s \n", gv_agentInstallDir);
    LogError("logdemo : an error record \n");
    LogDebug("logdemo : a debug record, written from level 3 \n");
    LogErrorCode(3010);
    LogErrorCode(0);
    printf("%s\n", GetLogFilePath());
    DeInitLogger();
    return 0;
}
