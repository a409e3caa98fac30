#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/test_support.hpp"

namespace {

using fw::test::TempDir;
using fw::test::WriteFile;

const char *kAgentKey = "Software\\Northvale\\Fleetwarden\\FWAgent";

class RegistryTest : public ::testing::Test {
  protected:
    void UseFile(const std::string &content) {
        WriteFile(dir_.File("r.reg"), content);
        setenv(FW_REGISTRY_FILE_VARIABLE, dir_.File("r.reg").c_str(), 1);
    }

    // Opens the agent key and reads one value; returns the open or query code.
    int Read(const char *name, uint32_t *type, std::string *data) {
        PlatformHKey key = nullptr;
        int code = PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, kAgentKey, &key);
        if (code != 0) {
            return code;
        }
        uint32_t size = 0;
        code = PlatformRegQueryValue(key, name, type, nullptr, &size);
        if (code == 0) {
            std::string buffer(size, '\0');
            code = PlatformRegQueryValue(key, name, type, buffer.data(), &size);
            *data = buffer;
        }
        PlatformRegCloseKey(key);
        return code;
    }

    TempDir dir_;
};

const char *kHeader =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Northvale\\Fleetwarden\\FWAgent]\r\n";

TEST_F(RegistryTest, ReadsEveryValueKind) {
    struct Case {
        const char *line;
        const char *name;
        uint32_t type;
        std::string data;
    };
    const Case cases[] = {
        {"\"Dir\"=\"/opt/fwagent/\"", "Dir", FW_REG_SZ, std::string("/opt/fwagent/\0", 14)},
        {"\"Esc\"=\"C:\\\\Agent\\\\ \\\"q\\\"\"", "Esc", FW_REG_SZ,
         std::string("C:\\Agent\\ \"q\"\0", 14)},
        {"\"Empty\"=\"\"", "Empty", FW_REG_SZ, std::string("\0", 1)},
        {"\"Level\"=dword:0000000a", "Level", FW_REG_DWORD, std::string("\x0a\0\0\0", 4)},
        {"\"Big\"=dword:FFFFFFFF", "big", FW_REG_DWORD, std::string("\xff\xff\xff\xff", 4)},
        {"\"Bin\"=hex:01,02,ff", "Bin", FW_REG_BINARY, std::string("\x01\x02\xff", 3)},
        {"\"Q\"=hex(b):01,00,00,00,00,00,00,00", "Q", FW_REG_QWORD,
         std::string("\x01\0\0\0\0\0\0\0", 8)},
        {"\"Cont\"=hex:01,02,\\\r\n  03,04", "Cont", FW_REG_BINARY,
         std::string("\x01\x02\x03\x04", 4)},
        {"@=\"default\"", "", FW_REG_SZ, std::string("default\0", 8)},
        {"\"Spaced\" = \"x\"  ", "SPACED", FW_REG_SZ, std::string("x\0", 2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        UseFile(std::string(kHeader) + c.line + "\r\n");
        uint32_t type = 0;
        std::string data;
        ASSERT_EQ(0, Read(c.name, &type, &data));
        EXPECT_EQ(c.type, type);
        EXPECT_EQ(c.data, data);
    }
}

TEST_F(RegistryTest, KeysAndNamesIgnoreCaseAndLaterLinesWin) {
    UseFile(
        "; a comment\n"
        "[HKLM\\SOFTWARE\\northvale\\FLEETWARDEN\\fwagent\\]\n"
        "\"A\"=\"first\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
        "\"A\"=\"other\"\n"
        "[hkey_local_machine\\software\\northvale\\fleetwarden\\fwagent]\n"
        "\"a\"=\"second\"\n"
        "\"Gone\"=\"x\"\n"
        "\"Gone\"=-\n");
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(0, Read("A", &type, &data));
    EXPECT_STREQ("second", data.c_str());
    EXPECT_EQ(2, Read("Gone", &type, &data));
}

TEST_F(RegistryTest, ReadsUtf16FilesAsTheEditorExportsThem) {
    std::string utf8 = std::string(kHeader) + "\"Name\"=\"caf\xc3\xa9\"\r\n";
    std::string utf16 = "\xff\xfe";
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == 0xc3) {  // the one two-byte sequence above: U+00E9
            utf16 += '\xe9';
            ++i;
        } else {
            utf16 += static_cast<char>(c);
        }
        utf16 += '\0';
    }
    UseFile(utf16);
    uint32_t type = 0;
    std::string data;
    ASSERT_EQ(0, Read("Name", &type, &data));
    EXPECT_STREQ("caf\xc3\xa9", data.c_str());
}

