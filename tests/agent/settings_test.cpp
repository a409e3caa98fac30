#include "agent/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "agent/log.h"
#include "agent/logger.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::UseAgentRegistry;
using fw::test::WriteFile;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { log_ = OpenTestLog(logDir_, 4); }
    void TearDown() override { ResetLog(); }
    std::string Log() { return ReadFile(log_); }

    TempDir dir_;
    TempDir logDir_;
    std::string log_;
};

TEST_F(SettingsTest, ReadsStringAndDwordValues) {
    UseAgentRegistry(dir_,
                     {"\"FWAgentInstallDir\"=\"/opt/fw/\"", "\"FWAgentLogLevel\"=dword:00000003",
                      "\"Four\"=\"abc\"", "\"Five\"=\"abcd\""});
    char *text = nullptr;
    EXPECT_EQ(0, GetAgentInstallDir(&text));
    EXPECT_STREQ("/opt/fw/", text);
    free(text);

    uint32_t value = 77;
    EXPECT_EQ(0, ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY,
                                       "FWAgentLogLevel", &value));
    EXPECT_EQ(3u, value);
    // The type is not checked: data of at most 4 bytes are taken as they are.
    EXPECT_EQ(0,
              ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY, "Four", &value));
    EXPECT_EQ(0x00636261u, value);
    value = 77;
    EXPECT_EQ(234,
              ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY, "Five", &value));
    EXPECT_EQ(77u, value) << "written only on success";
    EXPECT_NE(std::string::npos,
              Log().find("[ERROR] ReadDwordRegistryData: Error while reading DWORD value of Five : "
                         "234 \n"));
    // A DWORD read as text is its four bytes, terminated.
    EXPECT_EQ(0, ReadRegSZ(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY, "FWAgentLogLevel", &text));
    EXPECT_STREQ("\x03", text);
    free(text);
}

TEST_F(SettingsTest, MissingKeyOrValueGives2WithTheRecords) {
    UseAgentRegistry(dir_, {"\"Other\"=\"x\""});
    char *text = reinterpret_cast<char *>(1);
    EXPECT_EQ(2, ReadRegSZ(FW_HKEY_LOCAL_MACHINE, "Software\\Missing", "Any", &text));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(2, GetAgentInstallDir(&text));
    EXPECT_EQ(nullptr, text) << "a missing value allocates nothing";
    uint32_t value = 9;
    EXPECT_EQ(2, ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, "Software\\Missing", "Lvl", &value));
    EXPECT_EQ(2,
              ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY, "Lvl2", &value));
    EXPECT_EQ(9u, value);
    std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("[ERROR] ReadRegSZ: Error while opening registry key Software\\Missing ,and "
                       "the error is  2 \n"));
    EXPECT_NE(std::string::npos,
              log.find("[DEBUG] ReadDwordRegistryData:  value  Lvl Not found: 2 \n"));
    EXPECT_NE(std::string::npos,
              log.find("[DEBUG] ReadDwordRegistryData:  value  Lvl2 Not found: 2 \n"));
}

TEST_F(SettingsTest, MalformedRegistryIsAnErrorCodeWithARecord) {
    std::string path = dir_.File("bad.reg");
    WriteFile(path,
              "[HKEY_LOCAL_MACHINE\\Software\\Northvale\\Fleetwarden\\FWAgent]\n"
              "\"FWAgentLogLevel\"=dword:zz\n");
    setenv("FWAGENT_REGISTRY_FILE", path.c_str(), 1);
    char *text = nullptr;
    EXPECT_EQ(1009, GetAgentInstallDir(&text));
    uint32_t value = 5;
    EXPECT_EQ(1009, ReadDwordRegistryData(FW_HKEY_LOCAL_MACHINE, FW_AGENT_REGISTRY_KEY,
                                          "FWAgentLogLevel", &value));
    EXPECT_EQ(5u, value);
    int flag = 0;
    EXPECT_EQ(0, GetEventEnabled(&flag));
    EXPECT_EQ(1, flag) << "an unreadable flag counts as enabled";
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("and the error is  1009"));
    EXPECT_NE(std::string::npos, log.find("and the errorcode is : 1009"));
    EXPECT_NE(std::string::npos, log.find("Registry file problem: " + path + ":2: "));
}

TEST_F(SettingsTest, EventFlag) {
    UseAgentRegistry(dir_, {"\"FWEventEnabled\"=dword:00000000"});
    int flag = 1;
    EXPECT_EQ(0, GetEventEnabled(&flag));
    EXPECT_EQ(0, flag);
}

TEST_F(SettingsTest, CheckFileExists) {
    WriteFile(dir_.File("manifest.json"), "{}");
    struct Case {
        std::string path;
        int expected;
    };
    const Case cases[] = {
        {dir_.File("manifest.json"), 0}, {dir_.path(), 0},
        {dir_.File("mani*.js?n"), 0},    {dir_.File("*.xml"), 2},
        {dir_.File("absent.json"), 2},   {"", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.expected, CheckFileExists(c.path.c_str()));
        EXPECT_EQ(c.expected == 0 ? 1 : 0, FileExists(c.path.c_str()));
    }
    EXPECT_NE(std::string::npos,
              Log().find("[ERROR] CheckFileExists -> Invalid File Handle. 2 \n"));
}

TEST_F(SettingsTest, GetFileSizeByName) {
    WriteFile(dir_.File("f"), "12345");
    uint64_t size = 99;
    EXPECT_EQ(1, GetFileSizeByName(dir_.File("f").c_str(), &size));
    EXPECT_EQ(5u, size);
    EXPECT_EQ(0, GetFileSizeByName(dir_.File("none").c_str(), &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(0, GetFileSizeByName(dir_.path().c_str(), &size));
    EXPECT_EQ(0, GetFileSizeByName(nullptr, &size));
}

// The agent log's level comes from FWAgentLogLevel: its low 8 bits, or 2.
TEST(AgentLogLevel, FromTheRegistry) {
    struct Case {
        const char *line;
        unsigned char level;
    };
    const Case cases[] = {
        {"\"FWAgentLogLevel\"=dword:00000004", 4},        {"\"FWAgentLogLevel\"=dword:00000100", 0},
        {"\"FWAgentLogLevel\"=dword:00000101", 1},        {"\"Unrelated\"=dword:00000004", 2},
        {"\"FWAgentLogLevel\"=\"a long text value\"", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        TempDir dir;
        UseAgentRegistry(dir, {c.line});
        ASSERT_EQ(0, InitAgentLog("agent.log", dir.path().c_str(), 1));
        EXPECT_EQ(c.level, LogLevel);
        ResetLog();
    }
}

}  // namespace
