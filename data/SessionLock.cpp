#include "data/SessionLock.h"

#include "platform/log/Log.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace data {
namespace {

int SystemLockCall(int fd, int command, void* lock) {
    return ::fcntl(fd, command, static_cast<struct flock*>(lock));
}

SessionLock::LockCall g_lockCall = &SystemLockCall;

enum class LockResult { kTaken, kConflict, kFailed };

// Open-file-description locks: released when the process ends, kept apart from SQLite's record
// locks (which sit on other bytes and are not dropped with this descriptor), and turned from
// exclusive into shared atomically.
LockResult SetLock(int fd, short type, bool wait, long long offset = SessionLock::kLockOffset) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    int rc;
    do {
        rc = g_lockCall(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return LockResult::kTaken;
    return !wait && (errno == EAGAIN || errno == EACCES) ? LockResult::kConflict : LockResult::kFailed;
}

// Whether another open file description holds a lock on some of the `count` bytes from `offset`;
// true too when the system cannot say.
bool AnyLock(int fd, long long offset, long long count) {
    if (count <= 0)
        return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = count;
    if (g_lockCall(fd, F_OFD_GETLK, &lock) != 0)
        return true;
    return lock.l_type != F_UNLCK;
}

} // namespace

void SessionLock::SetLockCallForTesting(LockCall call) {
    g_lockCall = call ? call : &SystemLockCall;
}

SessionLock::~SessionLock() {
    Release();
}

SessionLock::SessionLock(SessionLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_exclusive(std::exchange(other.m_exclusive, false)),
      m_unavailable(std::exchange(other.m_unavailable, false)),
      m_otherName(std::exchange(other.m_otherName, false)) {}

SessionLock& SessionLock::operator=(SessionLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_exclusive = std::exchange(other.m_exclusive, false);
        m_unavailable = std::exchange(other.m_unavailable, false);
        m_otherName = std::exchange(other.m_otherName, false);
    }
    return *this;
}

void SessionLock::Acquire(const QString& databasePath) {
    Release();
    const QByteArray path = QFile::encodeName(databasePath);
    // Opened for writing, as an exclusive lock needs; never created (no file, nothing to guard).
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        m_unavailable = errno != ENOENT;
        qCInfo(vlog::db) << "no session lock on" << databasePath << ":" << qt_error_string(errno);
        return;
    }
    m_fd = fd;
    // The name SQLite opens the file under, a symbolic link followed: its journal lies beside it.
    const QString name = QFileInfo(databasePath).canonicalFilePath();
    std::uint32_t hash = 2166136261u; // FNV-1a: the same in every process
    for (const char c : name.toUtf8())
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    const long long nameByte = kLockOffset + 1 + static_cast<long long>(hash % kNameBytes);
    const LockResult exclusive = SetLock(fd, F_WRLCK, false);
    const bool held = exclusive == LockResult::kTaken || (exclusive == LockResult::kConflict &&
                                                          SetLock(fd, F_RDLCK, true) == LockResult::kTaken);
    if (!held || SetLock(fd, F_RDLCK, true, nameByte) != LockResult::kTaken) {
        qCWarning(vlog::db) << "cannot take the session lock on" << databasePath << ":"
                            << qt_error_string(errno);
        Release();
        m_unavailable = true;
        return;
    }
    m_exclusive = exclusive == LockResult::kTaken;
    if (!m_exclusive)
        m_otherName = AnyLock(fd, kLockOffset + 1, nameByte - kLockOffset - 1) ||
                      AnyLock(fd, nameByte + 1, kLockOffset + kNameBytes - nameByte);
}

void SessionLock::Share() {
    if (m_fd < 0 || !m_exclusive)
        return;
    if (SetLock(m_fd, F_RDLCK, false) == LockResult::kTaken)
        m_exclusive = false;
    else
        qCWarning(vlog::db) << "cannot share the session lock:" << qt_error_string(errno);
}

void SessionLock::Release() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_exclusive = false;
    m_unavailable = false;
    m_otherName = false;
}

} // namespace data
