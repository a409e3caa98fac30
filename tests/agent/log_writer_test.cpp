#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <regex>
#include <string>

#include "agent/log.h"
#include "platform/sync.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::PathExists;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::SplitLines;
using fw::test::TempDir;

const std::string kStamp = R"(\d{4,}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})";

class LogWriterTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetLog(); }
    TempDir dir_;
};

TEST_F(LogWriterTest, RecordFormatByteForByte) {
    std::string path = OpenTestLog(dir_, 4);
    LogInfo("execute : Exit code for the application : %d \n", 0);
    LogError("two %s", "pieces");  // no line end: the next record runs on
    LogDebug("\n\tstarts on a new line\n");
    LogTrace("trace %05.1f|\n", 2.5);
    CloseLog();

    std::string tid = std::to_string(PlatformThreadId());
    std::string prefix = R"(\[ )" + kStamp + R"( \] \[ )" + tid + R"( \] )";
    std::regex expected("Log open time: " + kStamp + "\n" + prefix +
                        R"(\[INFO\] execute : Exit code for the application : 0 )" + "\n" + prefix +
                        R"(\[ERROR\] two pieces)" + prefix + R"(\[DEBUG\] )" +
                        "\n\tstarts on a new line\n" + prefix + R"(\[TRACE\] trace 002\.5\|)" +
                        "\n" + "Log close time: " + kStamp + "\n");
    std::string content = ReadFile(path);
    EXPECT_TRUE(std::regex_match(content, expected)) << content;
}

TEST_F(LogWriterTest, LevelThresholds) {
    struct Case {
        unsigned char level;
        const char *written;  // I E D T for the calls that write
    };
    const Case cases[] = {{0, ""}, {1, "I"}, {2, "IE"}, {3, "IED"}, {4, "IEDT"}, {200, "IEDT"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.level));
        std::string path = OpenTestLog(dir_, c.level);
        LogInfo("I");
        LogError("E");
        LogDebug("D");
        LogTrace("T");
        ResetLog();
        std::string written;
        for (const std::string &line : SplitLines(ReadFile(path))) {
            for (const char *tag : {"[INFO] ", "[ERROR] ", "[DEBUG] ", "[TRACE] "}) {
                size_t at = line.find(tag);
                while (at != std::string::npos) {
                    written += line[at + strlen(tag)];
                    at = line.find(tag, at + 1);
                }
            }
        }
        EXPECT_EQ(c.written, written);
        unlink(path.c_str());
    }
}

TEST_F(LogWriterTest, NothingIsWrittenBeforeOpenOrAfterClose) {
    EXPECT_EQ(0, LogError("before anything\n"));
    std::string path = OpenTestLog(dir_, 4);
    CloseLog();
    EXPECT_EQ(0, LogError("after close\n"));
    EXPECT_EQ(std::string::npos, ReadFile(path).find("after close"));
    EXPECT_EQ(nullptr, gv_logFilePtr);
}

TEST_F(LogWriterTest, ASecondOpenKeepsTheFirstStream) {
    std::string path = OpenTestLog(dir_, 4);
    FILE *first = gv_logFilePtr;
    SetLogFileName("other.log");
    EXPECT_EQ(1, OpenLogTruncate());
    EXPECT_EQ(first, gv_logFilePtr);
    EXPECT_FALSE(PathExists(dir_.File("other.log")));
    EXPECT_NE(std::string::npos, ReadFile(path).find("[TRACE] gv_logFilePtr already Set\n"));
}

TEST_F(LogWriterTest, AppendKeepsContentAndTruncateEmpties) {
    std::string path = dir_.File("test.log");
    fw::test::WriteFile(path, "earlier content\n");
    OpenTestLog(dir_, 2);
    ResetLog();
    std::string appended = ReadFile(path);
    EXPECT_EQ(0u, appended.find("earlier content\nLog open time: "));

    InitLogDefaults();
    SetLogParams("test.log", dir_.path().c_str(), 2);
    ASSERT_EQ(1, OpenLogTruncate());
    ResetLog();
    EXPECT_EQ(0u, ReadFile(path).find("Log open time: "));
}

