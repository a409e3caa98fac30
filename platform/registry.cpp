#include "platform/registry.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "platform/internal.hpp"
#include "platform/unicode.h"
#include "platform/win32_codes.h"

namespace {

struct RegValue {
    uint32_t type = FW_REG_NONE;
    std::vector<unsigned char> data;
};

// Registry names compare ignoring ASCII case, so keys and value names are
// stored folded to lower case.
using ValueMap = std::map<std::string, RegValue>;
using KeyMap = std::map<std::string, ValueMap>;

thread_local std::string t_lastProblem;

std::string FoldCase(std::string text) {
    for (char &c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

const char *RootName(PlatformHKey root) {
    switch (reinterpret_cast<uintptr_t>(root)) {
        case 0x80000000u:
            return "hkey_classes_root";
        case 0x80000001u:
            return "hkey_current_user";
        case 0x80000002u:
            return "hkey_local_machine";
        case 0x80000003u:
            return "hkey_users";
        default:
            return nullptr;
    }
}

bool IsPredefinedRoot(PlatformHKey key) {
    return RootName(key) != nullptr;
}

// "HKLM\A\\B\" and "hklm\a\b" name the same key: fold case, drop empty parts.
std::string NormaliseKeyPath(const std::string &path) {
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            if (!out.empty()) {
                out += '\\';
            }
            out += path.substr(start, end - start);
        }
        start = end + 1;
    }
    out = FoldCase(out);
    if (out.rfind("hklm", 0) == 0 && (out.size() == 4 || out[4] == '\\')) {
        out = "hkey_local_machine" + out.substr(4);
    }
    return out;
}

// Real exports are UTF-16LE with a byte-order mark; convert those to UTF-8 so
// that one parser serves both.
bool DecodeText(const std::string &raw, std::string &text) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::vector<uint16_t> units;
        for (size_t i = 2; i + 1 < raw.size(); i += 2) {
            units.push_back(static_cast<uint16_t>(static_cast<unsigned char>(raw[i]) |
                                                  (static_cast<unsigned char>(raw[i + 1]) << 8)));
        }
        text.resize(FW_UTF8_BYTES_FOR_UTF16(units.size()));
        text.resize(PlatformUtf16ToUtf8(units.data(), units.size(), text.data()));
        return text.find('\0') == std::string::npos;
    }
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFE &&
        static_cast<unsigned char>(raw[1]) == 0xFF) {
        return false;  // big-endian UTF-16 is never written by the editor
    }
    size_t skip = raw.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    text = raw.substr(skip);
    return text.find('\0') == std::string::npos;
}

class Parser {
  public:
    Parser(const std::string &file, KeyMap &keys) : file_(file), keys_(keys) {}

    // Parses the whole text; false (with the problem recorded) at the first
    // line that is not valid, so a damaged file is never half-trusted.
    bool Parse(const std::string &text) {
        std::vector<std::string> lines = SplitLines(text);
        for (size_t i = 0; i < lines.size(); ++i) {
            lineNo_ = static_cast<int>(i) + 1;
            std::string line = Trim(lines[i]);
            // A value's hex list continues while a line ends in a backslash.
            while (!line.empty() && line.back() == '\\' && IsHexValueLine(line) &&
                   i + 1 < lines.size()) {
                line.pop_back();
                line += Trim(lines[++i]);
            }
            if (!ParseLine(line)) {
                return false;
            }
        }
        return true;
    }

  private:
    static std::vector<std::string> SplitLines(const std::string &text) {
        std::vector<std::string> lines;
        std::string current;
        for (char c : text) {
            if (c == '\n') {
                lines.push_back(current);
                current.clear();
            } else if (c != '\r') {
                current += c;
            }
        }
        lines.push_back(current);
        return lines;
    }

