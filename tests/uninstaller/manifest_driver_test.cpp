#include "uninstaller/manifest_driver.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.hpp"
#include "uninstaller/process_runner.h"

namespace {

using fw::test::OpenTestLog;
using fw::test::ProcessIsAlive;
using fw::test::ProcessIsGone;
using fw::test::ReadFile;
using fw::test::ReadKeyValues;
using fw::test::ResetLog;
using fw::test::TempDir;
using fw::test::WaitUntil;
using fw::test::WriteFile;

const std::string kProbe = FW_CHILD_PROBE;

// The 30-minute limit, shortened through the runner's minute length: a
// command that never ends is killed with its helpers and the next one runs.
TEST(ManifestDriver, ACommandPastTheLimitIsKilledAndTheNextRuns) {
    TempDir dir;
    std::string log = OpenTestLog(dir, 2);
    gv_executeMinuteMs = 10;  // 30 "minutes" = 300 ms
    std::string pids = dir.File("pids");
    std::string marker = dir.File("marker");
    WriteFile(dir.File("m.json"), R"({"Uninstall": [{"Uninstall Key": [
        ")" + kProbe + " family " + pids +
                                      R"(",
        ")" + kProbe + " append " + marker +
                                      R"( next-ran"]}]})");
    EXPECT_EQ(0, RunUninstallManifest(dir.File("m.json").c_str()));
    ResetLog();

    EXPECT_EQ("next-ran\n", ReadFile(marker));
    std::string text = ReadFile(log);
    EXPECT_NE(std::string::npos, text.find("as time is exceeded 30 Minutes"));
    EXPECT_NE(
        std::string::npos,
        text.find("[ERROR] Error Code : 258 , Error Message : The wait operation timed out."));
    auto family = ReadKeyValues(pids);
    ASSERT_EQ(2u, family.size());
    EXPECT_TRUE(WaitUntil([&] { return ProcessIsGone(std::stoi(family["child"])); }));
    EXPECT_TRUE(WaitUntil([&] { return !ProcessIsAlive(std::stoi(family["grandchild"])); }));
}

}  // namespace
