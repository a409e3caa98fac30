#include "agent/log_rotation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "agent/log.h"
#include "agent/logger.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::PathExists;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::SplitLines;
using fw::test::TempDir;
using fw::test::UseAgentRegistry;
using fw::test::WriteFile;

class RotationTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetLog(); }

    // The directory as the agent passes it: with a trailing backslash.
    std::string AgentDir() const { return dir_.path() + "\\"; }
    std::string Backup(const std::string &base, int n) const {
        return dir_.File(base + std::to_string(n) + ".log");
    }
    int Rotate(const char *name, int maxFileCount = 5, int mode = 1) {
        return RotateSpecificLogs(AgentDir().c_str(), name, maxFileCount, 2000000, mode);
    }
    // Opens a second log (in its own directory) that the rotations report to.
    std::string OpenReportLog() { return fw::test::OpenTestLog(reportDir_, 4); }

    TempDir dir_;
    TempDir reportDir_;
};

TEST_F(RotationTest, SizeLimitIsInclusive) {
    const std::pair<size_t, int> cases[] = {{0, 0}, {1999999, 0}, {2000000, 1}, {2000001, 1}};
    std::string live = dir_.File("zpa.log");
    for (const auto &[size, expected] : cases) {
        SCOPED_TRACE(size);
        WriteFile(live, std::string(size, 'x'));
        EXPECT_EQ(expected, CheckLogSizeReached(live.c_str(), 2000000));
        EXPECT_EQ(0, RotateLoggerForEverRunningProcess(dir_.path().c_str(), "zpa.log", 5, 2000000));
        EXPECT_EQ(expected == 1, PathExists(Backup("zpa", 1)));
        if (expected == 1) {
            EXPECT_EQ(size, ReadFile(Backup("zpa", 1)).size());
            EXPECT_EQ("", ReadFile(live));
        } else {
            EXPECT_EQ(size, ReadFile(live).size());
        }
    }
}

TEST_F(RotationTest, MissingLiveFileCountsAsEmpty) {
    std::string report = OpenReportLog();
    EXPECT_EQ(0, CheckLogSizeReached(dir_.File("none.log").c_str(), 2000000));
    std::string log = ReadFile(report);
    EXPECT_NE(std::string::npos, log.find("CheckLogSizeReached : The log file size of " +
                                          dir_.File("none.log") + " is given by 0 \n"));
    EXPECT_NE(std::string::npos,
              log.find("[ERROR] CheckLogSizeReached : Unable to get the file handle \n"));
}

TEST_F(RotationTest, BackupsShiftUpAndNeverExceedTheCount) {
    WriteFile(dir_.File("zpa.log"), "live");
    for (int n = 1; n <= 4; ++n) {
        WriteFile(Backup("zpa", n), "backup" + std::to_string(n));
    }
    EXPECT_EQ(0, Rotate("zpa.log"));
    EXPECT_EQ("", ReadFile(dir_.File("zpa.log")));
    EXPECT_EQ("live", ReadFile(Backup("zpa", 1)));
    EXPECT_EQ("backup1", ReadFile(Backup("zpa", 2)));
    EXPECT_EQ("backup2", ReadFile(Backup("zpa", 3)));
    EXPECT_EQ("backup3", ReadFile(Backup("zpa", 4)));
    EXPECT_FALSE(PathExists(Backup("zpa", 5)));

    for (int round = 0; round < 7; ++round) {
        WriteFile(dir_.File("zpa.log"), "round" + std::to_string(round));
        Rotate("zpa.log");
        EXPECT_FALSE(PathExists(Backup("zpa", 5)));
        EXPECT_EQ(5, FindNoOfRepeatedFileNames(AgentDir().c_str(), "zpa"));
    }
    EXPECT_EQ("round6", ReadFile(Backup("zpa", 1)));
    EXPECT_EQ("round3", ReadFile(Backup("zpa", 4)));
}

