#include "platform/db/Transaction.h"

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

} // namespace db