    static std::string Trim(const std::string &s) {
        size_t b = 0;
        size_t e = s.size();
        while (b < e && (s[b] == ' ' || s[b] == '\t')) {
            ++b;
        }
        while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) {
            --e;
        }
        return s.substr(b, e - b);
    }

    // True when the line assigns a hex: or hex(N): list, the only kind that
    // may continue on the next line.
    bool IsHexValueLine(const std::string &line) {
        size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] != '"' || !ParseQuoted(line, pos, name)) {
            return false;
        }
        std::string rest = FoldCase(Trim(line.substr(pos)));
        return rest.size() > 1 && rest[0] == '=' && Trim(rest.substr(1)).rfind("hex", 0) == 0;
    }

    bool Fail(const char *reason) {
        char buf[64];
        snprintf(buf, sizeof buf, ":%d: ", lineNo_);
        t_lastProblem = file_ + buf + reason;
        return false;
    }

    bool ParseLine(const std::string &line) {
        if (line.empty() || line[0] == ';') {
            return true;
        }
        if (!sawHeader_ && (line == "Windows Registry Editor Version 5.00" || line == "REGEDIT4")) {
            sawHeader_ = true;
            return true;
        }
        sawHeader_ = true;
        if (line[0] == '[') {
            return ParseSection(line);
        }
        if (line[0] == '"' || line[0] == '@') {
            return ParseValue(line);
        }
        return Fail("expected a [key] section, a \"name\"=value line or a ';' comment");
    }

    bool ParseSection(const std::string &line) {
        if (line.back() != ']' || line.size() < 3) {
            return Fail("a section header must end with ']'");
        }
        std::string path = line.substr(1, line.size() - 2);
        bool erase = !path.empty() && path[0] == '-';
        if (erase) {
            path.erase(0, 1);
        }
        std::string key = NormaliseKeyPath(path);
        if (key.rfind("hkey_", 0) != 0) {
            return Fail("a key path must start with a root such as HKEY_LOCAL_MACHINE");
        }
        if (erase) {
            // "[-KEY]" removes the key and everything below it.
            for (auto it = keys_.begin(); it != keys_.end();) {
                if (it->first == key || it->first.rfind(key + "\\", 0) == 0) {
                    it = keys_.erase(it);
                } else {
                    ++it;
                }
            }
            current_ = nullptr;
            return true;
        }
        // Every ancestor exists as a key too, as it does in the registry.
        for (size_t pos = key.find('\\'); pos != std::string::npos; pos = key.find('\\', pos + 1)) {
            keys_[key.substr(0, pos)];
        }
        current_ = &keys_[key];
        return true;
    }

    bool ParseQuoted(const std::string &line, size_t &pos, std::string &out) {
        // pos is at the opening quote.
        out.clear();
        for (++pos; pos < line.size(); ++pos) {
            char c = line[pos];
            if (c == '\\') {
                if (pos + 1 >= line.size()) {
                    return false;
                }
                out += line[++pos];
            } else if (c == '"') {
                ++pos;
                return true;
            } else {
                out += c;
            }
        }
        return false;
    }

    bool ParseValue(const std::string &line) {
        if (current_ == nullptr) {
            return Fail("a value line must follow a [key] section");
        }
        size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, name)) {
            return Fail("the value name has no closing quote");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
            ++pos;
        }
        if (pos >= line.size() || line[pos] != '=') {
            return Fail("expected '=' after the value name");
        }
        std::string data = Trim(line.substr(pos + 1));
        std::string folded = FoldCase(name);
        if (data == "-") {
            current_->erase(folded);
            return true;
        }
        RegValue value;
        if (!ParseData(data, value)) {
            return false;
        }
        (*current_)[folded] = std::move(value);
        return true;
    }

    bool ParseData(const std::string &data, RegValue &value) {
        if (!data.empty() && data[0] == '"') {
            size_t pos = 0;
            std::string text;
            if (!ParseQuoted(data, pos, text) || pos != data.size()) {
                return Fail("a text value must be one quoted string");
            }
            value.type = FW_REG_SZ;
            value.data.assign(text.begin(), text.end());
            value.data.push_back(0);
            return true;
        }
        std::string lower = FoldCase(data);
        if (lower.rfind("dword:", 0) == 0) {
            return ParseDword(lower.substr(6), value);
        }
        if (lower.rfind("hex", 0) == 0) {
            return ParseHex(lower.substr(3), value);
        }
        return Fail("unknown value kind (expected \"text\", dword: or hex:)");
    }

    bool ParseDword(const std::string &digits, RegValue &value) {
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdef") != std::string::npos) {
            return Fail("a dword needs 1 to 8 hexadecimal digits");
        }
        uint32_t number = static_cast<uint32_t>(strtoul(digits.c_str(), nullptr, 16));
        value.type = FW_REG_DWORD;
        for (int i = 0; i < 4; ++i) {
            value.data.push_back(static_cast<unsigned char>(number >> (8 * i)));
        }
        return true;
    }

    bool ParseHex(const std::string &rest, RegValue &value) {
        size_t pos = 0;
        value.type = FW_REG_BINARY;
        if (!rest.empty() && rest[0] == '(') {
            size_t close = rest.find(')');
            std::string digits = close == std::string::npos ? "" : rest.substr(1, close - 1);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdef") != std::string::npos) {
                return Fail("hex(N) needs a hexadecimal type number");
            }
            value.type = static_cast<uint32_t>(strtoul(digits.c_str(), nullptr, 16));
            pos = close + 1;
        }
        if (pos >= rest.size() || rest[pos] != ':') {
            return Fail("expected ':' after hex");
        }
        std::string list = rest.substr(pos + 1);
        size_t start = 0;
        while (start < list.size()) {
            size_t comma = list.find(',', start);
            std::string byte = Trim(
                list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (byte.empty() || byte.size() > 2 ||
                byte.find_first_not_of("0123456789abcdef") != std::string::npos) {
                return Fail("a hex list holds two-digit bytes separated by commas");
            }
            value.data.push_back(static_cast<unsigned char>(strtoul(byte.c_str(), nullptr, 16)));
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
            if (start == list.size()) {
                return Fail("a hex list must not end with a comma");
            }
        }
        return true;
    }

    std::string file_;
    KeyMap &keys_;
    ValueMap *current_ = nullptr;
    int lineNo_ = 0;
    bool sawHeader_ = false;
};

