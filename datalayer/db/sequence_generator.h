/*
 * sequence_generator.h - numbers for generated columns, reserved in batches
 * of 300 from the database table SeqGenState (SEQNAME, CURRENTBATCHEND).
 *
 * A batch is reserved by moving the stored batch end forward by 300 inside a
 * transaction and reading it back, so that processes sharing the database
 * never receive the same batch. Numbers are then handed out from memory.
 * SeqGenState needs SEQNAME as its primary key (or otherwise unique): a
 * sequence's first row is inserted by whichever process comes first, and a
 * second insert must fail rather than make a second row.
 *
 * Results are 1 (true) and 0 (false); the generators return the number, or
 * -1. GenerateID is safe from any thread (each sequence has its own lock);
 * the set-up calls run at start-up and shut-down.
 */
#ifndef FW_DATALAYER_DB_SEQUENCE_GENERATOR_H
#define FW_DATALAYER_DB_SEQUENCE_GENERATOR_H

#include <stdint.h>

#include "datalayer/dictionary/table_defn.h"
#include "platform/c_api.h"

FW_BEGIN_DECLS

#define SEQUENCE_BATCH_SIZE 300
#define INSTANCE_ID_SEQUENCE "INSTANCE_ID"

/* Makes the table of batches (50 buckets). 0 when memory runs out. */
FW_API int InitSequenceGenerator(void);

/* Frees the batches and the table. */
FW_API void FreeSequenceGenerator(void);

/* Reserves a first batch for every generator named by a column of the data
 * dictionary. 0 when a table definition has no columns. */
FW_API int SequenceGenerator(void);

/* Reserves the next batch of seqName on the connection of tableName (NULL:
 * the default connection) and keeps it in memory. 1 when a batch was
 * reserved. */
FW_API int UpdateSeqGen(const char *tableName, const char *seqName);

/* The next number of column's generator, reserving a new batch when the
 * current one is used up; -1 when the sequence has no batch or none can be
 * reserved. */
FW_API int32_t GenerateID(const char *tableName, const ColumnDefn *column);

/* The next number of the sequence "INSTANCE_ID", on the default connection;
 * -1 when it has no batch. */
FW_API int32_t GenerateInstanceID(void);

FW_END_DECLS

#endif /* FW_DATALAYER_DB_SEQUENCE_GENERATOR_H */
