#pragma once
// The program's database connection over SQLite: opened from a connection string, executing one
// statement at a time with bound values, returning materialised record sets, throwing DbError.

#include "platform/db/DbError.h"
#include "platform/db/Recordset.h"
#include "platform/db/Variant.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

struct sqlite3;

namespace db {

class StatementCache;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // A check of each file the connection opens, run once its schema has been read and before
    // anything is written to it (the journal mode is set after it): it throws DbError to refuse
    // the file, which is then left exactly as it was.
    using FileCheck = std::function<void(Connection&)>;
    void SetFileCheck(FileCheck check) { m_fileCheck = std::move(check); }

    // Connection string: "key=value" pairs separated by ';', keys case-insensitive. A value may
    // be enclosed in double or single quotes, the quote doubled inside, so that it can hold ';'
    // (QuoteConnectionValue writes that form):
    //   Data Source        the database file (required), or ":memory:"; "Dbq" too
    //   Create             "True" lets a missing file be created (tools and fixtures only)
    //   Database Password  the password; always the last key: its value runs to the end of the
    //                      string, so it may hold ';'. "Jet OLEDB:Database Password" and "PWD"
    //                      are taken as the same key.
    // Other keys (Provider, …) are accepted and ignored. The file is opened read-write and never
    // created unless asked (an existing empty file is refused too unless asked); a file that is
    // not a database, a wrong password, a locked or unwritable database, or a folder where its
    // journal cannot be made throw DbError and leave the connection closed. Opening an open connection closes
    // it first. A connection is used by one thread at a time.
    void Open(const QString& connectionString);
    void OpenFile(const QString& path, const QString& password = {}, bool create = false);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    const QString& Path() const { return m_path; }
    // While the connection is open, no save of the program may write `path` (or a file that is
    // the same): the database's twin. Its own file, journal and index file are kept from every
    // read and write by themselves (db/FileGuard.h).
    void KeepFromWrites(const QString& path);

    // Executes one statement; '?' placeholders take the values in order. A second statement in
    // the text is refused with DbError (kMultipleStatements) before anything runs.
    Recordset Execute(const QString& sql, const std::vector<Variant>& params);
    Recordset Execute(const QString& sql) { return Execute(sql, std::vector<Variant>{}); }
    template <typename... Args>
    Recordset Execute(const QString& sql, const Variant& first, const Args&... rest) {
        return Execute(sql, std::vector<Variant>{first, Variant(rest)...});
    }

    long long LastInsertId() const;

    // Whether a transaction is open. SQLite rolls a whole transaction back by itself on some
    // failures (a full disk, an I/O error, no memory), and this is false again after that.
    bool InTransaction() const;

    // Stores a salted hash of the password in the database: table veltora_password(salt, hash),
    // hash = hex SHA-256 of the 16 salt bytes (stored as hex) followed by the password's UTF-8.
    // An empty password removes the protection. Used by the tool that makes the shipped file.
    void SetDatabasePassword(const QString& password);

    // The raw handle, for tests and tools (busy timeout, autocommit state).
    sqlite3* Handle() const { return m_db; }

private:
    void Check(int rc, const char* what) const;
    void VerifyPassword(const QString& password);

    // The session mark (db/Journal.h): every journal begins with the mark the file itself
    // carries, and a fresh one goes into the file with every checkpoint that empties the journal
    // (at open, when the journal is due, and at the close).
    void MarkSession();
    // Writes a fresh mark into the journal and copies the whole journal into the file.
    enum class Checkpointed { kEmptied, kBusy, kBusyAllCopied };
    Checkpointed CheckpointWithFreshMark(int busyTimeoutMs);
    // Begins the emptied journal with a fresh mark of its own, moved into the file first. When
    // another connection keeps the mark out of the file, the journal goes on with the file's own
    // mark (KeepFileMark) and the fresh one waits for a later checkpoint.
    void BeginJournalWithFreshMark();
    // After a checkpoint that did not empty the journal: what follows in the journal carries the
    // mark the file carries now, and the checkpoint is tried again later.
    void KeepFileMark(Checkpointed result);
    int SessionMark();
    void WriteSessionMark(int mark);
    // A mark that is neither 0 nor the present one.
    int NewMark();
    // The mark in the file itself, read through SQLite's own descriptor of it.
    int FileMark();
    // Copies the whole journal into the file and empties it; another connection using it can keep
    // the journal from being emptied, or the copy from being made.
    Checkpointed CheckpointAll(int busyTimeoutMs);
    void CheckpointIfDue();
    static int OnWalCommit(void* self, sqlite3*, const char*, int frames);

    sqlite3* m_db = nullptr;
    // Reads and row writes stay prepared: a loop of thousands of rows prepares each statement once.
    std::unique_ptr<StatementCache> m_statements;
    int m_walFrames = 0;
    // The session has marked the file: its close brings a fresh mark in.
    bool m_marked = false;
    // The last checkpoint did not empty the journal, which still waits for a fresh mark; when it
    // copied all of the journal, the next write may begin a new journal by itself, so the
    // checkpoint is tried again before every statement, else now and then.
    bool m_markPending = false;
    bool m_allCopied = false;
    qint64 m_lastTryMs = 0;
    bool m_checkpointing = false;
    QString m_path;
    FileCheck m_fileCheck;
};

// The steps of beginning a journal with a fresh mark, reported to an observer (tests end the
// process at each step to see what the next start makes of the files, or hold a read there).
enum class MarkStep { kJournalEmptied, kMarkInJournal, kMarkInFile, kJournalBegun };
using MarkStepObserver = void (*)(MarkStep);
void SetMarkStepObserver(MarkStepObserver observer);

// A value as a connection string carries it: unchanged when it holds no ';', quote or
// surrounding blank, else in double quotes with each double quote doubled.
QString QuoteConnectionValue(const QString& value);

// The suffixes of the files SQLite keeps beside a database while it is in use.
inline constexpr const char* kJournalSuffixes[] = {"-wal", "-shm", "-journal"};

// Removes the journal files of `databasePath`: before a database file is created or copied
// there, since a journal left from the file that was there before belongs to another database.
// True when none is left.
bool RemoveJournalFiles(const QString& databasePath);

} // namespace db
