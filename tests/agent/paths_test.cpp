#include "agent/paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::PathExists;
using fw::test::TempDir;

TEST(Paths, GetParentPath) {
    const std::pair<const char *, const char *> cases[] = {
        {"/a/b/c", "/a/b"}, {"/a/b/c/", "/a/b"}, {"/a/b//", "/a"}, {"a/b", "a"},
        {"/a", ""},         {"a", ""},           {"", ""},         {"a\\b", ""},
    };
    for (const auto &[path, parent] : cases) {
        SCOPED_TRACE(path);
        char *result = GetParentPath(path);
        EXPECT_STREQ(parent, result);
        free(result);
    }
}

TEST(Paths, TrimTrailingSlashes) {
    const char *plain = "/a/b";
    EXPECT_EQ(plain, TrimTrailingSlashes(plain)) << "the same text when nothing is trimmed";
    char *trimmed = TrimTrailingSlashes("/a/b///");
    EXPECT_STREQ("/a/b", trimmed);
    free(trimmed);
}

TEST(Paths, MakeDirectoryAndTree) {
    TempDir dir;
    std::string one = dir.File("one");
    EXPECT_EQ(0, MakeDirectory(one.c_str()));
    EXPECT_EQ(EEXIST, MakeDirectory(one.c_str()));
    EXPECT_EQ(ENOENT, MakeDirectory(dir.File("x/y").c_str()));

    std::string deep = dir.File("p/q/r/s");
    EXPECT_EQ(0, MakeDirectoryTree(deep.c_str()));
    EXPECT_TRUE(PathExists(deep));
    EXPECT_EQ(1, MakeDirectoryTree(deep.c_str()));

    // The agent's backslash paths act as separators on this file system.
    std::string windows = dir.path() + "\\w\\v";
    EXPECT_EQ(0, MakeDirectoryTree(windows.c_str()));
    EXPECT_TRUE(PathExists(dir.File("w/v")));

    // A file in the way is the error of the failed creation, never a loop.
    fw::test::WriteFile(dir.File("f"), "");
    EXPECT_EQ(ENOTDIR, MakeDirectoryTree(dir.File("f/g/h").c_str()));
}

}  // namespace
