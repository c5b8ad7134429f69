#include "data/TotalsState.h"

#include "data/Schema.h"

#include <QSet>
#include <QStringList>

namespace data {
namespace {

bool HasStateTable(db::Connection& connection) {
    return HasTable(connection, QStringLiteral("tavrinSumState"));
}

bool HasSubjectsTable(db::Connection& connection) {
    return HasTable(connection, QStringLiteral("tavrinSumKM"));
}

void AddSubjectsTable(db::Connection& connection) {
    connection.Execute(
        QStringLiteral("CREATE TABLE IF NOT EXISTS tavrinSumKM (id INTEGER NOT NULL, "
                       "sumno INTEGER NOT NULL, kmnos TEXT NOT NULL, PRIMARY KEY (id, sumno))"));
}

// The subject numbers as the table holds them: "1,3,5"; "" for none.
QString SubjectsText(const std::vector<int>& subjects) {
    QStringList numbers;
    for (const int no : subjects)
        numbers << QString::number(no);
    return numbers.join(u',');
}

// The numbers of a stored text, checked as any input is: each a subject the file has (subject n
// is the n-th row of tavrinKMK, its score column "s%02d" of n, so 1 to 99) with its score column,
// and each once. Nothing when the text is not such a list: a damaged or hand-edited record names
// no subjects the total can be recomputed from.
std::optional<std::vector<int>> SubjectsOfText(db::Connection& connection, const QString& text) {
    std::vector<int> subjects;
    if (text.trimmed().isEmpty())
        return subjects;
    const int known = connection.Execute(QStringLiteral("SELECT count(*) FROM tavrinKMK")).Field(0).ToInt();
    const db::Recordset columns = connection.Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
    QSet<int> seen;
    for (const QString& part : text.split(u',')) {
        bool ok = false;
        const int no = part.trimmed().toInt(&ok);
        if (!ok || no < 1 || no > 99 || no > known || seen.contains(no) ||
            columns.FieldIndex(SubjectField(no)) < 0)
            return std::nullopt;
        seen.insert(no);
        subjects.push_back(no);
    }
    return subjects;
}

// The numbers of a stored text as written, without looking at the file: nothing when a part is
// no number.
std::optional<QSet<int>> NumbersOfText(const QString& text) {
    QSet<int> numbers;
    if (text.trimmed().isEmpty())
        return numbers;
    for (const QString& part : text.split(u',')) {
        bool ok = false;
        const int no = part.trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
        numbers.insert(no);
    }
    return numbers;
}

} // namespace

void AddTotalsStateTable(db::Connection& connection) {
    connection.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS tavrinSumState (id INTEGER NOT NULL, "
                                      "sumno INTEGER NOT NULL, PRIMARY KEY (id, sumno))"));
    AddSubjectsTable(connection);
}

void MarkTotalsStale(db::Connection& connection, int examId) {
    // A file opened without its upgrade gets the table with its first mark. The table is looked
    // for first: a CREATE, even one that creates nothing, lets the connection forget its prepared
    // statements, and marks are written one at a time while a teacher types.
    if (!HasStateTable(connection))
        AddTotalsStateTable(connection);
    connection.Execute(
        QStringLiteral("INSERT OR IGNORE INTO tavrinSumState (id, sumno) VALUES (?, 1), (?, 2), (?, 3)"),
        examId, examId, examId);
}

void MarkTotalsStale(db::Connection& connection, int examId, int subjectNo) {
    if (!HasStateTable(connection))
        AddTotalsStateTable(connection);
    // The list is read as stored: a total whose list names the subject, or cannot be read, is
    // marked; whether its subjects still exist is for the recompute to find out.
    QSet<int> untouched;
    if (HasSubjectsTable(connection))
        for (db::Recordset rs = connection.Execute(
                 QStringLiteral("SELECT sumno, kmnos FROM tavrinSumKM WHERE id=?"), examId);
             !rs.IsEOF(); rs.MoveNext()) {
            if (rs.Field(1).IsNull())
                continue;
            const std::optional<QSet<int>> numbers = NumbersOfText(rs.Field(1).ToString());
            if (numbers && !numbers->contains(subjectNo))
                untouched.insert(rs.Field(0).ToInt());
        }
    for (int sumNo = 1; sumNo <= 3; ++sumNo)
        if (!untouched.contains(sumNo))
            connection.Execute(
                QStringLiteral("INSERT OR IGNORE INTO tavrinSumState (id, sumno) VALUES (?, ?)"), examId,
                sumNo);
}

