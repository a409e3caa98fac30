// Black-box runs of the built fwuninstall program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.hpp"

extern char **environ;

namespace {

using fw::test::PathExists;
using fw::test::ReadFile;
using fw::test::TempDir;
using fw::test::UseAgentRegistry;
using fw::test::WriteFile;

const std::string kProgram = FW_UNINSTALL_BINARY;
const std::string kProbe = FW_CHILD_PROBE;

struct Outcome {
    int exitCode = -1;  // -1: ended by a signal
    std::string output;
};

class FwUninstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseAgentRegistry(agent_, {"\"FWAgentInstallDir\"=\"" + agent_.path() + "/\""});
    }

    Outcome Run(const std::vector<std::string> &arguments, const std::string &argv0 = kProgram) {
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(argv0.c_str()));
        for (const std::string &a : arguments) {
            argv.push_back(const_cast<char *>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::string out = work_.File("stdout");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        Outcome outcome;
        EXPECT_EQ(0, posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argv.data(), environ));
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFEXITED(status)) {
            outcome.exitCode = WEXITSTATUS(status);
        }
        outcome.output = ReadFile(out);
        return outcome;
    }

    // Writes a manifest and runs the program on it.
    Outcome RunManifest(const std::string &json) {
        std::string path = work_.File("uninstall.json");
        WriteFile(path, json);
        return Run({path});
    }

    std::string Log() { return ReadFile(agent_.File("logs/zpaApplicationsUninstall.log")); }
    bool Logged(const std::string &text) { return Log().find(text) != std::string::npos; }

    // A command that appends its words to the marker file.
    std::string Append(const std::string &words) {
        return kProbe + " append " + work_.File("marker") + " " + words;
    }
    std::string Marker() { return ReadFile(work_.File("marker")); }

    TempDir agent_;
    TempDir work_;
};

TEST_F(FwUninstallTest, WithoutArgumentPrintsUsageAndExits87) {
    Outcome outcome = Run({}, "fwuninstall-as-invoked");
    EXPECT_EQ(87, outcome.exitCode);
    EXPECT_EQ("Format: fwuninstall-as-invoked <uninstall.json>\n", outcome.output);
}

TEST_F(FwUninstallTest, MissingManifestExits2) {
    std::string missing = work_.File("absent.json");
    Outcome outcome = Run({missing});
    EXPECT_EQ(2, outcome.exitCode);
    EXPECT_EQ("", outcome.output);
    EXPECT_TRUE(Logged("[ERROR] CheckFileExists -> Invalid File Handle. 2 \n"));
    EXPECT_TRUE(Logged("[ERROR] " + missing + " file not found\n"));
    EXPECT_FALSE(Logged("Log close time"));
}

TEST_F(FwUninstallTest, DirectoryOrWildcardPathRunsNothing) {
    WriteFile(work_.File("real.json"),
              "{\"Uninstall\":[{\"Uninstall Key\":[\"" + Append("x") + "\"]}]}");
    for (const std::string &path : {work_.path(), work_.File("re*.json")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(0, Run({path}).exitCode);
    }
    EXPECT_FALSE(PathExists(work_.File("marker")));
    EXPECT_FALSE(Logged("##########"));
}

TEST_F(FwUninstallTest, CommandsRunInDocumentOrder) {
    Outcome outcome = RunManifest(R"({
        // two entries, two commands each
        "Other": "ignored",
        "Uninstall": [
          { "ProductName": "First", "Uninstall Key": [")" +
                                  Append("a1") + R"(", ")" + Append("a2") + R"("] },
          { "ProductName": "Second", "Uninstall Key": [")" +
                                  Append("b1") + R"(", ")" + Append("b2") + R"("] }
        ]})");
    EXPECT_EQ(0, outcome.exitCode);
    EXPECT_EQ("a1\na2\nb1\nb2\n", Marker());
    EXPECT_TRUE(Logged("[INFO] ########## Executing application: First ##########\n"));
    EXPECT_TRUE(Logged("[INFO] ########## Executing application: Second ##########\n"));
    EXPECT_TRUE(Logged("Log close time: "));
}

TEST_F(FwUninstallTest, EntriesWithoutCommandsOrNames) {
    RunManifest(R"({"Uninstall": [
        { "ProductName": "Nothing To Run" },
        { "Uninstall Key": [")" +
                Append("unnamed") + R"("] },
        { "ProductName": 42, "Uninstall Key": null },
        { "ProductName": true }
      ]})");
    EXPECT_TRUE(Logged("[INFO] ########## Executing application: Nothing To Run ##########\n"));
    EXPECT_TRUE(Logged("[INFO] ########## Executing application:  ##########\n"));
    EXPECT_TRUE(Logged("[INFO] ########## Executing application: 42 ##########\n"));
    EXPECT_TRUE(Logged("[INFO] ########## Executing application: true ##########\n"));
    EXPECT_EQ("unnamed\n", Marker());
}