TEST_F(RegistryTest, MissingFileKeyOrValueGive2) {
    setenv(FW_REGISTRY_FILE_VARIABLE, dir_.File("absent.reg").c_str(), 1);
    PlatformHKey key = nullptr;
    EXPECT_EQ(2, PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, kAgentKey, &key));
    EXPECT_EQ(nullptr, key);

    UseFile(std::string(kHeader) + "\"A\"=\"x\"\n");
    EXPECT_EQ(2, PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, "Software\\Missing", &key));
    EXPECT_EQ(2, PlatformRegOpenKey(FW_HKEY_CURRENT_USER, kAgentKey, &key));
    uint32_t type = 0;
    std::string data;
    EXPECT_EQ(2, Read("B", &type, &data));
    // Parents of a key exist as keys of their own.
    ASSERT_EQ(0, PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, "Software\\Northvale", &key));
    PlatformRegCloseKey(key);
}

TEST_F(RegistryTest, ShortBufferGives234AndTheSizeNeeded) {
    UseFile(std::string(kHeader) + "\"Long\"=\"12345678\"\n");
    PlatformHKey key = nullptr;
    ASSERT_EQ(0, PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, kAgentKey, &key));
    uint32_t value = 0xdeadbeef;
    uint32_t size = sizeof value;
    EXPECT_EQ(234, PlatformRegQueryValue(key, "Long", nullptr, &value, &size));
    EXPECT_EQ(9u, size);
    EXPECT_EQ(0xdeadbeefu, value) << "nothing is copied when the data do not fit";
    PlatformRegCloseKey(key);
}

TEST_F(RegistryTest, MalformedFilesGive1009WithTheLineNamed) {
    using namespace std::string_literals;
    struct Case {
        std::string content;
        const char *lineMark;
    };
    const Case cases[] = {
        {"\"A\"=\"value before any section\"\n", ":1:"},
        {"[HKEY_LOCAL_MACHINE\\Software\n", ":1:"},
        {"[Software\\NoRoot]\n", ":1:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\"=\"unterminated\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\"=dword:123456789\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\"=dword:xyz\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\"=hex:1,2,zz\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\"=hex:01,\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\"=qword:1\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\"A\" \"x\"\n", ":2:"},
        {"[HKEY_LOCAL_MACHINE\\S]\n\n\njust some words\n", ":4:"},
        {"\x7f"
         "ELF\x02\x01\x01\0\0\0binary"s,
         "not a text file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.content);
        UseFile(c.content);
        PlatformHKey key = nullptr;
        EXPECT_EQ(1009, PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, "S", &key));
        EXPECT_EQ(nullptr, key);
        std::string problem = PlatformRegLastProblem();
        EXPECT_NE(std::string::npos, problem.find(dir_.File("r.reg"))) << problem;
        EXPECT_NE(std::string::npos, problem.find(c.lineMark)) << problem;
    }
}

TEST_F(RegistryTest, UnreadableFileGivesItsCodeAndAProblemText) {
    // A directory cannot be read as a file.
    setenv(FW_REGISTRY_FILE_VARIABLE, dir_.path().c_str(), 1);
    PlatformHKey key = nullptr;
    int code = PlatformRegOpenKey(FW_HKEY_LOCAL_MACHINE, kAgentKey, &key);
    EXPECT_NE(0, code);
    EXPECT_NE(2, code);
    EXPECT_STRNE("", PlatformRegLastProblem());
}

TEST_F(RegistryTest, BadHandlesAreRefused) {
    PlatformHKey key = nullptr;
    EXPECT_EQ(6, PlatformRegOpenKey(reinterpret_cast<PlatformHKey>(0x1234), "S", &key));
    uint32_t size = 0;
    EXPECT_EQ(6, PlatformRegQueryValue(nullptr, "A", nullptr, nullptr, &size));
    EXPECT_EQ(6, PlatformRegQueryValue(FW_HKEY_LOCAL_MACHINE, "A", nullptr, nullptr, &size));
    EXPECT_EQ(0, PlatformRegCloseKey(FW_HKEY_LOCAL_MACHINE));
    EXPECT_EQ(0, PlatformRegCloseKey(nullptr));
}

}  // namespace
