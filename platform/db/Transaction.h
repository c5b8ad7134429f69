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

private:
    Connection& m_connection;
    QString m_name;
    bool m_done = false;
};

} // namespace db
