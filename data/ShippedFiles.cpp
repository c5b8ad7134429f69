#include "data/ShippedFiles.h"

#include "platform/db/FileGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace data {

namespace {

QString& ShippedDirectory() {
    static QString dir;
    return dir;
}

// Closes a file descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

QString TooLarge(qint64 maxBytes) {
    return QStringLiteral("larger than %1 bytes").arg(maxBytes);
}

} // namespace

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes, QString* why,
                                          ReadRefusal* kind) {
    if (kind)
        *kind = ReadRefusal::None;
    const auto refuse = [why, kind](ReadRefusal refusal, const QString& reason) -> std::optional<QByteArray> {
        if (why)
            *why = reason;
        if (kind)
            *kind = refusal;
        return std::nullopt;
    };
    if (db::IsDatabaseFile(path, db::FileUse::kRead))
        return refuse(ReadRefusal::DatabaseFile, db::DatabaseFileRefusal());
    // The target of a link is what counts: a link to a regular file is read, one to a device not.
    const QFileInfo info(path);
    if (!info.exists())
        return refuse(ReadRefusal::Missing, QStringLiteral("no such file"));
    if (!info.isFile())
        return refuse(ReadRefusal::NotRegular, QStringLiteral("not a regular file"));
    if (info.size() > maxBytes)
        return refuse(ReadRefusal::TooLarge, TooLarge(maxBytes));

    // The name may have been replaced since: opened without blocking (a FIFO would wait for a
    // writer) and checked again on what was opened.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0)
        return refuse(ReadRefusal::Unreadable, qt_error_string(errno));
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        return refuse(ReadRefusal::Unreadable, qt_error_string(errno));
    if (!S_ISREG(status.st_mode))
        return refuse(ReadRefusal::NotRegular, QStringLiteral("not a regular file"));
    if (status.st_size > maxBytes)
        return refuse(ReadRefusal::TooLarge, TooLarge(maxBytes));

    // A file that grows while it is read stops at the limit all the same.
    QByteArray data;
    data.reserve(qsizetype(status.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return refuse(ReadRefusal::Unreadable, qt_error_string(errno));
        if (n == 0)
            return data;
        if (data.size() + n > maxBytes)
            return refuse(ReadRefusal::TooLarge, TooLarge(maxBytes));
        data.append(chunk, qsizetype(n));
    }
}

QString ShippedFilePath(const QString& appDir, const QString& name) {
    const QString own = QDir(appDir).filePath(name);
    if (QFileInfo::exists(own))
        return own;
    const QString executableDir =
        ShippedDirectory().isEmpty() ? QCoreApplication::applicationDirPath() : ShippedDirectory();
    const QString shipped = QDir(executableDir).filePath(name);
    return QFileInfo::exists(shipped) ? shipped : own;
}

void SetShippedFilesDirectory(const QString& dir) {
    ShippedDirectory() = dir;
}

} // namespace data
