#include "platform/db/FileGuard.h"

#include "platform/db/Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <vector>

namespace db {
namespace {

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> IdentityOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return Identity{status.st_dev, status.st_ino};
}

// The name `path` finally stands for: symbolic links followed (also one that leads nowhere yet),
// its folder's name made canonical, so that two spellings of one place compare equal.
QString ResolvedName(const QString& path) {
    QString name = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(QFile::encodeName(name).constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            break;
        const QString target = QFile::symLinkTarget(name);
        if (target.isEmpty())
            break;
        name = QDir::cleanPath(target);
    }
    const QFileInfo info(name);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? name : QDir(folder).filePath(info.fileName());
}

struct Guarded {
    const void* owner;
    QStringList names;        // the database's names and its journals'
    QStringList writtenNames; // kept from writes only
    std::optional<Identity> database;
};

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<Guarded>& Registry() {
    static std::vector<Guarded> registry;
    return registry;
}

bool Matches(const QString& name, const QString& resolved, const std::optional<Identity>& identity) {
    if (ResolvedName(name) == resolved)
        return true;
    return identity && IdentityOf(name) == identity;
}

} // namespace

QString DatabaseFileRefusal() {
    return QStringLiteral("不能选用程序正在使用的数据库文件。");
}

bool IsDatabaseFile(const QString& path, FileUse use) {
    // Resources compiled into the program are no files.
    if (path.isEmpty() || path.startsWith(u':'))
        return false;
    const std::lock_guard lock(RegistryMutex());
    if (Registry().empty())
        return false;
    const std::optional<Identity> identity = IdentityOf(path);
    const QString resolved = ResolvedName(path);
    for (const Guarded& guarded : Registry()) {
        if (identity && identity == guarded.database)
            return true;
        for (const QString& name : guarded.names)
            if (Matches(name, resolved, identity))
                return true;
        if (use == FileUse::kWrite)
            for (const QString& name : guarded.writtenNames)
                if (Matches(name, resolved, identity))
                    return true;
    }
    return false;
}

void GuardDatabaseFiles(const void* owner, const QString& databasePath, const QString& sqlitePath) {
    Guarded guarded{owner, {}, {}, IdentityOf(sqlitePath.isEmpty() ? databasePath : sqlitePath)};
    for (const QString& base : {databasePath, sqlitePath}) {
        if (base.isEmpty() || guarded.names.contains(base))
            continue;
        guarded.names << base;
        for (const char* suffix : kJournalSuffixes)
            guarded.names << base + QLatin1String(suffix);
    }
    const std::lock_guard lock(RegistryMutex());
    std::erase_if(Registry(), [owner](const Guarded& g) { return g.owner == owner; });
    Registry().push_back(std::move(guarded));
}

void GuardWrittenName(const void* owner, const QString& path) {
    const std::lock_guard lock(RegistryMutex());
    for (Guarded& guarded : Registry())
        if (guarded.owner == owner && !guarded.writtenNames.contains(path))
            guarded.writtenNames << path;
}

void UnguardDatabaseFiles(const void* owner) {
    const std::lock_guard lock(RegistryMutex());
    std::erase_if(Registry(), [owner](const Guarded& g) { return g.owner == owner; });
}

} // namespace db