int ReadWholeFile(const char *path, std::string &out) {
    FILE *fp = fopen(path, "rb");
    if (fp == nullptr) {
        return PlatformErrnoToWin32(errno);
    }
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0) {
        out.append(buf, n);
    }
    int code = ferror(fp) ? PlatformErrnoToWin32(errno) : 0;
    fclose(fp);
    return code;
}

const char *RegistryFilePath() {
    const char *path = getenv(FW_REGISTRY_FILE_VARIABLE);
    return (path != nullptr && *path != '\0') ? path : FW_REGISTRY_FILE_DEFAULT;
}

int OpenKey(PlatformHKey root, const char *subKey, PlatformHKey *out) {
    t_lastProblem.clear();
    const char *rootName = RootName(root);
    if (rootName == nullptr) {
        return FW_ERROR_INVALID_HANDLE;
    }
    const char *file = RegistryFilePath();
    std::string raw;
    int code = ReadWholeFile(file, raw);
    if (code != 0) {
        t_lastProblem = std::string(file) + ": " + strerror(errno);
        return code;
    }
    std::string text;
    KeyMap keys;
    if (!DecodeText(raw, text)) {
        t_lastProblem = std::string(file) + ": not a text file in UTF-8 or UTF-16LE";
        return FW_ERROR_BADDB;
    }
    if (!Parser(file, keys).Parse(text)) {
        return FW_ERROR_BADDB;
    }
    std::string path = rootName;
    if (subKey != nullptr && *subKey != '\0') {
        path += "\\";
        path += subKey;
    }
    auto found = keys.find(NormaliseKeyPath(path));
    if (found == keys.end()) {
        return FW_ERROR_FILE_NOT_FOUND;
    }
    *out = reinterpret_cast<PlatformHKey>(new ValueMap(std::move(found->second)));
    return 0;
}

}  // namespace

int PlatformRegOpenKey(PlatformHKey root, const char *subKey, PlatformHKey *out) {
    if (out == nullptr) {
        return FW_ERROR_INVALID_PARAMETER;
    }
    *out = nullptr;
    return fw::platform::ReturnWin32([&]() -> int { return OpenKey(root, subKey, out); });
}

int PlatformRegQueryValue(PlatformHKey key, const char *name, uint32_t *type, void *data,
                          uint32_t *size) {
    if (key == nullptr || IsPredefinedRoot(key)) {
        return FW_ERROR_INVALID_HANDLE;
    }
    if (data != nullptr && size == nullptr) {
        return FW_ERROR_INVALID_PARAMETER;
    }
    return fw::platform::ReturnWin32([&]() -> int {
        const ValueMap &values = *reinterpret_cast<const ValueMap *>(key);
        auto found = values.find(FoldCase(name != nullptr ? name : ""));
        if (found == values.end()) {
            return FW_ERROR_FILE_NOT_FOUND;
        }
        const RegValue &value = found->second;
        if (type != nullptr) {
            *type = value.type;
        }
        uint32_t needed = static_cast<uint32_t>(value.data.size());
        if (data != nullptr) {
            if (*size < needed) {
                *size = needed;
                return FW_ERROR_MORE_DATA;
            }
            if (needed > 0) {
                memcpy(data, value.data.data(), needed);
            }
        }
        if (size != nullptr) {
            *size = needed;
        }
        return 0;
    });
}

int PlatformRegCloseKey(PlatformHKey key) {
    if (key != nullptr && !IsPredefinedRoot(key)) {
        delete reinterpret_cast<ValueMap *>(key);
    }
    return 0;
}

const char *PlatformRegLastProblem(void) {
    return t_lastProblem.c_str();
}