TEST_F(LogWriterTest, PathRules) {
    // A directory is created with its parents.
    std::string nested = dir_.File("a/b/c");
    InitLogDefaults();
    SetLogParams("n.log", nested.c_str(), 2);
    ASSERT_EQ(1, OpenLogAppend());
    EXPECT_EQ(nested + "/n.log", GetLogFilePath());
    EXPECT_TRUE(PathExists(nested + "/n.log"));
    ResetLog();

    // Without a directory, the library root's "logs" directory.
    std::string root = dir_.File("root");
    SetQuillonRoot(root.c_str());
    InitLogDefaults();
    ASSERT_EQ(1, OpenLogAppend());
    EXPECT_EQ(root + "/logs/quillon.log", GetLogFilePath());
    EXPECT_TRUE(PathExists(root + "/logs/quillon.log"));
    ResetLog();
}

TEST_F(LogWriterTest, WithoutDirectoryOrRootTheFileIsInDotDotLogs) {
    std::string work = dir_.File("work");
    ASSERT_EQ(0, mkdir(work.c_str(), 0755));
    char saved[4096];
    ASSERT_NE(nullptr, getcwd(saved, sizeof saved));
    ASSERT_EQ(0, chdir(work.c_str()));
    InitLogDefaults();
    int opened = OpenLogAppend();
    std::string chosen = GetLogFilePath() != nullptr ? GetLogFilePath() : "";
    ResetLog();
    ASSERT_EQ(0, chdir(saved));
    EXPECT_EQ(1, opened);
    EXPECT_EQ("../logs/quillon.log", chosen);
    EXPECT_TRUE(PathExists(dir_.File("logs/quillon.log")));
}

TEST_F(LogWriterTest, UnopenableFileFailsAndLeavesNoStream) {
    InitLogDefaults();
    std::string blocker = dir_.File("file");
    fw::test::WriteFile(blocker, "");
    SetLogParams("x.log", (blocker + "/sub").c_str(), 2);  // a file stands where a directory must
    EXPECT_EQ(0, OpenLogAppend());
    EXPECT_EQ(nullptr, gv_logFilePtr);
}

TEST_F(LogWriterTest, InitLogDefaultsStates) {
    ResetLog();
    ASSERT_EQ(1, InitLogDefaults());
    EXPECT_EQ(3, LogLevel);
    void *key = LogLockKey;
    ASSERT_NE(nullptr, key);
    // A name is set but no stream: nothing changes.
    SetLogLevel(1);
    EXPECT_EQ(1, InitLogDefaults());
    EXPECT_EQ(1, LogLevel);
    EXPECT_EQ(key, LogLockKey);
    // A stream is open: only the level goes back to 3.
    SetLogDirectory(dir_.path().c_str());
    ASSERT_EQ(1, OpenLogAppend());
    SetLogLevel(1);
    EXPECT_EQ(1, InitLogDefaults());
    EXPECT_EQ(3, LogLevel);
    EXPECT_EQ(key, LogLockKey);
    EXPECT_EQ(dir_.File("quillon.log"), GetLogFilePath());
}

TEST_F(LogWriterTest, SettersRefuseAbsentValues) {
    EXPECT_EQ(0, SetLogFileName(nullptr));
    EXPECT_EQ(0, SetLogDirectory(nullptr));
    EXPECT_EQ(0, SetLogParams(nullptr, "d", 2));
    EXPECT_EQ(0, SetLogParams("n", nullptr, 2));
    EXPECT_EQ(1, SetLogParams("n", "d", 0x103));
    EXPECT_EQ(3, LogLevel) << "only the low 8 bits of the level count";
    EXPECT_EQ(0, SetLogFilePtr(nullptr));
}

TEST_F(LogWriterTest, SetQuillonRootWithNoneKeepsTheRoot) {
    std::string path = OpenTestLog(dir_, 3);
    SetQuillonRoot("/srv/quillon");
    SetQuillonRoot(nullptr);
    EXPECT_STREQ("/srv/quillon", GetQuillonRoot());
    EXPECT_NE(std::string::npos, ReadFile(path).find("[DEBUG] Default Path Used"));
}

TEST(TimeStamp, HasTheRecordShape) {
    char *stamp = GetTimeStamp();
    ASSERT_NE(nullptr, stamp);
    EXPECT_TRUE(std::regex_match(stamp, std::regex(kStamp))) << stamp;
    free(stamp);
}

}  // namespace
