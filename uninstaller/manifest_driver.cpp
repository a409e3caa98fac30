#include "uninstaller/manifest_driver.h"

#include <json/json.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "agent/log.h"
#include "agent/settings.h"
#include "platform/process.h"
#include "uninstaller/process_runner.h"

namespace {

const char *KindName(const Json::Value &value) {
    switch (value.type()) {
        case Json::nullValue:
            return "null";
        case Json::intValue:
        case Json::uintValue:
            return "an integer";
        case Json::realValue:
            return "a number";
        case Json::stringValue:
            return "a string";
        case Json::booleanValue:
            return "a boolean";
        case Json::arrayValue:
            return "an array";
        case Json::objectValue:
            return "an object";
    }
    return "unknown";
}

bool IsContainer(const Json::Value &value) {
    return value.isArray() || value.isObject();
}

// The reader keeps what it read before a syntax error, and that is acted on;
// a stream that cannot be read leaves the null value.
Json::Value ReadManifest(const char *path) {
    Json::Value root;
    std::ifstream in(path);
    if (in) {
        Json::Reader reader(Json::Features::all());
        reader.parse(in, root, false);
    }
    return root;
}

std::string ProductName(const Json::Value &entry, Json::ArrayIndex index) {
    const Json::Value &name = entry["ProductName"];
    if (IsContainer(name)) {
        LogError("main : The ProductName of entry %u is %s, not a text; it is logged as empty \n",
                 index, KindName(name));
        return "";
    }
    return name.asString();
}

void RunCommand(const std::string &command, Json::ArrayIndex entry, Json::ArrayIndex index) {
    char *expanded = PlatformExpandEnvironment(command.c_str());
    if (expanded == nullptr) {
        LogError("main : Out of memory expanding command %u of entry %u; it is not run \n", index,
                 entry);
        return;
    }
    size_t length = strlen(expanded);
    if (length > FW_MAX_COMMAND_LINE) {
        LogError(
            "main : Command %u of entry %u expands to %zu characters, more than the %d a command "
            "line can hold; it is not run \n",
            index, entry, length, FW_MAX_COMMAND_LINE);
    } else {
        char *remarks = nullptr;
        execute(nullptr, expanded, &remarks, FW_UNINSTALL_TIMEOUT_MINUTES, 0);
        free(remarks);
    }
    free(expanded);
}

void RunEntry(const Json::Value &entry, Json::ArrayIndex index) {
    if (!entry.isNull() && !entry.isObject()) {
        LogError("main : Entry %u of \"Uninstall\" is %s, not an object; it is skipped \n", index,
                 KindName(entry));
        return;
    }
    std::string product = ProductName(entry, index);
    Json::Value commands = entry["Uninstall Key"];
    LogInfo("########## Executing application: %s ##########\n", product.c_str());
    if (commands.isNull()) {
        return;
    }
    if (!commands.isArray()) {
        LogError(
            "main : The \"Uninstall Key\" of entry %u is %s, not an array of commands; none is run "
            "\n",
            index, KindName(commands));
        return;
    }
    for (Json::ArrayIndex j = 0; j != commands.size(); ++j) {
        const Json::Value &command = commands[j];
        if (IsContainer(command)) {
            LogError("main : Command %u of entry %u is %s, not a text; it is skipped \n", j, index,
                     KindName(command));
            continue;
        }
        RunCommand(command.asString(), index, j);
    }
}

void RunManifest(const Json::Value &root) {
    if (root.isNull()) {
        return;
    }
    if (!root.isObject()) {
        LogError("main : The manifest is %s, not an object; nothing is run \n", KindName(root));
        return;
    }
    Json::Value applications = root["Uninstall"];
    if (applications.isNull()) {
        return;
    }
    if (!applications.isArray()) {
        LogError("main : \"Uninstall\" is %s, not an array of applications; nothing is run \n",
                 KindName(applications));
        return;
    }
    for (Json::ArrayIndex i = 0; i != applications.size(); ++i) {
        RunEntry(applications[i], i);
    }
}

}  // namespace

int RunUninstallManifest(const char *path) {
    if (!FileExists(path)) {
        LogError("%s file not found\n", path);
        return 2;
    }
    try {
        RunManifest(ReadManifest(path));
    } catch (const std::exception &error) {
        // The checks above leave the reader nothing to object to; should it
        // still, the run ends in order rather than abnormally.
        LogError("main : The manifest %s could not be processed: %s \n", path, error.what());
    }
    return 0;
}
