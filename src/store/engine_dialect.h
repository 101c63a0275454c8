#pragma once

#include <soci/soci.h>

#include <cstdint>
#include <string>

#include "store/database_target.h"

namespace orlentis {

// What the two engines say differently. The record sets write one SQL text for both; the
// statements here are those that cannot be.

DatabaseEngine SessionEngine(const soci::session& session);

// Begins a transaction that will write. SQLite takes its write lock at once, so that the
// transaction waits its turn before its first read rather than failing at its first write;
// PostgreSQL locks row by row as it writes, and its plain BEGIN already does that.
const char* BeginWriteStatement(const soci::session& session);
// Begins reads that must see the database as it stood at their first query: SQLite's
// transactions always do, PostgreSQL's only from repeatable read up.
const char* BeginSnapshotStatement(const soci::session& session);

// The schema version of the database: SQLite keeps it in the file's header, PostgreSQL in
// the one row of orlentis_schema, which its first script creates (0 before that).
int StoredSchemaVersion(soci::session& session);
void StoreSchemaVersion(soci::session& session, int version);

// Said after the column list of an insert that gives the identity columns' values itself:
// PostgreSQL refuses a value for a column that is always generated without it; SQLite takes
// any row id it is given.
const char* KeepGivenIdentityClause(const soci::session& session);
// After rows were inserted with their keys given: the next key the engine draws for column
// (the identity column of table, as statements write it) follows the largest one. SQLite's
// row ids always do; a PostgreSQL sequence knows nothing of the values it did not give.
void MoveIdentityPastLargestKey(soci::session& session, const std::string& table,
                                const std::string& column);

// The id the database gave the row inserted last through session.
std::int64_t LastInsertId(soci::session& session);

}  // namespace orlentis
