#pragma once
// Whether a write-ahead journal left beside a database file belongs to that file, judged from the
// bytes of the two files alone.
//
// Every journal a connection begins starts with a frame of the database's first page carrying the
// session mark (the header's user_version) that the file itself carries at that moment, and a fresh
// mark (never used before) goes into the file with every checkpoint that empties a journal and
// with the close: a copy of the file taken earlier (a backup, a copy made while the program ran, in
// an earlier journal's time) carries an earlier mark. Within a journal the marks its first-page
// frames carry are that starting mark and the fresh ones written since, which only that journal
// can have brought into the file. A journal therefore belongs to the file beside it exactly when
// the file carries one of the marks of its committed first-page frames: the file is then as it was
// when the journal began, or that plus part of the journal copied in, and applying the whole
// journal gives the session's work.

#include <QString>

#include <cstdint>

namespace db {

enum class JournalOwner {
    // No journal, or none SQLite would read (no valid header, no committed frame): nothing to decide.
    kNone,
    // The journal carries the file's own session mark: it is the file's and must be applied.
    kOwn,
    // The journal begins with a frame that is not a session mark (written by a program that does not
    // mark its sessions): nothing tells it apart, and it is applied, as SQLite itself does.
    kUnmarked,
    // The journal holds nothing but a session mark that the file does not carry (the session ended
    // while moving its mark in): it holds no data of anyone's and is dropped.
    kMarkOnly,
    // The journal carries none of the file's marks and holds a session's work: the file has been
    // replaced since, and the journal must never meet it.
    kForeign,
};

// The file is read through `databaseFd` when one is given (a descriptor already open on it), so
// that no other descriptor of the file is opened and closed.
JournalOwner InspectWriteAheadJournal(const QString& databasePath, int databaseFd = -1);

// The mark's place in the database header (user_version, four bytes big-endian).
inline constexpr int kSessionMarkOffset = 60;

} // namespace db
