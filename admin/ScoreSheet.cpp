#include "admin/ScoreSheet.h"

#include "data/NumberFormat.h"
#include "data/TextCipher.h"
#include "data/TotalsState.h"
#include "platform/db/Transaction.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

#include <QRegularExpression>

#include <algorithm>

namespace scoresheet {

namespace {

constexpr int IDS_OUT_OF_RANGE = 57683; // 对不起，您输入的数据越界！

// Full-width digits and point, as a Chinese input method gives them, read as the plain ones.
QString PlainDigits(const QString& text) {
    QString plain = text;
    for (QChar& c : plain) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(char16_t(u'0' + (u - 0xFF10)));
        else if (u == 0xFF0E)
            c = QChar(u'.');
    }
    return plain;
}

std::optional<int> OptionalInt(const db::Variant& v) {
    return v.IsNull() ? std::nullopt : std::optional<int>(v.ToInt());
}

std::optional<double> OptionalDouble(const db::Variant& v) {
    return v.IsNull() ? std::nullopt : std::optional<double>(v.ToDouble());
}

db::Variant OrNull(std::optional<double> v) {
    return v ? db::Variant(*v) : db::Variant();
}

// A score column name as it goes into a statement: only "sNN" passes.
const QString& Checked(const QString& field) {
    if (!IsScoreColumn(field))
        throw db::DbError(db::DbError::kNoSuchField, QStringLiteral("not a score column: %1").arg(field));
    return field;
}

// One changed row or a failure: the key names a row that is gone, or (never by rowid) several.
void ExpectOneRow(const db::Recordset& rs, long long key) {
    if (rs.RowsAffected() != 1)
        throw db::DbError(db::DbError::kNoCurrentRecord,
                          QStringLiteral("score row %1: %2 rows changed").arg(key).arg(rs.RowsAffected()));
}

// Whether score row `row` of the exam still holds the student it was listed with. As a write (of
// nothing new) it takes the database's write lock first, so the row and the papers read after it
// stay as they are until the transaction ends.
bool LockRow(db::Connection& connection, const RowRef& row, int examId) {
    return connection
               .Execute(QStringLiteral("UPDATE tavrinKSK SET studentid=studentid "
                                       "WHERE rowid=? AND id=? AND coalesce(studentid, '')=?"),
                        row.key, examId, row.studentId)
               .RowsAffected() == 1;
}

} // namespace

bool IsScoreColumn(const QString& field) {
    static const QRegularExpression scoreColumn(QStringLiteral("^[sS][0-9]{2}$"));
    return scoreColumn.match(field).hasMatch();
}

// ---- typed marks

MarkCheck CheckMark(const QString& typed, int fullMark) {
    const QString text = PlainDigits(typed).trimmed();
    if (text.isEmpty())
        return {MarkVerdict::Empty, 0};
    static const QRegularExpression form(QStringLiteral("^(?:[0-9]+(?:\\.[0-9]{0,2})?|\\.[0-9]{1,2})$"));
    if (!form.match(text).hasMatch())
        return {MarkVerdict::NotAMark, 0};
    const double value = text.toDouble();
    return {value > fullMark ? MarkVerdict::AboveFullMark : MarkVerdict::Mark, value};
}

QString RefusalMessage(const MarkCheck& check, int fullMark) {
    if (check.verdict == MarkVerdict::AboveFullMark)
        return res::LoadString(IDS_OUT_OF_RANGE) + QStringLiteral("\n本卷满分为%1分。").arg(fullMark);
    return QStringLiteral("对不起，成绩必须是0到%1之间的数，最多两位小数！").arg(fullMark);
}

QString MarkText(double value) {
    return data::Format62(value);
}

bool BelowPass(double value, double fullMark) {
    return value < 0.6 * fullMark;
}

