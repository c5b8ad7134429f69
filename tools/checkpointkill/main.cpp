// Kills a session with SIGKILL while it imports a roster or while it closes its database (the
// checkpoint that copies the journal into the file), then starts as the program does (the file
// reconciliation, the file check, the open) and counts the starts that lost a committed row, found
// the file damaged, or set the journal aside as another file's.
//
//   checkpointkill [school.mdb] [kills]
// Without a school file a large one is made in a temporary folder first (this takes a while).

#include "admin/StudentRoster.h"
#include "data/DataFiles.h"
#include "data/Schema.h"
#include "fixtures/SchoolFixture.h"
#include "platform/db/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

constexpr int kImportRows = 10000;

long long Students(db::Connection& c) {
    return c.Execute(QStringLiteral("SELECT count(*) FROM tavrinName")).Field(0).ToInt64();
}

// The session: a roster import of kImportRows students in one transaction, then the close. It
// writes one byte to `pipe` when the import has committed and one when the close is done.
[[noreturn]] void Session(const QString& path, int pipe) {
    try {
        db::Connection c;
        c.SetFileCheck(data::CheckDatabaseFile);
        c.OpenFile(path, fixtures::DatabasePassword());
        const QString grade = c.Execute(QStringLiteral("SELECT gradeno FROM tavrinGrade ORDER BY id LIMIT 1"))
                                  .Field(0)
                                  .ToString();
        db::Connection source;
        source.OpenFile(QStringLiteral(":memory:"), {}, true);
        source.Execute(QStringLiteral("CREATE TABLE s (xh TEXT, xm TEXT, bj INTEGER)"));
        source.Execute(QStringLiteral("BEGIN"));
        for (int i = 0; i < kImportRows; ++i)
            source.Execute(QStringLiteral("INSERT INTO s VALUES (?, ?, ?)"),
                           QStringLiteral("9%1").arg(i, 8, 10, QChar(u'0')), QStringLiteral("导入%1").arg(i),
                           1 + i % 20);
        source.Execute(QStringLiteral("COMMIT"));
        db::Recordset rows = source.Execute(QStringLiteral("SELECT * FROM s"));
        roster::ImportRoster(c, rows, {QStringLiteral("xh"), QStringLiteral("xm"), {}, QStringLiteral("bj")},
                             grade);
        (void)!::write(pipe, "i", 1);
        c.Close();
        (void)!::write(pipe, "c", 1);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "session failed: %s\n", e.what());
        ::_exit(2);
    }
    ::_exit(0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString school;
    int kills = 100;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.endsWith(QLatin1String(".mdb")))
            school = arg;
        else
            kills = std::max(1, arg.toInt());
    }
    QTemporaryDir scratch;
    if (school.isEmpty() || !QFile::exists(school)) {
        if (school.isEmpty())
            school = scratch.filePath(QStringLiteral("school.mdb"));
        fixtures::MakeSchool(school, fixtures::LargeSchool());
    }
    long long before = 0;
    {
        db::Connection c;
        c.OpenFile(school, fixtures::DatabasePassword());
        before = Students(c);
    }

    // How long the import and the close take, to spread the kills over them.
    QTemporaryDir timing;
    const QString timed = data::DatabasePath(timing.path());
    QFile::copy(school, timed);
    int fds[2];
    if (::pipe(fds) != 0)
        return 1;
    QElapsedTimer clock;
    clock.start();
    const pid_t probe = ::fork();
    if (probe == 0)
        Session(timed, fds[1]);
    char byte = 0;
    qint64 imported = 0, closed = 0;
    while (::read(fds[0], &byte, 1) == 1) {
        (byte == 'i' ? imported : closed) = clock.nsecsElapsed() / 1000;
        if (byte == 'c')
            break;
    }
    ::waitpid(probe, nullptr, 0);
    ::close(fds[0]);
    ::close(fds[1]);
    std::printf("import %.1f ms, close %.1f ms\n", imported / 1000.0, (closed - imported) / 1000.0);

    int atClose = 0, midImport = 0, lost = 0, damaged = 0, setAside = 0, failed = 0;
    for (int k = 0; k < kills; ++k) {
        QTemporaryDir dir;
        const QString path = data::DatabasePath(dir.path());
        QFile::copy(school, path);
        if (::pipe(fds) != 0)
            return 1;
        // Two kills in three during the close, the others anywhere in the import.
        const bool closing = k % 3 != 2;
        const pid_t child = ::fork();
        if (child == 0)
            Session(path, fds[1]);
        ::close(fds[1]);
        if (closing) {
            while (::read(fds[0], &byte, 1) == 1 && byte != 'i') {
            }
            ::usleep(static_cast<useconds_t>(QRandomGenerator::global()->bounded(closed - imported + 1)));
        } else {
            ::usleep(static_cast<useconds_t>(QRandomGenerator::global()->bounded(imported + 1)));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(fds[0]);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
            ++failed;
        ++(closing ? atClose : midImport);

        // The next start, holding its session lock while it has the file open.
        data::SessionLock lock;
        if (!data::EnsureDataFiles(dir.path(), lock).setAside.isEmpty())
            ++setAside;
        try {
            db::Connection c;
            c.SetFileCheck(data::CheckDatabaseFile);
            c.OpenFile(path, fixtures::DatabasePassword());
            const long long students = Students(c);
            if (closing ? students != before + kImportRows
                        : students != before && students != before + kImportRows)
                ++lost;
            if (c.Execute(QStringLiteral("PRAGMA integrity_check")).Field(0).ToString() !=
                QLatin1String("ok"))
                ++damaged;
        } catch (const db::DbError& e) {
            std::fprintf(stderr, "start refused: %s\n", qPrintable(e.Message()));
            ++damaged;
        }
    }
    std::printf("%d kills (%d at the close, %d in the import): %d starts lost rows, %d found the file "
                "damaged, %d set the journal aside; %d sessions failed\n",
                atClose + midImport, atClose, midImport, lost, damaged, setAside, failed);
    return lost + damaged + setAside + failed == 0 ? 0 : 1;
}
