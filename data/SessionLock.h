#pragma once
// The lock every session holds on a file beside its database ("<database>.lock") for its whole
// life. The start-up reconciliation of the database's files (data/DataFiles.h) moves and removes
// journals, which is safe only while no other process has the database open: it runs only under
// the exclusive lock, and every session then holds a shared one. The kernel releases the lock when
// its process ends, however it ends, so a killed session never blocks the next start.

#include <QString>

namespace data {

class SessionLock {
public:
    SessionLock() = default;
    ~SessionLock();
    SessionLock(SessionLock&& other) noexcept;
    SessionLock& operator=(SessionLock&& other) noexcept;
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // Takes the lock of `databasePath`: exclusive when no other session holds it at this moment,
    // else shared, waiting only while another start holds it exclusively (its reconciliation
    // takes moments). Without a lock file (a folder that cannot hold one) the lock is held by
    // nobody and is neither exclusive nor shared.
    static SessionLock Acquire(const QString& databasePath);

    // The path of the lock file of `databasePath`.
    static QString LockPath(const QString& databasePath);

    bool IsHeld() const { return m_fd >= 0; }
    bool IsExclusive() const { return m_exclusive; }

    // Turns the exclusive lock into a shared one in one step, so that no other start can take
    // it exclusively in between.
    void Share();
    void Release();

private:
    int m_fd = -1;
    bool m_exclusive = false;
};

} // namespace data
