#pragma once
// All-or-nothing work on a connection: rolls back on destruction unless committed. Nests through
// savepoints, so a routine that runs in a transaction may be called inside another.

#include "platform/db/Connection.h"

namespace db {

class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit();

    // Whether `error`, thrown by one statement run in this transaction, refused that statement
    // alone: a constraint (a duplicate key, a trigger's refusal), a value of the wrong type or too
    // big, with the transaction still open. Bulk work counts such a row as failed and goes on.
    // Anything else (a full disk, an I/O error, no memory, a busy or locked database, a
    // transaction that SQLite has already rolled back) ends the work, which this transaction then
    // undoes: going on would write the remaining rows one by one outside any transaction.
    bool IsRowRefusal(const DbError& error) const;

private:
    Connection& m_connection;
    QString m_name;
    bool m_done = false;
};

} // namespace db
