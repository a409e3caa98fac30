#include "tests/support/test_support.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "agent/log.h"

namespace fw::test {

TempDir::TempDir() {
    const char *base = getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/fwtest.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed for " << pattern;
    }
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string &name) const {
    return path_ + "/" + name;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string &path, const std::string &content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

bool PathExists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string UseAgentRegistry(const TempDir &dir, const std::vector<std::string> &valueLines) {
    std::string content =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Northvale\\Fleetwarden\\FWAgent]\n";
    for (const std::string &line : valueLines) {
        content += line + "\n";
    }
    std::string path = dir.File("registry.reg");
    WriteFile(path, content);
    setenv("FWAGENT_REGISTRY_FILE", path.c_str(), 1);
    return path;
}

void ResetLog() {
    CloseLog();
    FreeLogParams();
    SetLogLevel(0);
}

std::string OpenTestLog(const TempDir &dir, unsigned char level) {
    ResetLog();
    InitLogDefaults();
    SetLogParams("test.log", dir.path().c_str(), level);
    EXPECT_EQ(1, OpenLogAppend());
    return dir.File("test.log");
}

bool ProcessIsAlive(int pid) {
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' &&
           stat[close + 2] != 'X';
}

bool ProcessIsGone(int pid) {
    return !PathExists("/proc/" + std::to_string(pid));
}

bool WaitUntil(const std::function<bool()> &done, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (done()) {
            return true;
        }
        usleep(10000);
    }
    return done();
}

std::map<std::string, std::string> ReadKeyValues(const std::string &path) {
    std::map<std::string, std::string> values;
    for (const std::string &line : SplitLines(ReadFile(path))) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

}  // namespace fw::test
