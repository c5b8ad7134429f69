#pragma once
// Score entry's work apart from its widgets: what a typed mark may be, the exam's paper full marks
// and weights, the weighted total, the rows listed for a class or an exam room, and the writes,
// each made by the score row's own key (its rowid, read when the rows were listed) together with
// the student number the grid shows. Routines that read or write throw db::DbError unless they say
// otherwise.

#include "platform/db/Connection.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CTextCipher;

namespace scoresheet {

// ---- typed marks

enum class MarkVerdict {
    Empty,         // no mark: the paper is absent (NULL)
    Mark,          // a mark within the paper's full mark
    NotAMark,      // not a non-negative decimal number with at most two decimals
    AboveFullMark, // a number above the paper's full mark
};

struct MarkCheck {
    MarkVerdict verdict = MarkVerdict::Empty;
    double value = 0; // the number typed (Mark, AboveFullMark)

    bool Accepted() const { return verdict == MarkVerdict::Empty || verdict == MarkVerdict::Mark; }
    // The mark to store; nothing for an empty paper.
    std::optional<double> Value() const {
        return verdict == MarkVerdict::Mark ? std::optional<double>(value) : std::nullopt;
    }
};

// A typed paper mark. Blanks around it are dropped and full-width digits and points read as their
// plain forms; an empty text is an absent paper. Anything else must be a non-negative decimal
// number with at most two decimals ("85", "85.5", "0.25", ".5") no greater than `fullMark`: a
// slip such as "abc", "-5", "1.2.3" or "93.5088" is refused rather than stored as some number.
MarkCheck CheckMark(const QString& typed, int fullMark);
// What the user is told of a refused mark: the range for a text that is no mark, the limit for a
// number above it.
QString RefusalMessage(const MarkCheck& check, int fullMark);

// A mark or total as the grid shows it, "%6.2f" by the one two-decimal rule (data/NumberFormat.h).
QString MarkText(double value);
// Whether a mark lies below 60 % of its full mark (shown red; exactly 60 % is a pass).
bool BelowPass(double value, double fullMark);

// A class typed into the class column: one or two digits.
std::optional<int> CheckClass(const QString& typed);

// Whether the text names a score column ("s03"): only such a name is formatted into a statement.
bool IsScoreColumn(const QString& field);

// ---- the exam's papers

// A subject's two papers in one exam: full marks t1, t2 and weights t1w, t2w.
struct Papers {
    int t1 = 0;
    int t2 = 0;
    float t1w = 0;
    float t2w = 0;

