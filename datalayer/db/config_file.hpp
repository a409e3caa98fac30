// config_file.hpp - reading the data layer's text configuration files
// (connparams.txt, dsn_table_map.txt, the file of ODBC data sources).
// Internal to the data layer.
//
// Words and lines are read whole, whatever their length: nothing is cut at a
// fixed width, so a long word can neither overflow a buffer nor split into
// two words that shift the rest of the line.
#ifndef FW_DATALAYER_DB_CONFIG_FILE_HPP
#define FW_DATALAYER_DB_CONFIG_FILE_HPP

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace fw::db {

// Owns an open stream and closes it.
class ConfigFile {
  public:
    ConfigFile() = default;
    explicit ConfigFile(FILE *stream) : stream_(stream) {}
    ~ConfigFile();
    ConfigFile(const ConfigFile &) = delete;
    ConfigFile &operator=(const ConfigFile &) = delete;

    bool IsOpen() const { return stream_ != nullptr; }
    FILE *stream() const { return stream_; }

    // Reads the next line without its line end (a "\r" before the "\n" goes
    // too, for files written on Windows). False at the end of the file.
    bool ReadLine(std::string &line);

  private:
    FILE *stream_ = nullptr;
};

// Opens path (backslashes act as separators); when that fails and a library
// root is set, "<root>/data/<fileName>", logged with LogDebug("Opening %s\n").
// The result is not open when neither could be opened.
ConfigFile OpenDataFile(const char *path, const char *fileName);

// Opens path only (backslashes act as separators).
ConfigFile OpenConfigFile(const char *path);

bool IsBlank(char c);

// Splits off up to maxWords words separated by blanks or tabs. *rest (when
// given) receives what follows the last word taken, starting with the
// separator after it; empty when the line ended there.
std::vector<std::string_view> SplitWords(std::string_view line, size_t maxWords,
                                         std::string_view *rest = nullptr);

// Reads words separated by any white space, across lines, one at a time.
class WordReader {
  public:
    explicit WordReader(FILE *stream) : stream_(stream) {}
    // False at the end of the input.
    bool Next(std::string &word);

  private:
    FILE *stream_;
};

}  // namespace fw::db

#endif
