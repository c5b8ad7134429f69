// Makes the database file the program ships: every table, the starting rows, the password and the
// program's mark.
//   mkdb [--keep-existing] <path>

#include "data/Schema.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"
#include "platform/res/StringTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool keepExisting = args.removeAll(QStringLiteral("--keep-existing")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: mkdb [--keep-existing] <path>\n");
        return 2;
    }
    const QString path = args.first();
    if (QFileInfo::exists(path)) {
        if (keepExisting)
            return 0;
        QFile::remove(path);
    }
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    // Journals left beside either name belong to files that are gone: a new file must not meet them.
    if (!db::RemoveJournalFiles(temp) || !db::RemoveJournalFiles(path)) {
        std::fprintf(stderr, "mkdb: cannot remove the old journal files of %s\n", qPrintable(path));
        return 1;
    }
    try {
        CTextCipher cipher;
        const QString password = cipher.DecodeText(res::LoadString(106), res::LoadString(61000));
        if (password == QStringLiteral("0"))
            throw db::DbError(db::DbError::kWrongPassword,
                              QStringLiteral("the stored password cannot be deciphered"));
        {
            db::Connection connection;
            connection.OpenFile(temp, {}, true);
            data::CreateSchema(connection);
            data::InstallDefaults(connection, cipher);
            connection.SetDatabasePassword(password);
            connection.Execute(QStringLiteral("PRAGMA journal_mode=DELETE"));
        }
        if (!QFile::rename(temp, path))
            throw db::DbError(0, QStringLiteral("cannot move the new file to ") + path);
    } catch (const std::exception& e) {
        QFile::remove(temp);
        std::fprintf(stderr, "mkdb: %s\n", e.what());
        return 1;
    }
    std::printf("mkdb: wrote %s\n", qPrintable(path));
    return 0;
}
