// Two sessions on one database, copies of the file put back after a crash, and a session killed
// at each step of marking a journal: every committed row survives, and no journal meets a file
// that is not its own.

#include "DatabaseFileSupport.h"
#include "data/DataFiles.h"
#include "data/Schema.h"
#include "data/SessionLock.h"
#include "platform/db/Connection.h"
#include "platform/db/Transaction.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

namespace {

using namespace datafiles_test;

// The grade ids in the file (with its journal, as the next start finds them), after the start's
// reconciliation, and whether the file opened sound.
struct NextStart {
    QStringList setAside;
    QList<int> ids;
    bool sound = false;
};
NextStart StartAgain(const QTemporaryDir& dir) {
    NextStart next;
    data::SessionLock lock;
    next.setAside = data::EnsureDataFiles(dir.path(), lock).setAside;
    try {
        db::Connection c;
        c.SetFileCheck(data::CheckDatabaseFile);
        c.OpenFile(data::DatabasePath(dir.path()));
        next.sound = c.Execute("PRAGMA integrity_check").Field(0).ToString() == "ok";
        for (db::Recordset rs = c.Execute("SELECT id FROM tavrinGrade ORDER BY id"); !rs.IsEOF();
             rs.MoveNext())
            next.ids << rs.Field(0).ToInt();
    } catch (const db::DbError& e) {
        ADD_FAILURE() << "start refused: " << e.what();
    }
    return next;
}

QList<int> Range(int from, int to) {
    QList<int> ids;
    for (int id = from; id <= to; ++id)
        ids << id;
    return ids;
}

// Runs `body` in a child process; the parent waits for it and returns its exit status.
int InChild(const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(SessionSafety, RacingStartsOnOneFolderKeepEveryCommittedRow) {
    // Two sessions started together, each committing rows one at a time, while another program
    // holds a read now and then (so that a session's mark waits to go into the file).
    int lost = 0;
    for (int run = 0; run < 30; ++run) {
        QTemporaryDir dir;
        const QString db = MakeFile(dir);
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        pid_t children[2];
        for (int k = 0; k < 2; ++k) {
            children[k] = ::fork();
            if (children[k] == 0) {
                ::close(go[1]);
                char byte;
                if (::read(go[0], &byte, 1) != 1)
                    ::_exit(4);
                ::usleep(static_cast<useconds_t>((run * 7 + k * 3) % 11) * 1000);
                data::SessionLock lock;
                const data::DataFilesReport report = data::EnsureDataFiles(dir.path(), lock);
                try {
                    db::Connection c;
                    c.OpenFile(db);
                    for (int i = 0; i < 100; ++i)
                        c.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (?, 'g', ?)",
                                  1000 * (k + 1) + i, QString::number(i));
                } catch (const db::DbError&) {
                    ::_exit(5);
                }
                ::_exit(0);
            }
        }
        sqlite3* reader = nullptr;
        ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &reader), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM tavrinGrade", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(::write(go[1], "gg", 2), 2);
        ::close(go[1]);
        ::close(go[0]);
        ::usleep(30000);
        sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(reader);
        for (const pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << run << " status " << status;
        }
        const NextStart next = StartAgain(dir);
        EXPECT_TRUE(next.setAside.isEmpty()) << run;
        EXPECT_TRUE(next.sound) << run;
        if (next.ids.size() != 200)
            ++lost;
    }
    EXPECT_EQ(lost, 0);
}

TEST(SessionSafety, AStartBesideALiveSessionLeavesItsFilesAlone) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    data::SessionLock firstLock;
    const data::DataFilesReport first = data::EnsureDataFiles(dir.path(), firstLock);
    ASSERT_TRUE(first.reconciled);
    EXPECT_TRUE(firstLock.IsHeld());
    EXPECT_FALSE(firstLock.IsExclusive());
    // The live session's journal holds only a mark the file does not carry yet (the moment it is
    // moving its mark in): a start beside it does not judge it.
    const QByteArray file = ReadFile(db);
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw,
                               "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; PRAGMA user_version=77",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        const QByteArray wal = ReadFile(db + "-wal");
        sqlite3_close(raw);
        WriteFile(db, file);
        WriteFile(db + "-wal", wal);
    }
    data::SessionLock secondLock;
    const data::DataFilesReport second = data::EnsureDataFiles(dir.path(), secondLock);
    EXPECT_FALSE(second.reconciled);
    EXPECT_FALSE(second.lockUnavailable);
    EXPECT_TRUE(secondLock.IsHeld());
    EXPECT_TRUE(QFile::exists(db + "-wal"));
    // Once every session has ended, the next start judges it (and drops a mark-only journal).
    firstLock.Release();
    data::SessionLock thirdLock;
    EXPECT_FALSE(data::EnsureDataFiles(dir.path(), thirdLock).reconciled); // the second still holds it
    secondLock.Release();
    EXPECT_TRUE(data::EnsureDataFiles(dir.path(), thirdLock).reconciled);
    EXPECT_FALSE(QFile::exists(db + "-wal"));
}

