#include "platform/db/Transaction.h"

#include <sqlite3.h>

#include <atomic>

namespace db {
namespace {

std::atomic<unsigned long long> g_savepointCounter{0};

} // namespace

Transaction::Transaction(Connection& connection)
    : m_connection(connection), m_name(QStringLiteral("veltora_tx%1").arg(++g_savepointCounter)) {
    m_connection.Execute(QStringLiteral("SAVEPOINT ") + m_name);
}

Transaction::~Transaction() {
    if (m_done)
        return;
    try {
        m_connection.Execute(QStringLiteral("ROLLBACK TO ") + m_name);
        m_connection.Execute(QStringLiteral("RELEASE ") + m_name);
    } catch (...) {
        // Nothing to undo when the database already rolled the whole transaction back, or the
        // connection is gone; a destructor must not throw.
    }
}

void Transaction::Commit() {
    if (m_done)
        throw DbError(DbError::kNotOpen, QStringLiteral("the transaction has already been committed"));
    m_connection.Execute(QStringLiteral("RELEASE ") + m_name);
    m_done = true;
}

bool Transaction::IsRowRefusal(const DbError& error) const {
    switch (error.Code() & 0xFF) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
        // A conflict clause of ROLLBACK (or a trigger's RAISE(ROLLBACK)) refuses a row by ending
        // the whole transaction.
        return !m_done && m_connection.InTransaction();
    default:
        return false;
    }
}

} // namespace db
