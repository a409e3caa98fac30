// db_test_support.hpp - what the database suites share: the engines bound
// from the environment that scripts/testdb.sh sets, and a fresh data layer
// state for each test.
#ifndef FW_TESTS_DATALAYER_DB_DB_TEST_SUPPORT_HPP
#define FW_TESTS_DATALAYER_DB_DB_TEST_SUPPORT_HPP

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace fw::test {

// The databases are part of the test environment: a missing variable fails
// the test and says how to start them.
testing::AssertionResult GetEnv(const char *name, std::string &value);

struct Engine {
    const char *name;
    const char *dsnVariable;
    const char *connectionStringVariable;
    const char *userVariable;  // nullptr: the engine has no users
    const char *passwordVariable;
    const char *hostVariable;  // nullptr: no server
    const char *portVariable;
    const char *databaseType;  // the dialect of connparams.txt
};

extern const Engine kSqlite;
extern const Engine kPostgres;
extern const Engine kMariaDb;

inline void PrintTo(const Engine &engine, std::ostream *out) {
    *out << engine.name;
}

// A name unique to this test process, for tables on the shared databases.
std::string UniqueName(const std::string &prefix);

}  // namespace fw::test

#endif
