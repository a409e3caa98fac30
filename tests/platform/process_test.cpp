#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::ProcessIsAlive;
using fw::test::ProcessIsGone;
using fw::test::ReadFile;
using fw::test::ReadKeyValues;
using fw::test::SplitLines;
using fw::test::TempDir;
using fw::test::WaitUntil;

const std::string kProbe = FW_CHILD_PROBE;

std::vector<std::string> Split(const char *commandLine) {
    int count = -1;
    char **arguments = PlatformSplitCommandLine(commandLine, &count);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.emplace_back(arguments[i]);
    }
    EXPECT_EQ(nullptr, arguments[count]);
    PlatformFreeArguments(arguments);
    return out;
}

TEST(CommandLine, SplitsByTheWindowsRules) {
    using Args = std::vector<std::string>;
    struct Case {
        const char *line;
        Args expected;
    };
    const Case cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  prog \t a  ", {"prog", "a"}},
        {"\"C:\\Program Files\\x.exe\" /S", {"C:\\Program Files\\x.exe", "/S"}},
        {"prog \"a b\" c", {"prog", "a b", "c"}},
        {"prog a\"b c\"d", {"prog", "ab cd"}},
        {"prog \"\"", {"prog", ""}},
        {"prog \\\"a", {"prog", "\"a"}},                 // 1 backslash: literal quote
        {"prog \\\\\"a b\"", {"prog", "\\a b"}},         // 2: one backslash, quote groups
        {"prog \\\\\\\"a", {"prog", "\\\"a"}},           // 3: backslash and literal quote
        {"prog a\\\\b c\\", {"prog", "a\\\\b", "c\\"}},  // backslashes before no quote
        {"prog \"a \"\"b\"\" c\"", {"prog", "a \"b\" c"}},
        {"prog 'single quotes' do not group", {"prog", "'single", "quotes'", "do", "not", "group"}},
        {"C:\\dir\\prog.exe arg", {"C:\\dir\\prog.exe", "arg"}},  // no escapes in the program
        {"\"unterminated program", {"unterminated program"}},
        {"prog \"unterminated arg", {"prog", "unterminated arg"}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.expected, Split(c.line));
    }
}

