#pragma once

#include <soci/soci.h>

#include <cstddef>

namespace orlentis {

// One all-or-nothing unit of writes on a session. On its own it is a transaction of its own
// that holds the write lock from its start (BEGIN IMMEDIATE); opened inside another
// transaction (the writer thread gathers the writes of many requests into one commit) it is a
// savepoint of that one, so it still keeps or undoes exactly its own changes. Leaving it
// without Commit() undoes them.
//
// Inside a group on PostgreSQL a unit takes no savepoint: each would cost two round trips to
// the server, and an error in any unit fails the whole group anyway. A unit there that is
// left without Commit() other than by an exception has no way to undo its own writes, so the
// whole group is rolled back instead: its commit fails.
class Transaction {
 public:
  explicit Transaction(soci::session& session);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();

 private:
  soci::session& session_;
  const bool outermost_;
  const bool savepoint_;
  const int exceptionsAtStart_;
  const std::size_t auditRecordsAtStart_;
  bool open_ = true;
};

// The writes of one group: BEGIN IMMEDIATE, so the write lock is taken before the first
// request runs rather than half way, and one COMMIT, so the whole group reaches the disk in
// one flush. Leaving it without Commit() rolls every write of the group back.
//
// On PostgreSQL, which takes no lock at BEGIN, the BEGIN waits for the group's first
// statement and goes just before it. A group that wrote nothing but camera slots, held back
// till its commit and sent in one statement (store/camera_slot_writes.h), sends that
// statement alone, all or nothing on its own, without BEGIN or COMMIT: two round trips fewer
// for most groups of recorders checking in, whose cameras come one a request.
class GroupTransaction {
 public:
  explicit GroupTransaction(soci::session& session);
  ~GroupTransaction();
  GroupTransaction(const GroupTransaction&) = delete;
  GroupTransaction& operator=(const GroupTransaction&) = delete;

  void Commit();

 private:
  soci::session& session_;
  const std::size_t auditRecordsAtStart_;
  const bool beginsWithFirstStatement_;
  bool open_ = true;
};

// True while a group is open on session on PostgreSQL.
bool InPostgresGroup(const soci::session& session);
// Every statement of the store runs this first: it sends the BEGIN of a group on PostgreSQL
// before the group's first statement.
void BeginPostgresGroupBeforeStatement(soci::session& session);

// Reads that belong together: they see the database as it stood at their first query, and
// the file's read lock is taken once for all of them instead of once per query. It only
// reads, so ending it is the same whether it ran to its end or not.
class ReadSnapshot {
 public:
  explicit ReadSnapshot(soci::session& session);
  ~ReadSnapshot();
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

 private:
  soci::session& session_;
};

}  // namespace orlentis