TEST_F(FwUninstallTest, MalformedManifestsEndInOrder) {
    struct Case {
        const char *name;
        std::string json;
        const char *error;  // the ERROR record expected, or "" for none
        const char *ran;    // what the marker file must hold afterwards
    };
    const Case cases[] = {
        {"empty", "", "", ""},
        {"whitespace", " \n\t ", "", ""},
        {"comment only", "// nothing here\n/* at all */", "", ""},
        {"truncated",
         R"({"Uninstall": [ {"Uninstall Key": [")" + Append("kept") +
             R"("]}, {"ProductName": "Cut sh)",
         "", "kept\n"},
        {"top level array", R"([{"Uninstall": []}])", "The manifest is an array, not an object",
         ""},
        {"top level string", R"("text")", "The manifest is a string, not an object", ""},
        {"Uninstall object", R"({"Uninstall": {"a": 1}})",
         "\"Uninstall\" is an object, not an array", ""},
        {"Uninstall number", R"({"Uninstall": 3})", "\"Uninstall\" is an integer, not an array",
         ""},
        {"entry not object",
         R"({"Uninstall": ["text", {"Uninstall Key": [")" + Append("after") + R"("]}]})",
         "Entry 0 of \"Uninstall\" is a string, not an object; it is skipped", "after\n"},
        {"name an array",
         R"({"Uninstall": [{"ProductName": ["x"], "Uninstall Key": [")" + Append("named") +
             R"("]}]})",
         "The ProductName of entry 0 is an array, not a text", "named\n"},
        {"key an object", R"({"Uninstall": [{"Uninstall Key": {"a": "b"}}]})",
         "The \"Uninstall Key\" of entry 0 is an object, not an array of commands", ""},
        {"key a string", R"({"Uninstall": [{"Uninstall Key": "one command"}]})",
         "The \"Uninstall Key\" of entry 0 is a string, not an array of commands", ""},
        {"command an object",
         R"({"Uninstall": [{"Uninstall Key": [{"x": 1}, ")" + Append("next") + R"("]}]})",
         "Command 0 of entry 0 is an object, not a text; it is skipped", "next\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        unlink(agent_.File("logs/zpaApplicationsUninstall.log").c_str());
        unlink(work_.File("marker").c_str());
        Outcome outcome = RunManifest(c.json);
        EXPECT_EQ(0, outcome.exitCode) << "a crash or an abnormal end";
        EXPECT_EQ(c.ran, Marker());
        if (*c.error != '\0') {
            EXPECT_TRUE(Logged(std::string("[ERROR] main : ") + c.error)) << Log();
        } else {
            EXPECT_FALSE(Logged("[ERROR]")) << Log();
        }
    }
}

TEST_F(FwUninstallTest, EnvironmentReferencesAreExpandedWhenDefined) {
    setenv("FW_UNINSTALL_TEST_VALUE", "expanded-value", 1);
    unsetenv("FW_UNINSTALL_TEST_UNDEFINED");
    RunManifest(R"({"Uninstall": [{"Uninstall Key": [")" +
                Append("%FW_UNINSTALL_TEST_VALUE% %FW_UNINSTALL_TEST_UNDEFINED%") + R"("]}]})");
    EXPECT_EQ("expanded-value %FW_UNINSTALL_TEST_UNDEFINED%\n", Marker());
}

TEST_F(FwUninstallTest, LongCommandsRunWholeAndOverlongOnesAreRefused) {
    std::string long300(300, 'L');
    std::string tooLong(40000, 'T');
    RunManifest(R"({"Uninstall": [{"Uninstall Key": [")" + Append(long300) + R"(", ")" +
                Append(tooLong) + R"(", ")" + Append("after") + R"("]}]})");
    EXPECT_EQ(long300 + "\nafter\n", Marker());
    EXPECT_TRUE(Logged("[ERROR] main : Command 1 of entry 0 expands to"));
}

TEST_F(FwUninstallTest, OutcomesOfEachCommandAreLogged) {
    RunManifest(R"({"Uninstall": [{"ProductName": "P", "Uninstall Key": [
        ")" + kProbe +
                R"( exit 5", "missing-uninstaller /S", ")" + kProbe + R"( exit 0"]}]})");
    EXPECT_TRUE(Logged("[ERROR] Error Code : 5 , Error Message : Access is denied. \n"));
    EXPECT_TRUE(Logged("[INFO] execute : Failed to Create the Process for the application \n"));
    EXPECT_TRUE(
        Logged("[ERROR] Error Code : 2 , Error Message : The system cannot find the file "
               "specified. \n"));
    EXPECT_TRUE(Logged("[INFO] Message : The operation completed successfully. \n"));
}

TEST_F(FwUninstallTest, RunsWithoutALogWhenTheRegistryHasNoInstallDirectory) {
    UseAgentRegistry(agent_, {});
    Outcome outcome =
        RunManifest(R"({"Uninstall": [{"Uninstall Key": [")" + Append("ran") + R"("]}]})");
    EXPECT_EQ(0, outcome.exitCode);
    EXPECT_EQ("ran\n", Marker());
    EXPECT_FALSE(PathExists(agent_.File("logs")));
}

}  // namespace