TEST(Environment, ExpandsDefinedReferencesOnly) {
    setenv("FW_EXPAND_A", "alpha", 1);
    setenv("FW_EXPAND_EMPTY", "", 1);
    setenv("fw_mixed_Case", "mixed", 1);
    unsetenv("FW_EXPAND_UNDEFINED");
    struct Case {
        const char *text;
        const char *expected;
    };
    const Case cases[] = {
        {"no references", "no references"},
        {"%FW_EXPAND_A%", "alpha"},
        {"x%FW_EXPAND_A%y%FW_EXPAND_A%z", "xalphayalphaz"},
        {"%FW_EXPAND_UNDEFINED%\\bin", "%FW_EXPAND_UNDEFINED%\\bin"},
        {"[%FW_EXPAND_EMPTY%]", "[]"},
        {"%FW_MIXED_CASE%", "mixed"},
        {"100% sure", "100% sure"},
        {"%%", "%%"},
        {"a %FW_EXPAND_A", "a %FW_EXPAND_A"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        char *expanded = PlatformExpandEnvironment(c.text);
        EXPECT_STREQ(c.expected, expanded);
        free(expanded);
    }
    std::string longText(40000, 'x');
    longText += "%FW_EXPAND_A%";
    char *expanded = PlatformExpandEnvironment(longText.c_str());
    EXPECT_EQ(40005u, strlen(expanded)) << "no fixed capacity";
    free(expanded);
}

class ProcessTest : public ::testing::Test {
  protected:
    // Runs commandLine, waits up to timeoutMs; returns the wait's outcome and
    // leaves the exit code in exitCode_.
    int Run(const std::string &commandLine, uint32_t timeoutMs = 10000,
            const char *workingDirectory = nullptr) {
        PlatformProcess *process = nullptr;
        int code = PlatformCreateProcess(commandLine.c_str(), workingDirectory, &process, &pid_);
        if (code != 0) {
            return -1000 - code;
        }
        int outcome = PlatformWaitProcess(process, timeoutMs, nullptr);
        PlatformGetExitCode(process, &exitCode_);
        if (outcome == FW_WAIT_TIMEOUT_RESULT) {
            EXPECT_EQ(0, PlatformTerminateProcess(process));
        }
        PlatformCloseProcess(process);
        return outcome;
    }

    TempDir dir_;
    int pid_ = 0;
    int exitCode_ = -1;
};

TEST_F(ProcessTest, ChildInheritsOnlyNullStreamsAndLeadsItsGroup) {
    // A descriptor of the parent's that is not close-on-exec must not leak.
    int leaky = dup(1);
    ASSERT_EQ(FW_WAIT_OBJECT_0, Run(kProbe + " report " + dir_.File("r")));
    close(leaky);
    auto report = ReadKeyValues(dir_.File("r"));
    EXPECT_EQ("0,1,2", report["fds"]);
    EXPECT_EQ("/dev/null", report["stdin"]);
    EXPECT_EQ("/dev/null", report["stdout"]);
    EXPECT_EQ("/dev/null", report["stderr"]);
    EXPECT_EQ(report["pid"], report["pgid"]);
    EXPECT_EQ(std::to_string(pid_), report["pid"]);
    EXPECT_TRUE(ProcessIsGone(pid_)) << "the wait reaps the child";
}

TEST_F(ProcessTest, ArgumentsReachTheChildWhole) {
    std::string line = kProbe + " args " + dir_.File("a") + " plain \"with blank\" \\\"q\\\" \"\"";
    ASSERT_EQ(FW_WAIT_OBJECT_0, Run(line));
    EXPECT_EQ((std::vector<std::string>{"plain", "with blank", "\"q\"", ""}),
              SplitLines(ReadFile(dir_.File("a"))));
}

TEST_F(ProcessTest, ExitCodesAndSignals) {
    EXPECT_EQ(FW_WAIT_OBJECT_0, Run(kProbe + " exit 0"));
    EXPECT_EQ(0, exitCode_);
    EXPECT_EQ(FW_WAIT_OBJECT_0, Run(kProbe + " exit 5"));
    EXPECT_EQ(5, exitCode_);
    EXPECT_EQ(FW_WAIT_OBJECT_0, Run("/bin/sh -c \"kill -TERM $$\""));
    EXPECT_EQ(128 + SIGTERM, exitCode_);
}

TEST_F(ProcessTest, ProgramLookupAndCreationFailures) {
    // A bare name: first the directory the child starts in, then PATH.
    std::string local = dir_.File("local-tool");
    fw::test::WriteFile(local, "#!/bin/sh\nexit 7\n");
    chmod(local.c_str(), 0755);
    EXPECT_EQ(FW_WAIT_OBJECT_0, Run("local-tool", 10000, dir_.path().c_str()));
    EXPECT_EQ(7, exitCode_);
    EXPECT_EQ(FW_WAIT_OBJECT_0, Run("sh -c \"exit 3\""));
    EXPECT_EQ(3, exitCode_);

    fw::test::WriteFile(dir_.File("not-executable"), "#!/bin/sh\n");
    fw::test::WriteFile(dir_.File("not-a-program"), "just text");
    chmod(dir_.File("not-a-program").c_str(), 0755);
    struct Case {
        std::string line;
        const char *directory;
        int code;
    };
    const Case cases[] = {
        {"no-such-program-anywhere /quiet", nullptr, 2},
        {dir_.File("absent/tool"), nullptr, 2},
        {dir_.File("not-executable"), nullptr, 5},
        {dir_.File("not-a-program"), nullptr, 193},
        {dir_.path(), nullptr, 2},
        {"", nullptr, 2},
        {kProbe + " exit 0", "/no/such/directory", 267},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        PlatformProcess *process = nullptr;
        EXPECT_EQ(c.code, PlatformCreateProcess(c.line.c_str(), c.directory, &process, nullptr));
        EXPECT_EQ(nullptr, process);
    }
}

TEST_F(ProcessTest, WorkingDirectory) {
    ASSERT_EQ(FW_WAIT_OBJECT_0, Run(kProbe + " report r", 10000, dir_.path().c_str()));
    EXPECT_EQ(dir_.path(), ReadKeyValues(dir_.File("r"))["cwd"]);
}

TEST_F(ProcessTest, TerminationEndsTheWholeGroupAndReapsTheChild) {
    std::string pids = dir_.File("pids");
    ASSERT_EQ(FW_WAIT_TIMEOUT_RESULT, Run(kProbe + " family " + pids, 300));
    auto family = ReadKeyValues(pids);
    ASSERT_EQ(2u, family.size());
    int child = std::stoi(family["child"]);
    int grandchild = std::stoi(family["grandchild"]);
    EXPECT_TRUE(WaitUntil([&] { return ProcessIsGone(child); })) << "child not reaped";
    EXPECT_TRUE(WaitUntil([&] { return !ProcessIsAlive(grandchild); })) << "grandchild survived";
}

TEST_F(ProcessTest, AChildNotWaitedForIsReapedWhenItEnds) {
    std::string file = dir_.File("later");
    PlatformProcess *process = nullptr;
    int pid = 0;
    ASSERT_EQ(0, PlatformCreateProcess((kProbe + " later " + file + " 200").c_str(), nullptr,
                                       &process, &pid));
    PlatformCloseProcess(process);
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(file).find("done") != std::string::npos; }));
    EXPECT_TRUE(WaitUntil([&] { return ProcessIsGone(pid); })) << "left as a zombie";
}

TEST(CurrentDirectory, GetSetAndTooSmallBuffers) {
    TempDir dir;
    char saved[4096];
    uint32_t length = 0;
    ASSERT_EQ(0, PlatformGetCurrentDirectory(saved, sizeof saved, &length));
    EXPECT_EQ(strlen(saved), length);
    ASSERT_EQ(0, PlatformSetCurrentDirectory(dir.path().c_str()));
    char small[4];
    ASSERT_EQ(0, PlatformGetCurrentDirectory(small, sizeof small, &length));
    EXPECT_EQ(dir.path().size() + 1, length) << "the size needed, terminator included";
    EXPECT_EQ(2, PlatformSetCurrentDirectory("/no/such/directory"));
    ASSERT_EQ(0, PlatformSetCurrentDirectory(saved));
}

}  // namespace
