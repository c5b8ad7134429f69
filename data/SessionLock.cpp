#include "data/SessionLock.h"

#include "platform/log/Log.h"

#include <QCryptographicHash>
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

// Where range `range` of the name bytes begins.
long long RangeStart(int range) {
    return range == 0 ? SessionLock::kLockOffset + 1
                      : SessionLock::kLockOffset + 1 + SessionLock::kFirstRangeBytes +
                            (range - 1) * SessionLock::kRangeBytes;
}

long long RangeEnd(int range) {
    return range == 0 ? RangeStart(1) : RangeStart(range) + SessionLock::kRangeBytes;
}

} // namespace

SessionLock::NameBytes SessionLock::NameBytesOf(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    NameBytes bytes{};
    std::uint32_t hash = 2166136261u; // FNV-1a: the same in every process
    for (const char c : utf8)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    bytes[0] = RangeStart(0) + static_cast<long long>(hash % kFirstRangeBytes);
    // The other ranges take two bytes each of the name's SHA-256, independent of FNV-1a and of
    // each other.
    const QByteArray digest = QCryptographicHash::hash(utf8, QCryptographicHash::Sha256);
    for (int range = 1; range < kNameRanges; ++range) {
        const auto high = static_cast<unsigned char>(digest[2 * (range - 1)]);
        const auto low = static_cast<unsigned char>(digest[2 * (range - 1) + 1]);
        bytes[range] = RangeStart(range) + (high << 8 | low);
    }
    return bytes;
}

void SessionLock::SetLockCallForTesting(LockCall call) {
    g_lockCall = call ? call : &SystemLockCall;
}

SessionLock::~SessionLock() {
    Release();
}

SessionLock::SessionLock(SessionLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_exclusive(std::exchange(other.m_exclusive, false)),
      m_unavailable(std::exchange(other.m_unavailable, false)),
      m_readOnly(std::exchange(other.m_readOnly, false)),
      m_otherName(std::exchange(other.m_otherName, false)) {}

SessionLock& SessionLock::operator=(SessionLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_exclusive = std::exchange(other.m_exclusive, false);
        m_unavailable = std::exchange(other.m_unavailable, false);
        m_readOnly = std::exchange(other.m_readOnly, false);
        m_otherName = std::exchange(other.m_otherName, false);
    }
    return *this;
}

void SessionLock::Acquire(const QString& databasePath) {
    Release();
    const QByteArray path = QFile::encodeName(databasePath);
    // Opened for writing, as an exclusive lock needs; never created (no file, nothing to guard).
    int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // No connection of this process can write the file either, and that is the reason to
        // tell, not the lock. Held shared all the same, should the connection open it after all.
        m_readOnly = true;
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        m_unavailable = errno != ENOENT && !m_readOnly;
        qCInfo(vlog::db) << "no session lock on" << databasePath << ":" << qt_error_string(errno);
        return;
    }
    m_fd = fd;
    // The name SQLite opens the file under, a symbolic link followed: its journal lies beside it.
    const NameBytes names = NameBytesOf(QFileInfo(databasePath).canonicalFilePath());
    const LockResult exclusive = m_readOnly ? LockResult::kConflict : SetLock(fd, F_WRLCK, false);
    bool held = exclusive == LockResult::kTaken ||
                (exclusive == LockResult::kConflict && SetLock(fd, F_RDLCK, true) == LockResult::kTaken);
    for (const long long byte : names)
        held = held && SetLock(fd, F_RDLCK, true, byte) == LockResult::kTaken;
    if (!held) {
        qCWarning(vlog::db) << "cannot take the session lock on" << databasePath << ":"
                            << qt_error_string(errno);
        const bool readOnly = m_readOnly;
        Release();
        m_unavailable = !readOnly;
        m_readOnly = readOnly;
        return;
    }
    m_exclusive = exclusive == LockResult::kTaken;
    // Another name holds another byte in at least one range.
    for (int range = 0; range < kNameRanges && !m_exclusive && !m_otherName; ++range)
        m_otherName = AnyLock(fd, RangeStart(range), names[range] - RangeStart(range)) ||
                      AnyLock(fd, names[range] + 1, RangeEnd(range) - names[range] - 1);
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
    m_readOnly = false;
    m_otherName = false;
}

} // namespace data
