// Splitting a Windows command line into arguments.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/process.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The program name: up to the closing quote when it starts with one (no
// escapes there), else up to the first blank.
size_t ReadProgram(const char *text, std::string &out) {
    size_t i = 0;
    if (text[0] == '"') {
        for (i = 1; text[i] != '\0' && text[i] != '"'; ++i) {
            out += text[i];
        }
        return text[i] == '"' ? i + 1 : i;
    }
    for (; text[i] != '\0' && !IsBlank(text[i]); ++i) {
        out += text[i];
    }
    return i;
}

// One argument after the program; returns the index after it.
size_t ReadArgument(const char *text, size_t i, std::string &out) {
    bool quoted = false;
    while (text[i] != '\0' && (quoted || !IsBlank(text[i]))) {
        if (text[i] == '\\') {
            size_t run = 0;
            while (text[i] == '\\') {
                ++run;
                ++i;
            }
            if (text[i] == '"') {
                out.append(run / 2, '\\');
                if (run % 2 == 1) {
                    out += '"';
                    ++i;
                }
            } else {
                out.append(run, '\\');
            }
            continue;
        }
        if (text[i] == '"') {
            if (quoted && text[i + 1] == '"') {
                out += '"';  // "" inside quotes is one literal quote
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        out += text[i++];
    }
    return i;
}

std::vector<std::string> Split(const char *text) {
    std::vector<std::string> arguments;
    size_t i = 0;
    while (IsBlank(text[i])) {
        ++i;
    }
    if (text[i] == '\0') {
        return arguments;
    }
    std::string program;
    i += ReadProgram(text + i, program);
    arguments.push_back(program);
    for (;;) {
        while (IsBlank(text[i])) {
            ++i;
        }
        if (text[i] == '\0') {
            return arguments;
        }
        std::string argument;
        i = ReadArgument(text, i, argument);
        arguments.push_back(argument);
    }
}

}  // namespace

char **PlatformSplitCommandLine(const char *commandLine, int *count) {
    if (count != nullptr) {
        *count = 0;
    }
    if (commandLine == nullptr) {
        return nullptr;
    }
    try {
        std::vector<std::string> parts = Split(commandLine);
        auto **arguments = static_cast<char **>(calloc(parts.size() + 1, sizeof(char *)));
        if (arguments == nullptr) {
            return nullptr;
        }
        for (size_t i = 0; i < parts.size(); ++i) {
            arguments[i] = strdup(parts[i].c_str());
            if (arguments[i] == nullptr) {
                PlatformFreeArguments(arguments);
                return nullptr;
            }
        }
        if (count != nullptr) {
            *count = static_cast<int>(parts.size());
        }
        return arguments;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void PlatformFreeArguments(char **arguments) {
    if (arguments == nullptr) {
        return;
    }
    for (char **p = arguments; *p != nullptr; ++p) {
        free(*p);
    }
    free(arguments);
}