TEST_F(RotationTest, TheWritersNextRecordLandsAtTheStartOfTheEmptiedFile) {
    InitLogDefaults();
    SetLogParams("agent.log", dir_.path().c_str(), 2);
    ASSERT_EQ(1, OpenLogAppend());
    LogInfo("before rotation\n");
    ASSERT_EQ(0, Rotate("agent.log"));
    LogError("after rotation\n");
    std::string live = ReadFile(dir_.File("agent.log"));
    EXPECT_EQ(0u, live.find("[ ")) << live;
    EXPECT_EQ(std::string::npos, live.find("before rotation"));
    EXPECT_NE(std::string::npos, live.find("[ERROR] after rotation\n"));
    std::string backup = ReadFile(Backup("agent", 1));
    EXPECT_EQ(0u, backup.find("Log open time: "));
    EXPECT_NE(std::string::npos, backup.find("[INFO] before rotation\n"));
}

TEST_F(RotationTest, AFailedCopyKeepsTheLiveFile) {
    WriteFile(dir_.File("zpa.log"), "precious records");
    ASSERT_EQ(0, mkdir(Backup("zpa", 1).c_str(), 0755));  // backup 1 cannot be written
    std::string report = OpenReportLog();
    EXPECT_EQ(0, Rotate("zpa.log"));
    EXPECT_EQ("precious records", ReadFile(dir_.File("zpa.log")));
    EXPECT_NE(std::string::npos, ReadFile(report).find("the live file is kept as it is"));
}

TEST_F(RotationTest, ANameWithoutDotLogHasTheEmptyBase) {
    WriteFile(dir_.File("agent.txt"), "live");
    WriteFile(dir_.File("other"), "");
    // ".", "..", agent.txt and other: the empty base matches every entry.
    EXPECT_EQ(4, FindNoOfRepeatedFileNames(AgentDir().c_str(), ""));
    char *name = MakeRotatedLogName(AgentDir().c_str(), "agent.txt", 1);
    EXPECT_EQ(AgentDir() + "\\1.log", name);
    free(name);
    // Count 4 with nothing at 1..3: the shifts fail and are logged, the live
    // file still reaches backup 1.
    EXPECT_EQ(0, Rotate("agent.txt"));
    EXPECT_EQ("live", ReadFile(dir_.File("1.log")));
    EXPECT_EQ("", ReadFile(dir_.File("agent.txt")));
}

TEST_F(RotationTest, StrayFilesRaiseTheCountAndFailedCopiesAreLogged) {
    WriteFile(dir_.File("zpa.log"), "live");
    WriteFile(dir_.File("zpa.old"), "stray");
    EXPECT_EQ(2, FindNoOfRepeatedFileNames(AgentDir().c_str(), "zpa"));
    std::string report = OpenReportLog();
    EXPECT_EQ(0, Rotate("zpa.log"));
    EXPECT_EQ("live", ReadFile(Backup("zpa", 1)));
    EXPECT_EQ("stray", ReadFile(dir_.File("zpa.old")));
    EXPECT_NE(std::string::npos, ReadFile(report).find("CopyFile failed to move from " +
                                                       AgentDir() + "\\zpa1.log to  " + AgentDir() +
                                                       "\\zpa2.log and the error code is 2 \n"));
}

TEST_F(RotationTest, ModeZeroRotatesLargerFilesAndDeletesTheLiveFile) {
    WriteFile(dir_.File("small.log"), std::string(10, 's'));
    WriteFile(dir_.File("big.log"), std::string(2000001, 'b'));
    std::string report = OpenReportLog();
    EXPECT_EQ(0,
              RotateSpecificLogs(AgentDir().c_str(), "small.log;big.log;gone.log", 5, 2000000, 0));
    EXPECT_TRUE(PathExists(dir_.File("small.log")));
    EXPECT_FALSE(PathExists(dir_.File("small1.log")));
    EXPECT_FALSE(PathExists(dir_.File("big.log")));
    EXPECT_EQ(2000001u, ReadFile(dir_.File("big1.log")).size());
    std::string log = ReadFile(report);
    EXPECT_NE(std::string::npos,
              log.find("[ERROR] RotateSpecificLogs : hFile is NULL or not AVAILABLE "
                       "(Errorcode : 2) for the file name " +
                       AgentDir() + "\\gone.log . \n"));
    EXPECT_NE(std::string::npos,
              log.find("Sucessfully got the " + AgentDir() + "\\small.log File size = 10 \n"));
    // Other modes never rotate.
    EXPECT_EQ(0, RotateSpecificLogs(AgentDir().c_str(), "small.log", 5, 0, 7));
    EXPECT_FALSE(PathExists(dir_.File("small1.log")));
}

