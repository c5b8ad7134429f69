#pragma once
// Whether a write-ahead journal left beside a database file belongs to that file, judged from the
// bytes of the two files alone.
//
// Every connection that opens a file marks it with a fresh mark (the header's user_version) and
// moves that mark into the file itself before its first write, so that its journal begins with
// the mark's page-1 frame; after each checkpoint that empties the journal it does the same with
// another fresh mark. A journal then belongs to the file beside it exactly when the file carries
// the mark the journal begins with: the file's first page is either as it was when the journal
// began, or the journal's own copy of it put there by a checkpoint, and both carry the journal's
// mark. A copy of the file taken earlier (a backup, a copy made while the program ran, in an
// earlier journal's time) carries an earlier mark.

#include <QString>

#include <cstdint>

namespace db {

enum class JournalOwner {
    // No journal, or none SQLite would read (no valid header, no committed frame): nothing to decide.
    kNone,
    // The journal begins with the file's own session mark: it is the file's and must be applied.
    kOwn,
    // The journal begins with a frame that is not a session mark (written by a program that does not
    // mark its sessions): nothing tells it apart, and it is applied, as SQLite itself does.
    kUnmarked,
    // The journal holds nothing but a session mark that the file does not carry (the session ended
    // while moving its mark in): it holds no data of anyone's and is dropped.
    kMarkOnly,
    // The journal begins with another file's session mark and holds that session's work: the file has
    // been replaced since, and the journal must never meet it.
    kForeign,
};

JournalOwner InspectWriteAheadJournal(const QString& databasePath);

// The mark's place in the database header (user_version, four bytes big-endian).
inline constexpr int kSessionMarkOffset = 60;

} // namespace db
