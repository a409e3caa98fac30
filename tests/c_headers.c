/* Compiles every public header as strict C, so the C interface stays real. */
#include "agent/address_lock.h"
#include "agent/error_messages.h"
#include "agent/log.h"
#include "agent/log_rotation.h"
#include "agent/logger.h"
#include "agent/paths.h"
#include "agent/settings.h"
#include "platform/c_api.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "platform/timer_queue.h"
#include "platform/unicode.h"
#include "platform/win32_codes.h"
#include "uninstaller/manifest_driver.h"
#include "uninstaller/process_runner.h"

static int probe;

int main(void) {
    /* Link a few calls so the declarations are checked against the library. */
    return (PlatformSystemMessage(0) != 0 && UnlockObject(&probe) == 2) ? 0 : 1;
}