std::optional<int> CheckClass(const QString& typed) {
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,2}$"));
    const QString text = typed.trimmed();
    if (!form.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

// ---- the exam's papers

std::optional<double> Papers::Total(std::optional<double> p1, std::optional<double> p2) const {
    if (!p1 && !p2)
        return std::nullopt;
    const float sum = static_cast<float>(p1.value_or(0)) * t1w + static_cast<float>(p2.value_or(0)) * t2w;
    return data::RoundTo2(sum);
}

std::optional<Papers> LoadPapers(db::Connection& connection, int examId, const QString& field) {
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT t1, t2, t1w, t2w FROM tavrinKMWGT WHERE id=? AND kmfld=?"), examId, field);
    if (rs.IsEOF())
        return std::nullopt;
    Papers p;
    p.t1 = rs.Field(0).ToInt();
    p.t2 = rs.Field(1).ToInt();
    p.t1w = static_cast<float>(rs.Field(2).ToDouble());
    p.t2w = static_cast<float>(rs.Field(3).ToDouble());
    return p;
}

// ---- what score entry lists

std::vector<SubjectEntry> Subjects(db::Connection& connection, CTextCipher& cipher) {
    std::vector<SubjectEntry> subjects;
    try {
        const QString key = data::DescriptionKey();
        for (db::Recordset rs =
                 connection.Execute(QStringLiteral("SELECT id, mydesc FROM tavrinKMK ORDER BY id"));
             !rs.IsEOF(); rs.MoveNext())
            if (!rs.Field(1).IsNull())
                subjects.push_back({rs.Field(0).ToInt(), cipher.DecodeText(key, rs.Field(1).ToString())});
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: subject list cut short:" << e.Message();
    }
    return subjects;
}

QString SubjectField(db::Connection& connection, int subjectId) {
    db::Recordset rs =
        connection.Execute(QStringLiteral("SELECT fldname FROM tavrinKMK WHERE id=?"), subjectId);
    const QString field = rs.IsEOF() ? QString() : rs.Field(0).ToString();
    return IsScoreColumn(field) ? field : QString();
}

bool IsEditable(db::Connection& connection, int examId) {
    db::Recordset rs = connection.Execute(QStringLiteral("SELECT yjcd FROM tavrinKSLB WHERE id=?"), examId);
    return rs.IsEOF() || rs.Field(0).IsNull() || rs.Field(0).ToString().startsWith(u'N');
}

bool IsPrepared(db::Connection& connection, int examId) {
    return !connection.Execute(QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? LIMIT 1"), examId).IsEOF();
}

bool HasExamNumbers(db::Connection& connection, int examId) {
    return !connection
                .Execute(QStringLiteral(
                             "SELECT 1 FROM tavrinKSK WHERE id=? AND coalesce(trim(kh), '')<>'' LIMIT 1"),
                         examId)
                .IsEOF();
}

QString NoRoomsMessage() {
    return QStringLiteral("本次考试的登分表中还没有考场号，不能按考场录入成绩。\n"
                          "请先运行“考前准备→考室安排”安排考场，再在“成绩录入→准备考试登分表”中"
                          "重新点击“载入数据”！");
}

void LoadEntryRows(db::Connection& connection, int examId, const QString& field, int mode, int classOrRoom,
                   std::vector<EntryRow>& rows) {
    const QString select =
        QStringLiteral("SELECT rowid, studentid, name, class, cid, kh, worl, %1, %1%2, %1%3 FROM tavrinKSK "
                       "WHERE id=? ")
            .arg(Checked(field), QStringLiteral("1"), QStringLiteral("2"));
    db::Recordset rs;
    if (mode == kByRoom) {
        rs = connection.Execute(select + QStringLiteral("AND kh LIKE ? ORDER BY worl, kh, studentid"), examId,
                                QString::asprintf("%02d%%", EntryRoom(classOrRoom)));
    } else if (classOrRoom != 0) {
        rs = connection.Execute(select + QStringLiteral("AND class=? ORDER BY studentid"), examId,
                                classOrRoom);
    } else {
        rs = connection.Execute(select + QStringLiteral("ORDER BY studentid"), examId);
    }
    for (; !rs.IsEOF(); rs.MoveNext()) {
        EntryRow row;
        row.key = rs.Field(0).ToInt64();
        row.studentId = rs.Field(1).ToString();
        row.name = rs.Field(2).ToString();
        row.cls = OptionalInt(rs.Field(3));
        row.cid = OptionalInt(rs.Field(4));
        row.kh = rs.Field(5).ToString();
        row.worl = rs.Field(6).ToString();
        row.total = OptionalDouble(rs.Field(7));
        row.p1 = OptionalDouble(rs.Field(8));
        row.p2 = OptionalDouble(rs.Field(9));
        rows.push_back(std::move(row));
    }
}

// ---- entry by room

namespace {

// The roster row that holds the saved seating of score row tavrinKSK, as `expr` of it (alias n);
// takes the grade code. Inactive students are looked at too: their exam number was taken from them.
QString SavedSeat(const QString& expr) {
    return QStringLiteral("(SELECT %1 FROM tavrinName n WHERE n.studentid=tavrinKSK.studentid AND n.grade=? "
                          "ORDER BY ((n.active IS NULL OR n.active='是') AND coalesce(n.class, 0)>0) DESC, "
                          "n.rowid LIMIT 1)")
        .arg(expr);
}

QString Room2(int room) {
    return QString::asprintf("%02d", room);
}

} // namespace

QString CarriesMark(db::Connection& connection) {
    static const QRegularExpression markColumn(QStringLiteral("^(s[0-9]{2}[12]?|sum[123])$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const db::Recordset columns = connection.Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
    QStringList marks;
    for (int i = 0; i < columns.FieldCount(); ++i)
        if (markColumn.match(columns.FieldName(i)).hasMatch())
            marks << QStringLiteral("tavrinKSK.%1 IS NOT NULL").arg(columns.FieldName(i));
    return marks.isEmpty() ? QStringLiteral("0") : u'(' + marks.join(QStringLiteral(" OR ")) + u')';
}

bool HasMarks(db::Connection& connection, int examId) {
    return !connection
                .Execute(QStringLiteral("SELECT 1 FROM tavrinKSK WHERE id=? AND %1 LIMIT 1")
                             .arg(CarriesMark(connection)),
                         examId)
                .IsEOF();
}

std::vector<SeatingChange> ChangedSeats(db::Connection& connection, int examId, const QString& gradeCode,
                                        std::optional<int> room) {
    QString sql =
        QStringLiteral("SELECT rowkey, studentid, name, kh, saved FROM (SELECT rowid AS rowkey, studentid, "
                       "name, coalesce(trim(kh), '') AS kh, %1 AS saved FROM tavrinKSK WHERE id=?) "
                       "WHERE saved IS NOT NULL AND kh<>saved")
            .arg(SavedSeat(QStringLiteral("coalesce(trim(n.kh), '')")));
    std::vector<db::Variant> params{db::Variant(gradeCode), db::Variant(examId)};
    if (room) {
        sql += QStringLiteral(" AND (kh LIKE ? OR saved LIKE ?)");
        const QString prefix = Room2(*room) + u'%';
        params.emplace_back(prefix);
        params.emplace_back(prefix);
    }
    sql += QStringLiteral(" ORDER BY kh, studentid");
    std::vector<SeatingChange> changes;
    for (db::Recordset rs = connection.Execute(sql, params); !rs.IsEOF(); rs.MoveNext())
        changes.push_back({rs.Field(0).ToInt64(), rs.Field(1).ToString(), rs.Field(2).ToString(),
                           rs.Field(3).ToString(), rs.Field(4).ToString()});
    return changes;
}

long long BringSavedSeating(db::Connection& connection, int examId, const QString& gradeCode) {
    db::Transaction transaction(connection);
    const long long changed =
        connection
            .Execute(QStringLiteral(
                         "UPDATE tavrinKSK SET kh=%1 WHERE id=? AND NOT %2 AND coalesce(trim(kh), '')<>%3")
                         .arg(SavedSeat(QStringLiteral("n.kh")), CarriesMark(connection),
                              SavedSeat(QStringLiteral("coalesce(trim(n.kh), '')"))),
                     gradeCode, examId, gradeCode)
            .RowsAffected();
    transaction.Commit();
    return changed;
}

QString ChangedSeatsQuestion(int room, std::size_t inRoom, std::size_t inExam) {
    return QStringLiteral("考室%1有%2名考生在登分表中的考号与已存盘的考场安排不同（全部考室共%3名），"
                          "按登分表中的考号录入会把成绩记到别的学生名下。\n"
                          "是否把已存盘的考场安排载入登分表？")
        .arg(Room2(room))
        .arg(inRoom)
        .arg(inExam);
}

QString SatSeatingMessage(int room, std::size_t inRoom) {
    return QStringLiteral("本次考试已有成绩：考室%1按考试时登分表中的考号列出，其中%2名考生的考号与现在存盘的"
                          "考场安排不同。")
        .arg(Room2(room))
        .arg(inRoom);
}

QString EmptyRoomMessage(int room) {
    return QStringLiteral("考室%1没有考生。").arg(Room2(room));
}

std::vector<SharedNumber> SharedNumbers(const std::vector<EntryRow>& rows) {
    std::vector<SharedNumber> groups;
    for (const EntryRow& row : rows) {
        const QString number = row.kh.trimmed();
        if (number.isEmpty())
            continue;
        const QString student = QStringLiteral("%1（学号%2）").arg(row.name, row.studentId);
        const auto same = [&](const SharedNumber& g) {
            return g.examNumber == number && g.stream == row.worl;
        };
        const auto it = std::find_if(groups.begin(), groups.end(), same);
        if (it == groups.end())
            groups.push_back({number, row.worl, {student}});
        else
            it->students << student;
    }
    groups.erase(std::remove_if(groups.begin(), groups.end(),
                                [](const SharedNumber& g) { return g.students.size() < 2; }),
                 groups.end());
    return groups;
}

QString SharedNumbersMessage(int room, const std::vector<SharedNumber>& shared) {
    QStringList lines;
    lines << QStringLiteral(
                 "考室%1中有考号属于不止一名考生，按考号录入会把成绩记到别的学生名下，不能按考场录入：")
                 .arg(Room2(room));
    for (const SharedNumber& g : shared) {
        const QString stream = g.stream.isEmpty() ? QString() : QStringLiteral("（%1科）").arg(g.stream);
        QString students = g.students.mid(0, g.students.size() - 1).join(QStringLiteral("、"));
        students += QStringLiteral("和") + g.students.last();
        lines << QStringLiteral("考号%1%2：%3").arg(g.examNumber, stream, students);
    }
    lines << QStringLiteral("请在“考前准备→考室安排”中重新安排考场并存盘，再在“成绩录入→准备考试登分表”中"
                            "重新点击“载入数据”！");
    return lines.join(u'\n');
}

// ---- writes

void WriteMarks(db::Connection& connection, long long key, int examId, const QString& field,
                std::optional<double> p1, std::optional<double> p2, std::optional<double> total) {
    const QString sql = QStringLiteral("UPDATE tavrinKSK SET %1=?, %2=?, %3=? WHERE rowid=? AND id=?")
                            .arg(Checked(field) + u'1', field + u'2', field);
    db::Transaction transaction(connection);
    ExpectOneRow(connection.Execute(sql, OrNull(p1), OrNull(p2), OrNull(total), key, examId), key);
    data::MarkTotalsStale(connection, examId, field.mid(1).toInt());
    transaction.Commit();
}

bool HasScoreColumns(db::Connection& connection, const QString& field) {
    if (!IsScoreColumn(field))
        return false;
    const db::Recordset columns = connection.Execute(QStringLiteral("SELECT * FROM tavrinKSK LIMIT 0"));
    return columns.FieldIndex(field) >= 0 && columns.FieldIndex(field + u'1') >= 0 &&
           columns.FieldIndex(field + u'2') >= 0;
}

long long RederiveScores(db::Connection& connection, int examId, const QString& field, const Papers& papers) {
    const QString& column = Checked(field);
    const QString update = QStringLiteral("UPDATE tavrinKSK SET %1=? WHERE rowid=?").arg(column);
    long long changed = 0;
    for (db::Recordset rs =
             connection.Execute(QStringLiteral("SELECT rowid, %1, %1%2, %1%3 FROM tavrinKSK WHERE id=?")
                                    .arg(column, QStringLiteral("1"), QStringLiteral("2")),
                                examId);
         !rs.IsEOF(); rs.MoveNext()) {
        const std::optional<double> total = papers.Total(OptionalDouble(rs.Field(2)), OptionalDouble(rs.Field(3)));
        if (total == OptionalDouble(rs.Field(1)))
            continue;
        connection.Execute(update, OrNull(total), rs.Field(0));
        ++changed;
    }
    return changed;
}

QString RowChangedMessage() {
    return QStringLiteral("该学生的记录已被另一个窗口修改或删除，请重新列出。");
}

PaperWrite WritePaper(db::Connection& connection, const RowRef& row, int examId, const QString& field,
                      int paper, const QString& typed) {
    const QString& column = Checked(field);
    PaperWrite result;
    db::Transaction transaction(connection);
    // The first statement takes the write lock: nothing read below can change before the commit.
    if (!LockRow(connection, row, examId)) {
        result.outcome = WriteOutcome::RowChanged;
        return result;
    }
    const std::optional<Papers> papers = LoadPapers(connection, examId, column);
    if (!papers) {
        result.outcome = WriteOutcome::NoPapers;
        return result;
    }
    result.papers = *papers;
    result.check = CheckMark(typed, paper == 1 ? papers->t1 : papers->t2);
    if (!result.check.Accepted()) {
        result.outcome = WriteOutcome::Refused;
        return result;
    }
    connection.Execute(
        QStringLiteral("UPDATE tavrinKSK SET %1=? WHERE rowid=?").arg(column + (paper == 1 ? u'1' : u'2')),
        OrNull(result.check.Value()), row.key);
    db::Recordset stored = connection.Execute(QStringLiteral("SELECT %1%2, %1%3 FROM tavrinKSK WHERE rowid=?")
                                                  .arg(column, QStringLiteral("1"), QStringLiteral("2")),
                                              row.key);
    result.p1 = OptionalDouble(stored.Field(0));
    result.p2 = OptionalDouble(stored.Field(1));
    result.total = papers->Total(result.p1, result.p2);
    connection.Execute(QStringLiteral("UPDATE tavrinKSK SET %1=? WHERE rowid=?").arg(column),
                       OrNull(result.total), row.key);
    data::MarkTotalsStale(connection, examId, column.mid(1).toInt());
    transaction.Commit();
    return result;
}

WriteOutcome WriteClass(db::Connection& connection, const RowRef& row, int examId, int cls) {
    db::Recordset rs = connection.Execute(
        QStringLiteral("UPDATE tavrinKSK SET class=? WHERE rowid=? AND id=? AND coalesce(studentid, '')=?"),
        cls, row.key, examId, row.studentId);
    return rs.RowsAffected() == 1 ? WriteOutcome::Written : WriteOutcome::RowChanged;
}

} // namespace scoresheet
