#include "agent/error_messages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "agent/log.h"
#include "platform/messages.h"
#include "platform/unicode.h"
#include "platform/win32_codes.h"

namespace {

struct AgentMessage {
    int code;
    const char *text;
};

// The agent's own texts, for codes the system has no message for. Sorted.
constexpr AgentMessage kAgentMessages[] = {
    {1508,
     "The requested operation is successful. Changes will not be effective until the browser is "
     "rebooted."},
    {10001, "fw.db.agent.config.script.powerscript_notfound"},
    {10002, "fw.db.agent.config.run_as_admin.credentials_not_available"},
    {10003, "fw.db.agent.config.returned_zero_failure"},
    {17021, "OfficeUpdateError: Creating temp folder."},
    {17023, "OfficeUpdateError: User cancelled installation."},
    {17024, "OfficeUpdateError: Creating folder failed."},
    {17025, "OfficeUpdateError: Patch already installed."},
    {17026, "OfficeUpdateError: Patch already installed to admin installation."},
    {17027, "OfficeUpdateError: Installation source requires full file update."},
    {17028, "OfficeUpdateError: No product installed for contained patch."},
    {17029, "OfficeUpdateError: Patch failed to install."},
    {17030, "OfficeUpdateError: Invalid CIF format."},
    {17031, "OfficeUpdateError: Invalid baseline."},
    {17034, "OfficeUpdateError: Required patch does not apply to the machine."},
    {17038,
     "OfficeUpdateError: You do not have sufficient privileges to complete this installation for "
     "all users of the machine. Log on as administrator and then retry this installation."},
    {17044, "OfficeUpdateError: Installer was unable to run detection for this package."},
    {17048, "OfficeUpdateError : This installation requires Windows Installer 3.1 or greater."},
    {17301, "OfficeUpdateError: General Detection error"},
    {17302, "OfficeUpdateError: Applying patch."},
    {17303, "OfficeUpdateError: Extracting file."},
    {20001, "Patch update delayed since application is used by another process"},
    {2359302,
     "Patch already Installed and the changes will not be effective until the system is "
     "rebooted."},
    {2359303,
     "Patch already Uninstalled and the changes will not be effective until the system is "
     "rebooted."},
};

static_assert(std::is_sorted(std::begin(kAgentMessages), std::end(kAgentMessages),
                             [](const AgentMessage &a, const AgentMessage &b) {
                                 return a.code < b.code;
                             }),
              "the agent's message table must stay sorted by code");

void LogLookup(int code, const char *text) {
    if (code != 0) {
        LogError("Error Code : %d , Error Message : %s \n", code, text);
    } else {
        LogInfo("Message : %s \n", text);
    }
}

char *CopyTrimmed(const char *text) {
    const char *begin = text;
    while (*begin == ' ') {
        ++begin;
    }
    size_t length = strlen(begin);
    while (length > 0 && begin[length - 1] == ' ') {
        --length;
    }
    return strndup(begin, length);
}

}  // namespace

char *GetAgentErrorMessage(int code) {
    auto found =
        std::lower_bound(std::begin(kAgentMessages), std::end(kAgentMessages), code,
                         [](const AgentMessage &entry, int wanted) { return entry.code < wanted; });
    if (found != std::end(kAgentMessages) && found->code == code) {
        return strdup(found->text);
    }
    char *generic = nullptr;
    if (asprintf(&generic, "Unknown Error. Code : %d", code) < 0) {
        return nullptr;
    }
    return generic;
}

char *GetErrorMessage(int code) {
    const char *system = PlatformSystemMessage(code);
    char *text = system != nullptr ? strdup(system) : GetAgentErrorMessage(code);
    LogLookup(code, text != nullptr ? text : "");
    return text;
}

int LogErrorMessage(int code) {
    const char *system = PlatformSystemMessage(code);
    char *text = system != nullptr ? CopyTrimmed(system) : GetAgentErrorMessage(code);
    LogLookup(code, text != nullptr ? text : "");
    free(text);
    return 0;
}

void LogErrorCode(int code) {
    free(GetErrorMessage(code));
}

int WideToUtf8(const uint16_t *wide, char **out) {
    if (out != nullptr) {
        *out = nullptr;
    }
    if (wide == nullptr || out == nullptr) {
        LogError(" Error Message: %s\n", PlatformSystemMessage(FW_ERROR_INVALID_PARAMETER));
        return 0;
    }
    size_t units = 0;
    while (wide[units] != 0) {
        ++units;
    }
    char *utf8 = static_cast<char *>(calloc(FW_UTF8_BYTES_FOR_UTF16(units) + 1, 1));
    if (utf8 == nullptr) {
        LogError(" Error Message: %s\n", PlatformSystemMessage(FW_ERROR_NOT_ENOUGH_MEMORY));
        return 0;
    }
    PlatformUtf16ToUtf8(wide, units, utf8);
    *out = utf8;
    return 1;
}
