#pragma once
// What another process sees of a database this process has open. Looking from this process would
// spoil what is looked at: opening and closing a descriptor of the file drops every record lock
// the process holds on it. A forked child looks instead; its own descriptors and locks are its own.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace other_process {

// Runs `look` in a child that writes its answer to `out`; answers what the child wrote, or
// "failed" when it could not run.
template <typename Look> QByteArray Ask(Look look) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "failed";
    const pid_t child = ::fork();
    if (child < 0)
        return "failed";
    if (child == 0) {
        ::close(pipeFds[0]);
        const QByteArray answer = look();
        const char* p = answer.constData();
        qsizetype left = answer.size();
        while (left > 0) {
            const ssize_t n = ::write(pipeFds[1], p, size_t(left));
            if (n <= 0)
                ::_exit(1);
            p += n;
            left -= n;
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray answer;
    char chunk[65536];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) != 0;) {
        if (n < 0)
            break;
        answer.append(chunk, n);
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : QByteArray("failed");
}

// The bytes of `path` ("missing" when there is no such file).
inline QByteArray Bytes(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    return Ask([&name] {
        const int fd = ::open(name.constData(), O_RDONLY);
        if (fd < 0)
            return QByteArray("missing");
        QByteArray bytes;
        char chunk[65536];
        for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, n);
        return bytes;
    });
}

// Whether another process is kept from writing `path` by a record lock of this one on
// [offset, offset + length): what F_GETLK says of a write lock there.
inline bool LockedAgainstWriting(const QString& path, long long offset, long long length) {
    const QByteArray name = QFile::encodeName(path);
    const pid_t self = ::getpid();
    return Ask([&] {
               const int fd = ::open(name.constData(), O_RDONLY);
               if (fd < 0)
                   return QByteArray("missing");
               struct flock lock {};
               lock.l_type = F_WRLCK;
               lock.l_whence = SEEK_SET;
               lock.l_start = offset;
               lock.l_len = length;
               if (::fcntl(fd, F_GETLK, &lock) != 0)
                   return QByteArray("failed");
               return QByteArray(lock.l_type != F_UNLCK && lock.l_pid == self ? "locked" : "free");
           }) == "locked";
}

// SQLite's locks of a database in write-ahead mode: every connection holds a read lock on the
// file's shared bytes for as long as it is open, and the writer of an open transaction the write
// lock of the journal's index file (its byte 120).
inline bool SessionReadLockHeld(const QString& databasePath) {
    return LockedAgainstWriting(databasePath, 0x40000002LL, 510);
}
inline bool WriteTransactionLockHeld(const QString& databasePath) {
    return LockedAgainstWriting(databasePath + QStringLiteral("-shm"), 120, 1);
}

} // namespace other_process