TEST_F(RotationTest, SearchFailureCountsMinusOne) {
    EXPECT_EQ(-1, FindNoOfRepeatedFileNames(dir_.File("absent\\").c_str(), "zpa"));
    // Without a directory the installation directory is read; without a
    // registry that read's code is the result.
    setenv("FWAGENT_REGISTRY_FILE", dir_.File("absent.reg").c_str(), 1);
    EXPECT_EQ(2, RotateSpecificLogs(nullptr, "x.log", 5, 0, 1));
}

TEST(RotatedLogName, IsDirectoryBackslashBaseNumberDotLog) {
    struct Case {
        const char *directory;
        const char *name;
        int n;
        const char *expected;
    };
    const Case cases[] = {
        {"C:\\agent\\logs\\", "zpaApplicationsUninstall.log", 3,
         "C:\\agent\\logs\\\\zpaApplicationsUninstall3.log"},
        {"/d", "a.log.log", 1, "/d\\a1.log"},
        {"/d", "noext", 2, "/d\\2.log"},
        {"/d", "x.logger", 0, "/d\\x0.log"},
    };
    for (const Case &c : cases) {
        char *name = MakeRotatedLogName(c.directory, c.name, c.n);
        EXPECT_STREQ(c.expected, name);
        free(name);
    }
}

// Two threads log as fast as they can while rotations run back to back; every
// record must end up whole in exactly one of the files.
TEST(RotationStress, NoRecordIsLostOrTorn) {
    TempDir dir;
    UseAgentRegistry(dir, {});
    LoggerConfig config = {};
    std::string name = "stress.log";
    config.fileName = name.data();
    config.logDirectory = const_cast<char *>(dir.path().c_str());
    config.maxFileCount = 200;  // high enough that no backup is dropped
    config.maxFileSize = 40000;
    config.timerPeriodMs = 2;  // rotations back to back
    config.openMode = 1;
    config.useTimer = 1;
    ASSERT_EQ(0, StartLogger(&config));

    // The writers go on until the rotations have made several backups, so
    // the test does not depend on how fast this machine is.
    constexpr int kThreads = 2;
    constexpr int kBackupsWanted = 6;
    std::atomic<bool> stop{false};
    std::vector<int> written(kThreads, 0);
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t, &stop, &written] {
            int i = 0;
            for (; !stop && i < 2000000; ++i) {
                LogError("stress W%d N%d %s END\n", t, i, "padding-padding-padding-padding");
            }
            written[t] = i;
        });
    }
    std::string lastBackup = dir.File("stress" + std::to_string(kBackupsWanted) + ".log");
    for (int waited = 0; waited < 60000 && !PathExists(lastBackup); waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    stop = true;
    for (std::thread &w : writers) {
        w.join();
    }
    DeInitLogger();

    std::regex whole(
        R"(\[ \d+-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} \] \[ \d+ \] \[ERROR\] stress W(\d) N(\d+) padding-padding-padding-padding END)");
    std::map<std::pair<int, int>, int> seen;
    int files = 0;
    for (int n = 0; n < config.maxFileCount; ++n) {
        std::string path =
            n == 0 ? dir.File(name) : dir.File("stress" + std::to_string(n) + ".log");
        if (!PathExists(path)) {
            continue;
        }
        ++files;
        std::string content = ReadFile(path);
        EXPECT_TRUE(content.empty() || content.back() == '\n') << path << " ends inside a record";
        for (const std::string &line : SplitLines(content)) {
            if (line.find("stress W") == std::string::npos) {
                continue;
            }
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, whole))
                << "torn record in " << path << ": " << line;
            seen[{std::stoi(m[1]), std::stoi(m[2])}]++;
        }
    }
    EXPECT_GT(files, kBackupsWanted) << "the test must see several rotations";
    EXPECT_EQ(static_cast<size_t>(written[0] + written[1]), seen.size()) << "records were lost";
    for (const auto &[record, count] : seen) {
        ASSERT_EQ(1, count) << "record W" << record.first << " N" << record.second;
    }
}

}  // namespace
