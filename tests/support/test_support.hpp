// test_support.hpp - small helpers shared by the suites: temporary
// directories, whole-file reads and writes, and a registry file of the test's
// own.
#ifndef FW_TESTS_SUPPORT_TEST_SUPPORT_HPP
#define FW_TESTS_SUPPORT_TEST_SUPPORT_HPP

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fw::test {

// A fresh directory below $TMPDIR (or /tmp), removed with its contents when
// the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    // path() + "/" + name
    std::string File(const std::string &name) const;

  private:
    std::string path_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &content);
bool PathExists(const std::string &path);
std::vector<std::string> SplitLines(const std::string &text);

// Writes a registry file holding the agent key with the given value lines
// (each a complete "name"=data line) and points FWAGENT_REGISTRY_FILE at it.
// Returns the file's path.
std::string UseAgentRegistry(const TempDir &dir, const std::vector<std::string> &valueLines);

// Returns the log writer to its initial state: closes the log, frees its
// parameters, level 0, no library root.
void ResetLog();

// Opens the log "test.log" in dir at level, as the data layer's defaults do.
// Returns the file's path.
std::string OpenTestLog(const TempDir &dir, unsigned char level);

// Processes, as /proc shows them: alive (running or sleeping, not a zombie),
// and gone (reaped: no entry at all).
bool ProcessIsAlive(int pid);
bool ProcessIsGone(int pid);

// Polls done() every 10 ms for up to timeoutMs; returns its last answer.
bool WaitUntil(const std::function<bool()> &done, int timeoutMs = 10000);

// "name=value" lines of a file as a map.
std::map<std::string, std::string> ReadKeyValues(const std::string &path);

}  // namespace fw::test

#endif