TEST(SessionSafety, AKilledSessionNeverBlocksTheNextStart) {
    QTemporaryDir dir;
    MakeFile(dir);
    const int status = InChild([&] {
        data::SessionLock lock;
        const data::DataFilesReport report = data::EnsureDataFiles(dir.path(), lock);
        ::raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    data::SessionLock lock;
    EXPECT_TRUE(data::EnsureDataFiles(dir.path(), lock).reconciled);
}

// A copy of the file taken while the program ran, put back after the session was killed: the
// journal is applied to it only when it is the journal of the copy's own time.
struct PutBack {
    QList<int> inCopy;    // what the copy holds by itself
    QList<int> committed; // what the session committed
    NextStart next;
};
PutBack PutCopyBack(const std::function<void(db::Connection&)>& beforeCopy,
                    const std::function<void(db::Connection&)>& afterCopy) {
    QTemporaryDir dir;
    const QString db = MakeFile(dir);
    PutBack result;
    QByteArray copy, wal;
    {
        db::Connection c;
        c.OpenFile(db);
        beforeCopy(c);
        copy = ReadFile(db);
        afterCopy(c);
        for (db::Recordset rs = c.Execute("SELECT id FROM tavrinGrade ORDER BY id"); !rs.IsEOF();
             rs.MoveNext())
            result.committed << rs.Field(0).ToInt();
        wal = ReadFile(db + "-wal"); // killed here: the journal as the session left it
    }
    {
        QTemporaryDir alone;
        const QString path = data::DatabasePath(alone.path());
        WriteFile(path, copy);
        db::Connection c;
        c.OpenFile(path);
        for (db::Recordset rs = c.Execute("SELECT id FROM tavrinGrade ORDER BY id"); !rs.IsEOF();
             rs.MoveNext())
            result.inCopy << rs.Field(0).ToInt();
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(db + suffix);
    WriteFile(db, copy);
    WriteFile(db + "-wal", wal);
    result.next = StartAgain(dir);
    return result;
}

TEST(SessionSafety, ACopyPutBackAfterACrashNeverGetsALaterJournal) {
    // Marks entered one at a time, a copy at noon, more marks with checkpoints between, killed.
    const PutBack entry = PutCopyBack(
        [](db::Connection& c) {
            for (int i = 1; i <= 400; ++i)
                AddGrades(c, i, 1);
        },
        [](db::Connection& c) {
            for (int i = 401; i <= 1200; ++i)
                AddGrades(c, i, 1);
        });
    ASSERT_EQ(entry.committed, Range(1, 1200));
    EXPECT_EQ(entry.next.setAside.size(), 1);
    EXPECT_TRUE(entry.next.sound);
    EXPECT_EQ(entry.next.ids, entry.inCopy);

    // A large import with one checkpoint between the copy and the kill.
    const PutBack import = PutCopyBack([](db::Connection& c) { AddGrades(c, 1, 50); },
                                       [](db::Connection& c) {
                                           AddGrades(c, 51, 4000);
                                           AddGrades(c, 4051, 3000);
                                       });
    EXPECT_EQ(import.next.setAside.size(), 1);
    EXPECT_TRUE(import.next.sound);
    EXPECT_EQ(import.next.ids, import.inCopy);

    // A copy taken in the journal's own time (no checkpoint since): the journal is the copy's,
    // and applying it gives everything the session committed.
    const PutBack same = PutCopyBack([](db::Connection& c) { AddGrades(c, 1, 20); },
                                     [](db::Connection& c) { AddGrades(c, 21, 20); });
    EXPECT_TRUE(same.next.setAside.isEmpty());
    EXPECT_TRUE(same.next.sound);
    EXPECT_EQ(same.next.ids, Range(1, 40));
}

// The child's step count at which it is killed, and the pipe it reports its committed rows to.
int g_killAtStep = 0;
int g_stepsSeen = 0;

void KillAtStep(db::MarkStep) {
    if (++g_stepsSeen == g_killAtStep)
        ::raise(SIGKILL);
}

TEST(SessionSafety, ASessionKilledAtAnyStepOfMarkingAJournalLosesNothing) {
    // Steps 1-4 mark the session's first journal at open; 5-8 and 9-12 the journals after the
    // first two checkpoints.
    for (int step = 1; step <= 12; ++step) {
        QTemporaryDir dir;
        const QString db = MakeFile(dir);
        {
            db::Connection c;
            c.OpenFile(db);
            AddGrades(c, 1, 10);
        }
        int rows[2];
        ASSERT_EQ(::pipe(rows), 0);
        const int status = InChild([&] {
            ::close(rows[0]);
            g_killAtStep = step;
            g_stepsSeen = 0;
            db::SetMarkStepObserver(&KillAtStep);
            try {
                db::Connection c;
                c.OpenFile(db);
                for (int id = 11; id < 5000; id += 5) {
                    AddGrades(c, id, 5);
                    const int last = id + 4;
                    if (::write(rows[1], &last, sizeof last) != sizeof last)
                        ::_exit(6);
                }
            } catch (const db::DbError&) {
                ::_exit(5);
            }
            ::_exit(3); // never reached the step
        });
        ::close(rows[1]);
        int last = 10;
        for (int n; ::read(rows[0], &n, sizeof n) == sizeof n;)
            last = n;
        ::close(rows[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << step << " status " << status;
        const NextStart next = StartAgain(dir);
        EXPECT_TRUE(next.setAside.isEmpty()) << step;
        EXPECT_TRUE(next.sound) << step;
        EXPECT_EQ(next.ids, Range(1, last)) << step;
    }
}

// The child's count of emptied journals at which another program begins a read, and the pipes
// it waits on for that read.
int g_holdAtEmptied = 0;
int g_emptiedSeen = 0;
int g_holdAsk = -1;
int g_holdAck = -1;

void HoldAReadAtEmptied(db::MarkStep step) {
    if (step != db::MarkStep::kJournalEmptied || ++g_emptiedSeen != g_holdAtEmptied)
        return;
    char byte = 'h';
    if (::write(g_holdAsk, &byte, 1) != 1 || ::read(g_holdAck, &byte, 1) != 1)
        ::_exit(7);
}

TEST(SessionSafety, AReadThatKeepsAFreshMarkOutLosesNoCommittedRow) {
    // A plain SQLite reader (a second window running a long report) begins its read the moment a
    // journal is emptied, at open (1) and after the first checkpoint (2), and holds it while the
    // session goes on committing; both programs are then killed. The start opens, the next start
    // finds every row, and a copy of the file taken before the checkpoint, put back, never gets
    // the later journal.
    constexpr int kLast = 6000; // the last row committed
    for (int at = 1; at <= 2; ++at) {
        QTemporaryDir dir;
        const QString db = MakeFile(dir);
        {
            db::Connection c;
            c.OpenFile(db);
            AddGrades(c, 1, 10);
        }
        int ask[2], ack[2], rows[2];
        ASSERT_EQ(::pipe(ask), 0);
        ASSERT_EQ(::pipe(ack), 0);
        ASSERT_EQ(::pipe(rows), 0);
        char byte = 0;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(rows[0]);
            g_holdAtEmptied = at;
            g_emptiedSeen = 0;
            g_holdAsk = ask[1];
            g_holdAck = ack[0];
            db::SetMarkStepObserver(&HoldAReadAtEmptied);
            try {
                db::Connection c;
                c.OpenFile(db);
                for (int id = 11; id < kLast; id += 10) {
                    AddGrades(c, id, 10);
                    const int last = id + 9;
                    if (::write(rows[1], &last, sizeof last) != sizeof last)
                        ::_exit(6);
                    if (id == 11 && (::read(ack[0], &byte, 1) != 1 || byte != 'c'))
                        ::_exit(7); // waits for the copy
                }
            } catch (const db::DbError&) {
                ::_exit(5); // the start refused
            }
            ::pause();
            ::_exit(0);
        }
        ::close(rows[1]);
        int last = 10;
        QByteArray copy;
        const auto takeCopy = [&] {
            ASSERT_EQ(::read(rows[0], &last, sizeof last), static_cast<ssize_t>(sizeof last));
            if (at == 2)
                copy = ReadFile(db); // in the journal's time before the checkpoint
            ASSERT_EQ(::write(ack[1], "c", 1), 1);
        };
        sqlite3* reader = nullptr;
        const auto holdARead = [&] {
            ASSERT_EQ(::read(ask[0], &byte, 1), 1);
            ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &reader), SQLITE_OK);
            // Its close must not copy the journal in: the reader is killed too.
            sqlite3_db_config(reader, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            ASSERT_EQ(
                sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM tavrinGrade", nullptr, nullptr, nullptr),
                SQLITE_OK);
            ASSERT_EQ(::write(ack[1], "h", 1), 1);
        };
        if (at == 1) {
            holdARead();
            takeCopy();
        } else {
            takeCopy();
            holdARead();
        }
        for (int n; last < kLast && ::read(rows[0], &n, sizeof n) == sizeof n;)
            last = n;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << at << " status " << status;
        const QByteArray wal = ReadFile(db + "-wal");
        sqlite3_close(reader);
        for (int* fds : {ask, ack, rows}) {
            ::close(fds[0]);
            if (fds != rows)
                ::close(fds[1]);
        }
        ASSERT_EQ(last, kLast) << at;
        EXPECT_FALSE(wal.isEmpty()) << at;
        const NextStart next = StartAgain(dir);
        EXPECT_TRUE(next.setAside.isEmpty()) << at;
        EXPECT_TRUE(next.sound) << at;
        EXPECT_EQ(next.ids, Range(1, last)) << at;

        if (at == 2) {
            for (const char* suffix : {"", "-wal", "-shm"})
                QFile::remove(db + suffix);
            WriteFile(db, copy);
            WriteFile(db + "-wal", wal);
            const NextStart putBack = StartAgain(dir);
            EXPECT_EQ(putBack.setAside.size(), 1);
            EXPECT_TRUE(putBack.sound);
            EXPECT_EQ(putBack.ids, Range(1, 10));
        }
    }
}

} // namespace
