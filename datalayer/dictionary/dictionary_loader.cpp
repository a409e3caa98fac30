// The listing "datadictionary.txt" and the walk over each XML file it names.
#include "datalayer/dictionary/dictionary_loader.h"

#include <libxml/xmlreader.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "agent/log.h"
#include "datalayer/dictionary/xml_tag_tree.h"
#include "platform/paths.h"

namespace {

// Opens a path the way the data layer writes them (with '\' separators).
FILE *OpenText(const std::string &path) {
    char *native = PlatformNativePath(path.c_str());
    if (native == nullptr) {
        return nullptr;
    }
    FILE *file = fopen(native, "r");
    free(native);
    return file;
}

// The white-space separated words of a listing, however long.
std::vector<std::string> ReadWords(FILE *file) {
    std::vector<std::string> words;
    std::string word;
    for (int c; (c = fgetc(file)) != EOF;) {
        if (isspace(c)) {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word += static_cast<char>(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// libxml2's own account of a malformed file goes to the data layer's log.
void ReportXmlError(void *path, const char *message, xmlParserSeverities severity,
                    xmlTextReaderLocatorPtr locator) {
    int line = xmlTextReaderLocatorLineNumber(locator);
    if (severity == XML_PARSER_SEVERITY_WARNING ||
        severity == XML_PARSER_SEVERITY_VALIDITY_WARNING) {
        LogDebug("%s:%d: %s", static_cast<const char *>(path), line, message);
    } else {
        LogError("%s:%d: %s", static_cast<const char *>(path), line, message);
    }
}

// Messages the XML library writes outside the reader (encoding and I/O
// trouble) go to the log as well while a file is read.
void ReportGenericXmlError(void *path, const char *format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    LogError("%s : %s", static_cast<const char *>(path), message);
}

// Routes the library's generic messages to the log for one file's reading and
// restores the handler the host had.
class GenericErrorsToLog {
  public:
    explicit GenericErrorsToLog(const char *path)
        : savedHandler_(xmlGenericError), savedContext_(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(const_cast<char *>(path), ReportGenericXmlError);
    }
    ~GenericErrorsToLog() { xmlSetGenericErrorFunc(savedContext_, savedHandler_); }
    GenericErrorsToLog(const GenericErrorsToLog &) = delete;
    GenericErrorsToLog &operator=(const GenericErrorsToLog &) = delete;

  private:
    xmlGenericErrorFunc savedHandler_;
    void *savedContext_;
};

// Standing on a description at the top of the file: moves past its end tag.
// false when the end tag is not there.
bool SkipDescription(xmlTextReaderPtr reader) {
    if (xmlTextReaderIsEmptyElement(reader) == 1) {
        return true;
    }
    int depth = xmlTextReaderDepth(reader);
    for (;;) {
        if (xmlTextReaderRead(reader) != 1) {
            return false;
        }
        int type = xmlTextReaderNodeType(reader);
        if (type == XML_READER_TYPE_END_ELEMENT) {
            return xmlTextReaderDepth(reader) == depth;
        }
        if (type == XML_READER_TYPE_ELEMENT) {
            return false;
        }
    }
}

bool IsStartNamed(xmlTextReaderPtr reader, const char *name) {
    const xmlChar *current = xmlTextReaderConstName(reader);
    return xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT && current != nullptr &&
           xmlStrcmp(current, reinterpret_cast<const xmlChar *>(name)) == 0;
}

void LoadListedFiles(const std::vector<std::string> &words, const std::string &prefix,
                     const char *format, const char *directory) {
    for (const std::string &word : words) {
        std::string path;
        if (format == nullptr) {
            path = prefix + word;
        } else {
            int length = snprintf(nullptr, 0, format, directory, word.c_str());
            path.resize(static_cast<size_t>(length));
            snprintf(path.data(), path.size() + 1, format, directory, word.c_str());
        }
        LogDebug("Opening %s\n", path.c_str());
        LoadDataDictFromXMLFile(path.c_str());
    }
}

int LoadAll() {
    LogTrace("\t@@@@@ Inside LoadAllDataDictFiles() @@@@@\n");
    FILE *listing = OpenText("..\\data\\" FW_DATA_DICTIONARY_LISTING);
    bool besideWorkingDirectory = listing != nullptr;
    const char *root = GetQuillonRoot();
    if (listing == nullptr && root != nullptr) {
        std::string fallback = std::string(root) + "/data/" + FW_DATA_DICTIONARY_LISTING;
        LogDebug("Opening %s\n", fallback.c_str());
        listing = OpenText(fallback);
    }
    if (listing == nullptr) {
        LogError("Cannot open DataDictionary File.\n");
        return 0;
    }
    std::vector<std::string> words = ReadWords(listing);
    fclose(listing);
    if (besideWorkingDirectory) {
        LoadListedFiles(words, "..\\data\\", nullptr, nullptr);
    } else {
        LoadListedFiles(words, "", "%s/data/%s", root);
    }
    return 1;
}

int LoadFrom(const char *directory) {
    LogTrace("\t@@@@@ Inside LoadDataDictFiles() @@@@@\n");
    if (directory == nullptr) {
        return 0;
    }
    FILE *listing = OpenText(std::string(directory) + "\\" + FW_DATA_DICTIONARY_LISTING);
    if (listing == nullptr) {
        return 0;
    }
    std::vector<std::string> words = ReadWords(listing);
    fclose(listing);
    LoadListedFiles(words, "", "%s\\%s", directory);
    return 1;
}

}  // namespace

int LoadAllDataDictFiles(void) {
    try {
        return LoadAll();
    } catch (const std::bad_alloc &) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return 0;
    }
}

int LoadDataDictFiles(const char *directory) {
    try {
        return LoadFrom(directory);
    } catch (const std::bad_alloc &) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return 0;
    }
}

int LoadDataDictFromXMLFile(const char *path) {
    FreeCurrentXmlTagTree();
    LogTrace("\nInside LoadDataDictFromXMLFile() \n\n");
    if (path == nullptr) {
        return 0;
    }
    return XmlDataParser(path);
}

int XmlDataParser(const char *path) {
    LogTrace("\n Inside XmlDataParser\n");
    ParseDataDictFile(path);
    return 1;
}

void ParseDataDictFile(const char *path) {
    if (path == nullptr) {
        return;
    }
    GenericErrorsToLog routed(path);
    char *native = PlatformNativePath(path);
    // Checked first so that a missing file is our one record, not the XML
    // library's complaint on standard error.
    FILE *probe = native != nullptr ? fopen(native, "r") : nullptr;
    xmlTextReaderPtr reader = nullptr;
    if (probe != nullptr) {
        fclose(probe);
        reader = xmlReaderForFile(native, nullptr, XML_PARSE_NONET);
    }
    free(native);
    if (reader == nullptr) {
        LogError("Unable to open %s\n", path);
        return;
    }
    xmlTextReaderSetErrorHandler(reader, ReportXmlError, const_cast<char *>(path));
    int result = xmlTextReaderRead(reader);
    if (result == 1) {
        result = xmlTextReaderRead(reader);
    }
    while (result == 1) {
        if (IsStartNamed(reader, "table")) {
            if (ParseTableTag(reader)) {
                LoadTableDefnFromTagTree();
            }
            FreeCurrentXmlTagTree();
        } else if (IsStartNamed(reader, "description") && !SkipDescription(reader)) {
            LogError("\nNo Description end tag\n");
            result = -1;
            break;
        }
        result = xmlTextReaderRead(reader);
    }
    xmlFreeTextReader(reader);
    if (result != 0) {
        LogError("%s : failed to parse\n", path);
    }
}