    // The subject's full mark, t1·t1w + t2·t2w.
    double FullMark() const { return t1 * double(t1w) + t2 * double(t2w); }
    // The weighted total x·t1w + y·t2w (in single precision, as the column has always held it),
    // at the two decimals it is shown with (data::RoundTo2, the rule of MarkText); an absent paper
    // counts 0, two absent papers give none.
    std::optional<double> Total(std::optional<double> p1, std::optional<double> p2) const;
};

// The subject's papers in the exam; nothing when the exam has no weights row for the subject.
// Full marks are read as plain integers.
std::optional<Papers> LoadPapers(db::Connection& connection, int examId, const QString& field);

// ---- what score entry lists

struct SubjectEntry {
    int id = 0; // the subject's number
    QString name;
};
// The subjects with their deciphered names in subject order (subjects without a name are left
// out). A database failure ends the list with the subjects read so far and is logged.
std::vector<SubjectEntry> Subjects(db::Connection& connection, CTextCipher& cipher);
// The score column ("s03") of subject `subjectId`; empty when there is no such subject or its
// column is not a score column, so that only a checked name ever reaches a statement.
QString SubjectField(db::Connection& connection, int subjectId);
// Whether the exam's marks may be edited: its lock flag yjcd is NULL or begins with "N".
bool IsEditable(db::Connection& connection, int examId);
// Whether the exam has any score row, that is whether its score sheet was prepared.
bool IsPrepared(db::Connection& connection, int examId);

// Whether any score row of the exam has an exam number, that is whether entry by room lists anyone.
bool HasExamNumbers(db::Connection& connection, int examId);
// What entry by room says when no row has one: arrange the rooms, then load the sheet again.
QString NoRoomsMessage();

enum EntryMode { kByClass = 0, kByRoom = 1, kByName = 2 };

struct EntryRow {
    long long key = 0; // rowid of the score row: the row every write goes to
    QString studentId;
    QString name;
    std::optional<int> cls;
    std::optional<int> cid; // the student's number in the roster
    QString kh;             // exam number
    QString worl;           // arts or science
    std::optional<double> total, p1, p2;
};

// The exam's score rows with the subject's total and papers: by exam room (exam numbers beginning
// with the two-digit room, room 0 meaning room 1; arts and science apart, then by exam number), or
// by class (0: the whole exam) in student-number order. Rows read before a failure stay in `rows`.
void LoadEntryRows(db::Connection& connection, int examId, const QString& field, int mode, int classOrRoom,
                   std::vector<EntryRow>& rows);

// ---- entry by room

// The room entry by room lists: room 0 is room 1.
inline int EntryRoom(int room) {
    return room == 0 ? 1 : room;
}

// Whether score row tavrinKSK carries a mark, as an SQL condition: a paper, a subject score (of a
// deleted subject too) or a total. A row with one is the record of an exam that was sat; "0" when
// the table has no such column.
QString CarriesMark(db::Connection& connection);
// Whether any score row of the exam carries a mark: the exam was sat.
bool HasMarks(db::Connection& connection, int examId);

// A score row whose exam number differs from the one the roster holds for its student now.
struct SeatingChange {
    long long key = 0; // rowid of the score row
    QString studentId;
    QString name;
    QString sheetNumber; // the exam number on the score sheet, trimmed ("" for none)
    QString savedNumber; // the one the roster holds, trimmed ("" for none)
};

// The score rows of the exam of grade `gradeCode` in room `room` (the sheet's or the roster's exam
// number begins with its two digits; every room when none is given) whose exam number differs from
// the roster's, by sheet number and student number. A row's roster row is the grade's row of its
// student number, an active one with a class before any other, the first of those in the roster; a
// row without one has no saved seating and is left out.
std::vector<SeatingChange> ChangedSeats(db::Connection& connection, int examId, const QString& gradeCode,
                                        std::optional<int> room = std::nullopt);
// Brings the roster's exam numbers onto every score row of the exam that differs from them and
// holds no mark, as 载入数据 does, in one transaction; answers how many rows changed.
long long BringSavedSeating(db::Connection& connection, int examId, const QString& gradeCode);

// What entry by room says of a room whose exam numbers differ from the saved seating: for an exam
// without marks the question whether to bring the seating over (`inExam` rows of the whole exam
// differ), for a sat exam that the room is listed as it was sat.
QString ChangedSeatsQuestion(int room, std::size_t inRoom, std::size_t inExam);
QString SatSeatingMessage(int room, std::size_t inRoom);
// 考室10没有考生。
QString EmptyRoomMessage(int room);

// The exam numbers that several listed rows share within one stream, each with its rows' student
// numbers and names ("张三（学号1200801）"), in the order of the rows.
struct SharedNumber {
    QString examNumber;
    QString stream;
    QStringList students;
};
std::vector<SharedNumber> SharedNumbers(const std::vector<EntryRow>& rows);
// What entry by room says instead of listing a room in which one exam number names several students.
QString SharedNumbersMessage(int room, const std::vector<SharedNumber>& shared);

// ---- writes

// Whether the score table holds the subject's score and paper columns ("s03", "s031", "s032").
bool HasScoreColumns(db::Connection& connection, const QString& field);
// Makes the subject score of every score row of the exam again from its stored papers by
// `papers` (Papers::Total), writing only the rows whose score changes; how many did. In the
// caller's transaction.
long long RederiveScores(db::Connection& connection, int examId, const QString& field, const Papers& papers);

// The score row a grid row shows: its rowid and the student number read with it. A write finds
// its row by both, so a row that another window deleted, renumbered or filled with another student
// (rowids are reused) is never written.
struct RowRef {
    long long key = 0;
    QString studentId;
};

enum class WriteOutcome {
    Written,
    RowChanged, // the row no longer holds that student: nothing written
    NoPapers,   // the exam has no weights row for the subject any more: nothing written
    Refused,    // the typed text is no mark, or above the paper's full mark as stored: nothing written
};

// What the user is told when the row no longer holds the student the grid shows.
QString RowChangedMessage();

struct PaperWrite {
    WriteOutcome outcome = WriteOutcome::Written;
    Papers papers;   // the subject's papers as stored when written (Written, Refused)
    MarkCheck check; // the typed text against the paper's stored full mark (Written, Refused)
    // The row's papers and total as stored after the write (Written).
    std::optional<double> p1, p2, total;
};

// Stores paper `paper` (1 or 2) of the subject, as typed, in the score row, and the subject's
// total made from the row's papers and the weights as they are stored at that moment: a paper,
// weight or full mark another window wrote since the grid was loaded is kept and counted, never
// written back from the grid. The mark is checked against the full mark as stored. One
// transaction with the record that the exam's totals are out of date.
PaperWrite WritePaper(db::Connection& connection, const RowRef& row, int examId, const QString& field,
                      int paper, const QString& typed);
// Stores the class of the score row; Written or RowChanged.
WriteOutcome WriteClass(db::Connection& connection, const RowRef& row, int examId, int cls);

// Stores both papers and the given total of score row `key` of the exam. Anything but exactly one
// changed row (the row is gone) throws. The exam's valid totals are recorded out of date with the
// marks, in one transaction. Score entry writes through WritePaper.
void WriteMarks(db::Connection& connection, long long key, int examId, const QString& field,
                std::optional<double> p1, std::optional<double> p2, std::optional<double> total);

} // namespace scoresheet