void MarkTotalsComputed(db::Connection& connection, int examId, int sumNo) {
    if (HasStateTable(connection))
        connection.Execute(QStringLiteral("DELETE FROM tavrinSumState WHERE id=? AND sumno=?"), examId,
                           sumNo);
}

void RecordTotalSubjects(db::Connection& connection, int examId, int sumNo,
                         const std::vector<int>& subjects) {
    // Totals are computed as a whole job, not mark by mark: creating the table here costs nothing.
    if (!HasSubjectsTable(connection))
        AddSubjectsTable(connection);
    connection.Execute(
        QStringLiteral("INSERT OR REPLACE INTO tavrinSumKM (id, sumno, kmnos) VALUES (?, ?, ?)"), examId,
        sumNo, SubjectsText(subjects));
}

std::optional<std::vector<int>> TotalSubjects(db::Connection& connection, int examId, int sumNo) {
    if (!HasSubjectsTable(connection))
        return std::nullopt;
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT kmnos FROM tavrinSumKM WHERE id=? AND sumno=?"), examId, sumNo);
    if (rs.IsEOF() || rs.Field(0).IsNull())
        return std::nullopt;
    return SubjectsOfText(connection, rs.Field(0).ToString());
}

void ForgetTotalsState(db::Connection& connection, int examId) {
    if (HasStateTable(connection))
        connection.Execute(QStringLiteral("DELETE FROM tavrinSumState WHERE id=?"), examId);
    if (HasSubjectsTable(connection))
        connection.Execute(QStringLiteral("DELETE FROM tavrinSumKM WHERE id=?"), examId);
}

void TakeSubjectOutOfTotals(db::Connection& connection, int subjectNo) {
    // Every exam first, by the rule of a changed mark of the subject: the lists are still as the
    // totals were computed.
    std::vector<int> exams;
    for (db::Recordset rs = connection.Execute(QStringLiteral("SELECT id FROM tavrinKSLB ORDER BY id"));
         !rs.IsEOF(); rs.MoveNext())
        exams.push_back(rs.Field(0).ToInt());
    for (const int examId : exams)
        MarkTotalsStale(connection, examId, subjectNo);
    if (!HasSubjectsTable(connection))
        return;
    struct Named {
        int examId;
        int sumNo;
        QString rest;
    };
    std::vector<Named> named;
    for (db::Recordset rs = connection.Execute(QStringLiteral("SELECT id, sumno, kmnos FROM tavrinSumKM"));
         !rs.IsEOF(); rs.MoveNext()) {
        const QString text = rs.Field(2).IsNull() ? QString() : rs.Field(2).ToString();
        const std::optional<QSet<int>> numbers = NumbersOfText(text);
        if (!numbers || !numbers->contains(subjectNo))
            continue;
        // The other numbers stay as written, in their order.
        QStringList rest;
        for (const QString& part : text.split(u','))
            if (part.trimmed().toInt() != subjectNo)
                rest << part.trimmed();
        named.push_back({rs.Field(0).ToInt(), rs.Field(1).ToInt(), rest.join(u',')});
    }
    for (const Named& n : named)
        connection.Execute(QStringLiteral("UPDATE tavrinSumKM SET kmnos=? WHERE id=? AND sumno=?"), n.rest,
                           n.examId, n.sumNo);
}

std::vector<int> StaleTotals(db::Connection& connection, int examId) {
    std::vector<int> stale;
    if (!HasStateTable(connection))
        return stale;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral("SELECT sumno FROM tavrinSumState WHERE id=? ORDER BY sumno"), examId);
         !rs.IsEOF(); rs.MoveNext())
        stale.push_back(rs.Field(0).ToInt());
    return stale;
}

} // namespace data
