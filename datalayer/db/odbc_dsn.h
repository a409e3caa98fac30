/*
 * odbc_dsn.h - creating ODBC data sources through the ODBC installer.
 *
 * Conventions
 * - Data sources are added with the installer's SQLConfigDataSource, which
 *   hands them to the setup library that odbcinst.ini names for the driver
 *   ("Setup"); this project builds one, libfwodbcsetup.so, for drivers that
 *   ship none. Where they are written follows the unixODBC configuration
 *   (ODBCSYSINI, ODBCINI).
 * - Boolean results are 1 (true) and 0 (false). Passwords are never logged.
 * - Threads: the installer keeps no guarded state of its own; create data
 *   sources from one thread at a time.
 */
#ifndef FW_DATALAYER_DB_ODBC_DSN_H
#define FW_DATALAYER_DB_ODBC_DSN_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

/* Reads a file of data sources, one a line: DSN name, description, server,
 * user, password, database (each one word; "NULL" in any letter case leaves
 * the attribute out), then the ODBC driver name as the rest of the line
 * (blanks inside it kept). Creates each with CreateDSN; a failure is logged
 * ("Creating DSN %s Failed\n") and the next line is read. A line with fewer
 * fields is logged and skipped; blank lines and lines starting with '#' are
 * skipped silently. 0 with "Error opening File %s \n" when the file cannot
 * be opened; otherwise 1. */
FW_API int CreateDSNsFromFile(const char *path);

/* Adds (or replaces) the data source name for driver with the attributes
 * DSN, DESCRIPTION, SERVER, UID, PWD, DATABASE, each left out when its value
 * is NULL or the text "NULL" in any letter case. 0 with an ERROR record
 * when name or driver is NULL ("DriverName or DSN name is NULL \n") or the
 * installer refuses ("SQLConfigDataSource returned FALSE \n", followed by the
 * installer's own message); otherwise 1. */
FW_API int CreateDSN(const char *name, const char *description, const char *server,
                     const char *user, const char *password, const char *database,
                     const char *driver);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_ODBC_DSN_H */
