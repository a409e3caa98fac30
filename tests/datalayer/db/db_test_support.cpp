#include "tests/datalayer/db/db_test_support.hpp"

#include <unistd.h>

#include <cstdlib>

namespace fw::test {

testing::AssertionResult GetEnv(const char *name, std::string &value) {
    const char *text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return testing::AssertionFailure()
               << name
               << " is not set: run the tests through scripts/test.sh, or start the test "
                  "databases with scripts/testdb.sh start and eval \"$(scripts/testdb.sh env)\" "
                  "before running ctest";
    }
    value = text;
    return testing::AssertionSuccess();
}

const Engine kSqlite{
    "SQLite", "FW_TEST_SQLITE_DSN", "FW_TEST_SQLITE_CONNSTR", nullptr, nullptr, nullptr, nullptr,
    "SQLITE"};
const Engine kPostgres{"PostgreSQL",
                       "FW_TEST_PGSQL_DSN",
                       "FW_TEST_PGSQL_CONNSTR",
                       "FW_TEST_PGSQL_USER",
                       "FW_TEST_PGSQL_PASSWORD",
                       "FW_TEST_PGSQL_HOST",
                       "FW_TEST_PGSQL_PORT",
                       "PGSQL"};
const Engine kMariaDb{"MariaDB",
                      "FW_TEST_MARIADB_DSN",
                      "FW_TEST_MARIADB_CONNSTR",
                      "FW_TEST_MARIADB_USER",
                      "FW_TEST_MARIADB_PASSWORD",
                      "FW_TEST_MARIADB_HOST",
                      "FW_TEST_MARIADB_PORT",
                      "MYSQL"};

std::string UniqueName(const std::string &prefix) {
    return prefix + "_" + std::to_string(getpid());
}

}  // namespace fw::test
