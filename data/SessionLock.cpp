#include "data/SessionLock.h"

#include "platform/log/Log.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace data {
namespace {

// Open-file-description locks: released when the process ends, held apart from SQLite's own locks
// on the database, and turned from exclusive into shared atomically (which flock does not promise).
bool SetLock(int fd, short type, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    int rc;
    do {
        rc = ::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace

SessionLock::~SessionLock() {
    Release();
}

SessionLock::SessionLock(SessionLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_exclusive(std::exchange(other.m_exclusive, false)) {}

SessionLock& SessionLock::operator=(SessionLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_exclusive = std::exchange(other.m_exclusive, false);
    }
    return *this;
}

QString SessionLock::LockPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".lock");
}

SessionLock SessionLock::Acquire(const QString& databasePath) {
    SessionLock lock;
    const QByteArray path = QFile::encodeName(LockPath(databasePath));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    bool writable = fd >= 0;
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC); // another user's lock file: share it
    if (fd < 0) {
        qCInfo(vlog::db) << "no session lock beside" << databasePath << ":" << qt_error_string(errno);
        return lock;
    }
    lock.m_fd = fd;
    if (writable && SetLock(fd, F_WRLCK, false)) {
        lock.m_exclusive = true;
        return lock;
    }
    if (!SetLock(fd, F_RDLCK, true)) {
        qCWarning(vlog::db) << "cannot take the session lock" << LockPath(databasePath) << ":"
                            << qt_error_string(errno);
        lock.Release();
    }
    return lock;
}

void SessionLock::Share() {
    if (m_fd < 0 || !m_exclusive)
        return;
    if (SetLock(m_fd, F_RDLCK, false))
        m_exclusive = false;
    else
        qCWarning(vlog::db) << "cannot share the session lock:" << qt_error_string(errno);
}

void SessionLock::Release() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_exclusive = false;
}

} // namespace data
