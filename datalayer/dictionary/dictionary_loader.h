/*
 * dictionary_loader.h - loading the data dictionary: the listing
 * "datadictionary.txt" and the XML files it names.
 *
 * Every table element of a file becomes one TableDefn appended to the
 * registry (table_registry.h), which must have been initialised. A file that
 * cannot be opened or parsed is logged and skipped; the tables registered
 * before the problem stay; nothing already registered is ever lost. Loading
 * runs on one thread, before other data-layer work.
 *
 * Results are 1 (true) and 0 (false).
 */
#ifndef FW_DATALAYER_DICTIONARY_DICTIONARY_LOADER_H
#define FW_DATALAYER_DICTIONARY_DICTIONARY_LOADER_H

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define FW_DATA_DICTIONARY_LISTING "datadictionary.txt"

/* Loads every file named in the listing, looked for as
 * "..\data\datadictionary.txt" (relative to the working directory) and then
 * in the data directory of the library root ("<root>/data/"). 0 only when no
 * listing can be opened ("Cannot open DataDictionary File.\n"). */
FW_API int LoadAllDataDictFiles(void);

/* The same for the listing and files in directory. 0 when its listing cannot
 * be opened. */
FW_API int LoadDataDictFiles(const char *directory);

/* Loads one XML file. 0 only for a NULL path. */
FW_API int LoadDataDictFromXMLFile(const char *path);

/* Logs its entry at TRACE level, runs ParseDataDictFile, returns 1. */
FW_API int XmlDataParser(const char *path);

/* Walks one file, registering each table; reports through the log only. */
FW_API void ParseDataDictFile(const char *path);

FW_END_DECLS

#endif /* FW_DATALAYER_DICTIONARY_DICTIONARY_LOADER_H */
