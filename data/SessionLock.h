#pragma once
// The lock every session holds on its database file for its whole life. The start-up
// reconciliation of the database's files (data/DataFiles.h) moves and removes journals, which is
// safe only while no other process has the database open: it runs only under the exclusive lock,
// and every session then holds a shared one. The kernel releases the lock when its process ends,
// however it ends, so a killed session never blocks the next start.
//
// The lock is on the database file itself (a byte range SQLite never locks), so every name of the
// file (a symbolic link, a hard link in another folder) meets the same lock, and no file beside it
// can be lost or left with the wrong owner. The lock's descriptor must stay open for as long as the
// process has the database open: closing a descriptor of the file would drop every record lock the
// process holds on it, SQLite's own among them.

#include <QString>

#include <array>

namespace data {

class SessionLock {
public:
    SessionLock() = default;
    ~SessionLock();
    SessionLock(SessionLock&& other) noexcept;
    SessionLock& operator=(SessionLock&& other) noexcept;
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // Takes the lock of `databasePath` (held before by this object or not): exclusive when no
    // other session holds it at this moment, else shared, waiting only while another start holds
    // it exclusively (its reconciliation takes moments). A missing file is locked by nobody; a
    // file the process may not write is locked shared at most (ReadOnly()); a file or a file
    // system that refuses the lock on a file the process can write leaves it Unavailable().
    void Acquire(const QString& databasePath);

    bool IsHeld() const { return m_fd >= 0; }
    bool IsExclusive() const { return m_exclusive; }
    // The lock could not be taken although the file is there and may be written: nobody can tell
    // whether another session has the database open.
    bool Unavailable() const { return m_unavailable; }
    // The file cannot be opened for writing (a read-only file, folder or file system): it is
    // never locked exclusively, so nothing beside it is judged, and the connection cannot write it
    // either and says why.
    bool ReadOnly() const { return m_readOnly; }
    // Another session has the file open under another name (a hard link in another folder): its
    // journal is not the one this name would use, and the two must never meet.
    bool OpenUnderAnotherName() const { return m_otherName; }
    // The locked file's descriptor (-1 when none), for reading the file without opening it again.
    int Descriptor() const { return m_fd; }

    // Turns the exclusive lock into a shared one in one step, so that no other start can take
    // it exclusively in between.
    void Share();
    // Only once no connection of this process has the file open.
    void Release();

    // The byte of the database file that carries the lock: past SQLite's own lock bytes (the
    // pending byte at 1 GiB and the 511 after it) and the page that holds them.
    static constexpr long long kLockOffset = 0x40000000LL + 0x20000;
    // After it, each session also holds one byte in each of kNameRanges ranges, chosen by the
    // name it opens the file under, each range by a hash of its own: two names hold the same
    // bytes only if they agree in every range, a chance of one in 2^76 (4,096 x 65,536^4), so a
    // session tells for certain in practice whether another has the file open under another name.
    // The first range, of kFirstRangeBytes, is chosen as by earlier builds (FNV-1a of the name),
    // so that their sessions and this build's tell one name alike.
    static constexpr int kNameRanges = 5;
    static constexpr long long kFirstRangeBytes = 4096;
    static constexpr long long kRangeBytes = 65536;
    using NameBytes = std::array<long long, kNameRanges>;
    // The bytes a session holds for `name` (the path SQLite opens, a symbolic link followed).
    static NameBytes NameBytesOf(const QString& name);

    // Tests stand in for the system's lock call (fcntl with F_OFD_SETLK or F_OFD_SETLKW).
    using LockCall = int (*)(int fd, int command, void* flock);
    static void SetLockCallForTesting(LockCall call);

private:
    int m_fd = -1;
    bool m_exclusive = false;
    bool m_unavailable = false;
    bool m_readOnly = false;
    bool m_otherName = false;
};

} // namespace data
