#include "agent/logger.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "agent/log.h"
#include "agent/settings.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::PathExists;
using fw::test::ReadFile;
using fw::test::TempDir;
using fw::test::UseAgentRegistry;
using fw::test::WriteFile;

TEST(Logger, InitLoggerOpensTheLogInTheInstallationsLogsDirectory) {
    TempDir dir;
    UseAgentRegistry(dir, {"\"FWAgentInstallDir\"=\"" + dir.path() + "/\""});
    ASSERT_EQ(0, InitLogger("zpa.log"));
    EXPECT_STREQ((dir.path() + "/").c_str(), gv_agentInstallDir);
    EXPECT_NE(nullptr, gv_loggerTimerQueue);
    EXPECT_EQ(2, LogLevel) << "no level in the registry";
    LogInfo("a record\n");
    EXPECT_EQ(0, DeInitLogger());
    EXPECT_EQ(nullptr, gv_loggerTimerQueue);
    EXPECT_EQ(nullptr, gv_logFilePtr);

    std::string log = ReadFile(dir.File("logs/zpa.log"));
    EXPECT_EQ(0u, log.find("Log open time: "));
    EXPECT_NE(std::string::npos, log.find("[INFO] a record\n"));
    EXPECT_NE(std::string::npos, log.find("Log close time: "));
    // The first rotation check ran before the log was open: not in the log.
    EXPECT_EQ(std::string::npos, log.find("ServiceMain : TimerQueue is created successfully"));
}

TEST(Logger, WithoutTheInstallationDirectoryNothingStarts) {
    TempDir dir;
    UseAgentRegistry(dir, {"\"FWAgentLogLevel\"=dword:00000004"});
    EXPECT_EQ(2, InitLogger("zpa.log"));
    EXPECT_EQ(nullptr, gv_logFilePtr);
    EXPECT_EQ(nullptr, gv_loggerTimerQueue);
    EXPECT_EQ(0, DeInitLogger());
}

TEST(Logger, AFullLiveFileIsRotatedAtStart) {
    TempDir dir;
    UseAgentRegistry(dir, {"\"FWAgentInstallDir\"=\"" + dir.path() + "/\""});
    ASSERT_EQ(0, mkdir(dir.File("logs").c_str(), 0755));
    WriteFile(dir.File("logs/zpa.log"), std::string(2000000, 'o'));
    ASSERT_EQ(0, InitLogger("zpa.log"));
    DeInitLogger();
    EXPECT_EQ(2000000u, ReadFile(dir.File("logs/zpa1.log")).size());
    EXPECT_EQ(0u, ReadFile(dir.File("logs/zpa.log")).find("Log open time: "));
}

TEST(Logger, StartLoggerWithoutTimerRotatesOnceAndTruncatesInMode2) {
    TempDir dir;
    UseAgentRegistry(dir, {});
    WriteFile(dir.File("once.log"), "old content\n");
    std::string name = "once.log";
    LoggerConfig config = {name.data(), const_cast<char *>(dir.path().c_str()), 5, 5, 900000, 2, 0};
    ASSERT_EQ(0, StartLogger(&config));
    EXPECT_EQ(nullptr, gv_loggerTimerQueue);
    DeInitLogger();
    EXPECT_EQ("old content\n", ReadFile(dir.File("once1.log")));
    EXPECT_EQ(std::string::npos, ReadFile(dir.File("once.log")).find("old content"));
}

TEST(Logger, StartLoggerReports13WhenTheLogCannotOpen) {
    TempDir dir;
    UseAgentRegistry(dir, {});
    WriteFile(dir.File("blocker"), "");
    std::string name = "x.log";
    std::string directory = dir.File("blocker/sub");
    LoggerConfig config = {name.data(), directory.data(), 5, 2000000, 900000, 1, 0};
    EXPECT_EQ(13, StartLogger(&config));
    DeInitLogger();
}

// A rotation that runs while the logger stops must finish before the log is
// closed and the config released: run the timer back to back and stop it many
// times (AddressSanitizer reports any use after release).
TEST(Logger, DeInitLoggerWaitsForARunningRotation) {
    TempDir dir;
    UseAgentRegistry(dir, {"\"FWAgentLogLevel\"=dword:00000004"});
    for (int round = 0; round < 30; ++round) {
        std::string name = "busy.log";
        std::string directory = dir.path();
        auto *config = new LoggerConfig{name.data(), directory.data(), 3, 1, 0, 1, 1};
        ASSERT_EQ(0, StartLogger(config));
        LogInfo("round %d\n", round);
        EXPECT_EQ(0, DeInitLogger());
        delete config;
    }
    EXPECT_TRUE(PathExists(dir.File("busy.log")));
}

}  // namespace
