#include "uninstaller/process_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "agent/error_messages.h"
#include "agent/log.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::PathExists;
using fw::test::ProcessIsAlive;
using fw::test::ProcessIsGone;
using fw::test::ReadFile;
using fw::test::ReadKeyValues;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::WaitUntil;

const std::string kProbe = FW_CHILD_PROBE;

class ExecuteTest : public ::testing::Test {
  protected:
    void SetUp() override { log_ = OpenTestLog(logDir_, 3); }
    void TearDown() override {
        free(remarks_);
        ResetLog();
        gv_shutdownInProgress = 0;
        gv_executeMinuteMs = 60000;
    }
    int Execute(const std::string &command, int minutes = 30, const char *directory = nullptr) {
        free(remarks_);
        remarks_ = nullptr;
        std::string writable = command;
        return execute(directory, writable.data(), &remarks_, minutes, 0);
    }
    std::string Log() { return ReadFile(log_); }
    bool Logged(const std::string &text) { return Log().find(text) != std::string::npos; }

    TempDir logDir_;
    TempDir dir_;
    std::string log_;
    char *remarks_ = nullptr;
};

TEST_F(ExecuteTest, ExitCodesBecomeResultRemarkAndRecords) {
    EXPECT_EQ(0, Execute(kProbe + " exit 0"));
    EXPECT_STREQ("The operation completed successfully.", remarks_);
    EXPECT_TRUE(Logged("[INFO] Message : The operation completed successfully. \n"));
    EXPECT_TRUE(Logged("[INFO] execute : Exit code for the application : 0 \n"));

    EXPECT_EQ(5, Execute(kProbe + " exit 5"));
    EXPECT_STREQ("Access is denied.", remarks_);
    EXPECT_TRUE(Logged("[ERROR] Error Code : 5 , Error Message : Access is denied. \n"));
    EXPECT_TRUE(
        Logged("[INFO] execute : Remarks from the CreateProcess is Access is denied. for "
               "the executable " +
               kProbe + " exit 5 \n"));
    EXPECT_TRUE(Logged("[DEBUG] @@@@@@@@ Inside execute Method @@@@@@@@ \n"));
    EXPECT_TRUE(Logged("[DEBUG] @@@@@@@@ End Of execute Method @@@@@@@@ \n"));

    // Installers report "reboot required" as 3010; children here cannot exit
    // with it, so the remark is checked through the lookup itself.
    char *text = GetErrorMessage(3010);
    EXPECT_STREQ(
        "The requested operation is successful. Changes will not be effective until the system "
        "is rebooted.",
        text);
    free(text);
}

TEST_F(ExecuteTest, AMissingProgramGivesTheSystemCode) {
    EXPECT_EQ(2, Execute("no-such-uninstaller /quiet"));
    EXPECT_STREQ("The system cannot find the file specified.", remarks_);
    EXPECT_TRUE(Logged("[INFO] execute : Failed to Create the Process for the application \n"));
}

TEST_F(ExecuteTest, TheLimitKillsTheWholeGroup) {
    gv_executeMinuteMs = 200;
    std::string pids = dir_.File("pids");
    EXPECT_EQ(258, Execute(kProbe + " family " + pids, 1));
    EXPECT_STREQ("The wait operation timed out.", remarks_);
    EXPECT_TRUE(Logged("execute : Terminating the Process for application " + kProbe + " family " +
                       pids + " as time is exceeded 1 Minutes \n"));
    EXPECT_TRUE(Logged("[INFO] execute : The process has been successfully terminated ..! \n"));
    auto family = ReadKeyValues(pids);
    ASSERT_EQ(2u, family.size());
    int child = std::stoi(family["child"]);
    int grandchild = std::stoi(family["grandchild"]);
    EXPECT_TRUE(WaitUntil([&] { return ProcessIsGone(child); })) << "child not reaped";
    EXPECT_TRUE(WaitUntil([&] { return !ProcessIsAlive(grandchild); })) << "helper left running";
}

TEST_F(ExecuteTest, LimitZeroReturnsAtOnceAndTheChildIsStillReaped) {
    std::string file = dir_.File("later");
    EXPECT_EQ(0, Execute(kProbe + " later " + file + " 300", 0));
    EXPECT_STREQ("The operation completed successfully.", remarks_);
    EXPECT_EQ(std::string::npos, ReadFile(file).find("done")) << "execute waited for the child";
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(file).find("done") != std::string::npos; }));
    int pid = std::stoi(ReadKeyValues(file)["pid"]);
    EXPECT_TRUE(WaitUntil([&] { return ProcessIsGone(pid); })) << "left as a zombie";
}

TEST_F(ExecuteTest, ShutdownInProgressStartsNothing) {
    gv_shutdownInProgress = 1;
    std::string file = dir_.File("report");
    EXPECT_EQ(1237, Execute(kProbe + " report " + file));
    EXPECT_STREQ("Machine is shutdown. Installation will retried in the next reboot", remarks_);
    EXPECT_FALSE(PathExists(file));
    EXPECT_TRUE(
        Logged("[ERROR] execute : Shutdown is in Progress. So returning without executing "
               "the process " +
               kProbe + " report " + file + " .\n"));
    EXPECT_FALSE(Logged("Remarks from the CreateProcess"));
}

TEST_F(ExecuteTest, WorkingDirectoryIsEnteredAndLeft) {
    char before[4096];
    ASSERT_NE(nullptr, getcwd(before, sizeof before));
    EXPECT_EQ(0, Execute(kProbe + " report report.txt", 30, dir_.path().c_str()));
    EXPECT_EQ(dir_.path(), ReadKeyValues(dir_.File("report.txt"))["cwd"]);
    char after[4096];
    ASSERT_NE(nullptr, getcwd(after, sizeof after));
    EXPECT_STREQ(before, after);
    EXPECT_TRUE(Logged("[INFO] execute : Set Working Directory : " + dir_.path() + " \n"));

    // A relative working directory is entered once, not twice.
    ASSERT_EQ(0, chdir(dir_.path().c_str()));
    ASSERT_EQ(0, mkdir("sub", 0755));
    EXPECT_EQ(0, Execute(kProbe + " report report.txt", 30, "sub"));
    EXPECT_TRUE(PathExists(dir_.File("sub/report.txt")));
    ASSERT_EQ(0, chdir(before));
}

TEST_F(ExecuteTest, AMissingWorkingDirectoryLeavesTheCurrentOne) {
    char before[4096];
    ASSERT_NE(nullptr, getcwd(before, sizeof before));
    EXPECT_EQ(2, Execute(kProbe + " exit 0", 30, "/no/such/directory"));
    EXPECT_STREQ("The system cannot find the file specified.", remarks_);
    EXPECT_TRUE(
        Logged("[ERROR] execute : Failed to set the WorkingDirectory /no/such/directory \n "));
    char after[4096];
    ASSERT_NE(nullptr, getcwd(after, sizeof after));
    EXPECT_STREQ(before, after);
}

}  // namespace
