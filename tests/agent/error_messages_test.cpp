#include "agent/error_messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "agent/log.h"
#include "tests/support/test_support.hpp"

namespace {

using fw::test::OpenTestLog;
using fw::test::ReadFile;
using fw::test::ResetLog;
using fw::test::TempDir;

class ErrorMessagesTest : public ::testing::Test {
  protected:
    void SetUp() override { path_ = OpenTestLog(dir_, 2); }
    void TearDown() override { ResetLog(); }
    std::string Log() { return ReadFile(path_); }

    TempDir dir_;
    std::string path_;
};

TEST_F(ErrorMessagesTest, TextsComeFromTheSystemThenTheAgentThenTheGenericText) {
    struct Case {
        int code;
        const char *text;
    };
    const Case cases[] = {
        {0, "The operation completed successfully."},
        {2, "The system cannot find the file specified."},
        {5, "Access is denied."},
        {258, "The wait operation timed out."},
        {1641,
         "The requested operation completed successfully. The system will be restarted so the "
         "changes can take effect."},
        {3010,
         "The requested operation is successful. Changes will not be effective until the system "
         "is rebooted."},
        {1508,
         "The requested operation is successful. Changes will not be effective until the browser "
         "is rebooted."},
        {17022, "Unknown Error. Code : 17022"},
        {17023, "OfficeUpdateError: User cancelled installation."},
        {17048, "OfficeUpdateError : This installation requires Windows Installer 3.1 or greater."},
        {2359303,
         "Patch already Uninstalled and the changes will not be effective until the system is "
         "rebooted."},
        {-5, "Unknown Error. Code : -5"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        char *text = GetErrorMessage(c.code);
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ(c.text, text);
        free(text);
        std::string record = c.code == 0 ? std::string("[INFO] Message : ") + c.text + " \n"
                                         : "[ERROR] Error Code : " + std::to_string(c.code) +
                                               " , Error Message : " + c.text + " \n";
        EXPECT_NE(std::string::npos, Log().find(record)) << Log();
    }
}

TEST_F(ErrorMessagesTest, AgentTableAloneAndTheLoggingForms) {
    char *text = GetAgentErrorMessage(2);
    EXPECT_STREQ("Unknown Error. Code : 2", text) << "the agent's table knows no system codes";
    free(text);
    text = GetAgentErrorMessage(10002);
    EXPECT_STREQ("fw.db.agent.config.run_as_admin.credentials_not_available", text);
    free(text);
    EXPECT_EQ(std::string::npos, Log().find("Unknown Error. Code : 2")) << "no record written";

    EXPECT_EQ(0, LogErrorMessage(87));
    LogErrorCode(17301);
    std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("[ERROR] Error Code : 87 , Error Message : The parameter is incorrect. \n"));
    EXPECT_NE(std::string::npos, log.find("[ERROR] Error Code : 17301 , Error Message : "
                                          "OfficeUpdateError: General Detection error \n"));
}

TEST_F(ErrorMessagesTest, CodeZeroIsInfoAndIsSilentAtLevel1ForErrors) {
    SetLogLevel(1);
    LogErrorCode(0);
    LogErrorCode(2);
    std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("[INFO] Message : The operation completed successfully."));
    EXPECT_EQ(std::string::npos, log.find("[ERROR]"));
}

TEST(WideToUtf8, ConvertsUtf16) {
    struct Case {
        std::u16string wide;
        const char *utf8;
    };
    const Case cases[] = {
        {u"", ""},
        {u"plain ascii", "plain ascii"},
        {u"caf\u00e9 \u20ac", "caf\xc3\xa9 \xe2\x82\xac"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},
        {std::u16string(1, u'\xd800') + u"x", "\xef\xbf\xbdx"},  // unpaired surrogate
    };
    for (const Case &c : cases) {
        char *out = nullptr;
        ASSERT_EQ(1, WideToUtf8(reinterpret_cast<const uint16_t *>(c.wide.c_str()), &out));
        EXPECT_STREQ(c.utf8, out);
        free(out);
    }
    char *out = reinterpret_cast<char *>(1);
    EXPECT_EQ(0, WideToUtf8(nullptr, &out));
    EXPECT_EQ(nullptr, out);
}

}  // namespace
