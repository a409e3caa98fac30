#include "datalayer/db/config_file.hpp"

#include <cstdlib>

#include "agent/log.h"
#include "platform/paths.h"

namespace fw::db {

ConfigFile::~ConfigFile() {
    if (stream_ != nullptr) {
        fclose(stream_);
    }
}

bool ConfigFile::ReadLine(std::string &line) {
    line.clear();
    if (stream_ == nullptr) {
        return false;
    }
    char chunk[512];
    bool any = false;
    while (fgets(chunk, sizeof chunk, stream_) != nullptr) {
        any = true;
        line += chunk;
        if (!line.empty() && line.back() == '\n') {
            break;
        }
    }
    if (!any) {
        return false;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return true;
}

namespace {

FILE *OpenNative(const char *path) {
    char *native = PlatformNativePath(path);
    if (native == nullptr) {
        return nullptr;
    }
    FILE *stream = fopen(native, "r");
    free(native);
    return stream;
}

}  // namespace

ConfigFile OpenConfigFile(const char *path) {
    return ConfigFile(path != nullptr ? OpenNative(path) : nullptr);
}

ConfigFile OpenDataFile(const char *path, const char *fileName) {
    if (path != nullptr) {
        if (FILE *stream = OpenNative(path)) {
            return ConfigFile(stream);
        }
    }
    // Without a root there is no second place to look.
    const char *root = GetQuillonRoot();
    if (root == nullptr) {
        return ConfigFile();
    }
    std::string fallback = std::string(root) + "/data/" + fileName;
    LogDebug("Opening %s\n", fallback.c_str());
    return ConfigFile(OpenNative(fallback.c_str()));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> SplitWords(std::string_view line, size_t maxWords,
                                         std::string_view *rest) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (words.size() < maxWords) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) {
            ++i;
        }
        words.push_back(line.substr(start, i - start));
    }
    if (rest != nullptr) {
        *rest = line.substr(i);
    }
    return words;
}

bool WordReader::Next(std::string &word) {
    word.clear();
    int c;
    while ((c = fgetc(stream_)) != EOF && IsBlank(static_cast<char>(c))) {
    }
    while (c != EOF && !IsBlank(static_cast<char>(c))) {
        word += static_cast<char>(c);
        c = fgetc(stream_);
    }
    return !word.empty();
}

}  // namespace fw::db
