#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::PathExists;
using fw::test::ReadFile;
using fw::test::TempDir;
using fw::test::WriteFile;

std::vector<std::string> FindAll(const std::string &pattern, int *firstCode = nullptr) {
    std::vector<std::string> names;
    PlatformFind *search = nullptr;
    PlatformFindEntry entry;
    int code = PlatformFindFirst(pattern.c_str(), &search, &entry);
    if (firstCode != nullptr) {
        *firstCode = code;
    }
    if (code != 0) {
        return names;
    }
    do {
        names.push_back(entry.name);
    } while ((code = PlatformFindNext(search, &entry)) == 0);
    EXPECT_EQ(18, code) << "a search ends with no-more-files";
    PlatformFindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PlatformFind, MatchesWildcardsAsFindFirstFileDoes) {
    TempDir dir;
    for (const char *name : {"app.log", "app1.log", "app2.log", "app", "apple.txt", "x.log"}) {
        WriteFile(dir.File(name), "");
    }
    mkdir(dir.File("appdir").c_str(), 0755);
    using Names = std::vector<std::string>;
    struct Case {
        const char *pattern;
        Names expected;
    };
    const Case cases[] = {
        {"app*.*", {"app", "app.log", "app1.log", "app2.log", "appdir", "apple.txt"}},
        {"app?.log", {"app1.log", "app2.log"}},
        {"*.log", {"app.log", "app1.log", "app2.log", "x.log"}},
        {"app.log", {"app.log"}},
        {"appdir", {"appdir"}},
        {"a*e*", {"apple.txt"}},
        {"*.*",
         {".", "..", "app", "app.log", "app1.log", "app2.log", "appdir", "apple.txt", "x.log"}},
        {"nothing*", {}},
        {"missing.log", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(c.expected, FindAll(dir.File(c.pattern)));
        // Backslash separators name the same entries.
        std::string windows = dir.path() + "\\" + c.pattern;
        EXPECT_EQ(c.expected, FindAll(windows));
    }
}

TEST(PlatformFind, FailuresGiveWin32Codes) {
    TempDir dir;
    int code = 0;
    FindAll(dir.File("none*"), &code);
    EXPECT_EQ(2, code);
    FindAll(dir.File("absent/none*"), &code);
    EXPECT_EQ(3, code);
    FindAll(dir.File("absent/file"), &code);
    EXPECT_EQ(3, code);
    FindAll("", &code);
    EXPECT_EQ(2, code);
    FindAll(dir.path() + "/", &code);
    EXPECT_EQ(2, code) << "a trailing separator names no entry";
}

TEST(PlatformFiles, SizeCopyDeleteAndTruncate) {
    TempDir dir;
    std::string a = dir.File("a.log");
    std::string b = dir.File("b.log");
    WriteFile(a, "hello world");
    uint64_t size = 99;
    EXPECT_EQ(0, PlatformFileSize(a.c_str(), 0, &size));
    EXPECT_EQ(11u, size);
    EXPECT_EQ(5, PlatformFileSize(dir.path().c_str(), 0, &size));
    EXPECT_EQ(0, PlatformFileSize(dir.path().c_str(), 1, &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(2, PlatformFileSize(dir.File("none").c_str(), 1, &size));

    WriteFile(b, "an older and longer backup");
    EXPECT_EQ(0, PlatformCopyFile(a.c_str(), b.c_str()));
    EXPECT_EQ("hello world", ReadFile(b)) << "the copy replaces the destination";
    EXPECT_EQ(2, PlatformCopyFile(dir.File("none").c_str(), b.c_str()));

    EXPECT_EQ(0, PlatformDeleteFile(b.c_str()));
    EXPECT_FALSE(PathExists(b));
    EXPECT_EQ(2, PlatformDeleteFile(b.c_str()));
    EXPECT_EQ(5, PlatformDeleteFile(dir.path().c_str()));

    EXPECT_EQ(2, PlatformTruncateFile(b.c_str()));
    EXPECT_FALSE(PathExists(b)) << "truncation never creates a file";
    EXPECT_EQ(0, PlatformProbeFile(a.c_str()));
    EXPECT_EQ(2, PlatformProbeFile(b.c_str()));
}

TEST(PlatformFiles, AFailedCopyLeavesNoPartialDestination) {
    TempDir dir;
    std::string a = dir.File("a.log");
    WriteFile(a, std::string(100000, 'x'));
    // /dev/full accepts the open and fails every write with a full disk; the
    // device itself must survive the clean-up.
    EXPECT_EQ(112, PlatformCopyFile(a.c_str(), "/dev/full"));
    EXPECT_TRUE(PathExists("/dev/full"));
    // A directory as destination cannot be opened: nothing is removed either.
    mkdir(dir.File("d").c_str(), 0755);
    EXPECT_NE(0, PlatformCopyFile(a.c_str(), dir.File("d").c_str()));
    EXPECT_TRUE(PathExists(dir.File("d")));
}

TEST(PlatformFiles, TruncationKeepsAnAppendingWriterValid) {
    TempDir dir;
    std::string path = dir.File("live.log");
    FILE *writer = fopen(path.c_str(), "a+");
    ASSERT_NE(nullptr, writer);
    fputs("first record\n", writer);
    fflush(writer);
    ASSERT_EQ(0, PlatformTruncateFile(path.c_str()));
    fputs("second\n", writer);
    fflush(writer);
    fclose(writer);
    EXPECT_EQ("second\n", ReadFile(path)) << "the next write lands at the start";
}

TEST(PlatformPaths, BackslashesBecomeSlashes) {
    char *native = PlatformNativePath("C:\\agent\\logs\\\\x.log");
    EXPECT_STREQ("C:/agent/logs//x.log", native);
    free(native);
    EXPECT_EQ(nullptr, PlatformNativePath(nullptr));
}

}  // namespace
