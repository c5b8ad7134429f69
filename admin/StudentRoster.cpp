#include "admin/StudentRoster.h"

#include "admin/ImportSource.h"
#include "platform/db/Functions.h"
#include "platform/db/Transaction.h"
#include "platform/import/Source.h"
#include "platform/text/Gbk.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <map>
#include <unordered_set>

namespace roster {

namespace {

std::optional<int> OptionalInt(const db::Variant& v) {
    return v.IsNull() ? std::nullopt : std::optional<int>(v.ToInt());
}

QString Text(const db::Variant& v) {
    return v.IsNull() ? QString() : v.ToString();
}

bool AllDigits(const QString& s) {
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// The stored columns of the grid's editable columns; only these reach a statement.
QString ColumnName(int col) {
    switch (col) {
    case kColClass:
        return QStringLiteral("class");
    case kColNo:
        return QStringLiteral("id");
    case kColName:
        return QStringLiteral("name");
    case kColGender:
        return QStringLiteral("gender");
    case kColActive:
        return QStringLiteral("active");
    case kColAb:
        return QStringLiteral("ab");
    case kColType:
        return QStringLiteral("xjtype");
    case kColStream:
        return QStringLiteral("worl");
    default:
        return {};
    }
}

// The listed row, found by its rowid and the 学号 it was listed with (a NULL number lists as "").
const QString kListedRow = QStringLiteral(" WHERE rowid=? AND coalesce(studentid,'')=?");

void ExpectListedRow(const db::Recordset& rs, const RowKey& row) {
    if (rs.RowsAffected() != 1)
        throw RowChanged(row);
}

} // namespace

QString RosterRow::Text(int col) const {
    const auto number = [](std::optional<int> v) { return v ? QString::asprintf("%1d", *v) : QString(); };
    switch (col) {
    case kColStudentId:
        return studentId;
    case kColClass:
        return number(cls);
    case kColNo:
        return number(no);
    case kColName:
        return name;
    case kColGender:
        return gender;
    case kColActive:
        return active;
    case kColAb:
        return ab;
    case kColType:
        return type;
    case kColStream:
        return stream;
    default:
        return {};
    }
}

bool IsSeniorGrade(const QString& gradeCode) {
    return gradeCode.startsWith(u'1');
}

std::vector<RosterRow> ListStudents(db::Connection& connection, const QString& gradeCode, int cls) {
    QString sql = QStringLiteral("SELECT rowid, studentid, class, id, name, gender, active, ab, xjType, worl "
                                 "FROM tavrinName WHERE ") +
                  GradeCondition();
    std::vector<db::Variant> params{db::Variant(static_cast<int>(gradeCode.size())), db::Variant(gradeCode)};
    if (cls > 0) {
        sql += QStringLiteral(" AND class=?");
        params.emplace_back(cls);
    }
    sql += QStringLiteral(" ORDER BY rowid");
    std::vector<RosterRow> rows;
    for (db::Recordset rs = connection.Execute(sql, params); !rs.IsEOF(); rs.MoveNext()) {
        RosterRow row;
        row.rowid = rs.Field(0).ToInt64();
        row.studentId = Text(rs.Field(1));
        row.cls = OptionalInt(rs.Field(2));
        row.no = OptionalInt(rs.Field(3));
        row.name = Text(rs.Field(4));
        row.gender = Text(rs.Field(5));
        row.active = Text(rs.Field(6));
        row.ab = Text(rs.Field(7));
        row.type = Text(rs.Field(8));
        row.stream = Text(rs.Field(9));
        rows.push_back(std::move(row));
    }
    return rows;
}

QStringList StudentTypeCodes(db::Connection& connection) {
    QStringList codes{QString(), QString()};
    db::Recordset rs =
        connection.Execute(QStringLiteral("SELECT xjtype FROM tavrinXJLB ORDER BY rowid LIMIT 2"));
    for (int i = 0; i < 2 && !rs.IsEOF(); ++i, rs.MoveNext())
        codes[i] = Text(rs.Field(0)).left(2);
    return codes;
}

QString ProposeStudentId(db::Connection& connection, const QString& gradeCode, int cls) {
    const QString prefix = gradeCode + QString::asprintf("%02d", cls);
    int highest = 0;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral("SELECT studentid FROM tavrinName WHERE substr(studentid,1,?)=?"),
             static_cast<int>(prefix.size()), prefix);
         !rs.IsEOF(); rs.MoveNext()) {
        const QString seat = Text(rs.Field(0)).mid(prefix.size());
        if (AllDigits(seat) && seat.size() <= 6)
            highest = std::max(highest, seat.toInt());
    }
    std::unordered_set<QString> marked;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral(
                 "SELECT DISTINCT studentid FROM tavrinKSK WHERE grade=? AND substr(studentid,1,?)=?"),
             gradeCode, static_cast<int>(prefix.size()), prefix);
         !rs.IsEOF(); rs.MoveNext())
        marked.insert(Text(rs.Field(0)));
    QString proposal;
    for (int seat = highest + 1;; ++seat) {
        proposal = prefix + QString::asprintf("%02d", seat);
        if (marked.count(proposal) == 0)
            return proposal;
    }
}

NumberScoreRows ScoreRowsOfNumber(db::Connection& connection, const QString& gradeCode,
                                  const QString& studentId) {
    NumberScoreRows rows;
    QSet<int> exams;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral(
                 "SELECT id, name FROM tavrinKSK WHERE grade=? AND studentid=? ORDER BY id, rowid"),
             gradeCode, studentId);
         !rs.IsEOF(); rs.MoveNext()) {
        exams.insert(rs.Field(0).ToInt());
        const QString name = Text(rs.Field(1));
        if (!name.isEmpty() && !rows.names.contains(name))
            rows.names << name;
    }
    rows.exams = static_cast<int>(exams.size());
    return rows;
}

QString ScoreRowsRefusal(const QString& studentId, const NumberScoreRows& rows) {
    return QStringLiteral("学号%1在%2个考试中已有学生[%3]的成绩")
        .arg(studentId)
        .arg(rows.exams)
        .arg(rows.names.join(QStringLiteral("、")));
}

QString TypedText(const QString& text) {
    QString plain = text;
    for (QChar& c : plain)
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
            c = QChar(u'0' + (c.unicode() - 0xFF10));
    return plain.trimmed();
}

bool StudentIdTaken(db::Connection& connection, const QString& studentId) {
    return !connection
                .Execute(QStringLiteral("SELECT 1 FROM tavrinName WHERE studentid=? LIMIT 1"), studentId)
                .IsEOF();
}

std::optional<long long> AddStudent(db::Connection& connection, const QString& gradeCode, int cls,
                                    const QString& studentId) {
    const QString number = TypedText(studentId);
    if (number.isEmpty() || !text::CharactersOutsideGbk(number).isEmpty() ||
        StudentIdTaken(connection, number) || ScoreRowsOfNumber(connection, gradeCode, number).exams > 0)
        return std::nullopt;
    connection.Execute(
        QStringLiteral("INSERT INTO tavrinName(grade,studentid,class,active) VALUES(?,?,?,'是')"), gradeCode,
        number, cls);
    return connection.LastInsertId();
}

RowChanged::RowChanged(const RowKey& row)
    : db::DbError(kNoCurrentRecord,
                  QStringLiteral("roster row %1 no longer holds %2").arg(row.rowid).arg(row.studentId)) {}

QString RowChangedMessage() {
    return QStringLiteral("该学生的记录已被另一个窗口修改或删除，请重新列出。");
}

bool UpdateCell(db::Connection& connection, const RowKey& row, int col, const QString& text) {
    const QString column = ColumnName(col);
    if (column.isEmpty())
        return false;
    db::Variant value;
    if (col == kColClass || col == kColNo) {
        const QString t = TypedText(text);
        if (!AllDigits(t) || t.size() > 9)
            return false;
        const int n = t.toInt();
        if (col == kColClass && n > 99)
            return false;
        value = db::Variant(n);
    } else if (const QString t = TypedText(text); !t.isEmpty()) {
        if (!text::CharactersOutsideGbk(t).isEmpty())
            return false;
        value = db::Variant(t);
    }
    ExpectListedRow(connection.Execute(QStringLiteral("UPDATE tavrinName SET %1=?").arg(column) + kListedRow,
                                       value, row.rowid, row.studentId),
                    row);
    return true;
}

int CountStudents(db::Connection& connection, const QString& gradeCode, int cls) {
    QString sql = QStringLiteral("SELECT count(*) FROM tavrinName WHERE ") + GradeCondition();
    std::vector<db::Variant> params{db::Variant(static_cast<int>(gradeCode.size())), db::Variant(gradeCode)};
    if (cls != 0) {
        sql += QStringLiteral(" AND class=?");
        params.emplace_back(cls);
    }
    db::Recordset rs = connection.Execute(sql, params);
    return rs.IsEOF() ? 0 : static_cast<int>(rs.Field(0).ToInt64());
}

void ClearStudents(db::Connection& connection, const QString& gradeCode, int cls) {
    QString sql = QStringLiteral("DELETE FROM tavrinName WHERE ") + GradeCondition();
    std::vector<db::Variant> params{db::Variant(static_cast<int>(gradeCode.size())), db::Variant(gradeCode)};
    if (cls != 0) {
        sql += QStringLiteral(" AND class=?");
        params.emplace_back(cls);
    }
    connection.Execute(sql, params);
}

bool ClassFromStudentId(db::Connection& connection, const QString& gradeCode, int start, int count) {
    if (start < 1 || count < 1)
        return false;
    // The rows are read and written in one transaction: a rowid read here is the same row when
    // it is written, whatever another window does meanwhile.
    db::Transaction transaction(connection);
    std::vector<std::pair<long long, int>> classes;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral("SELECT rowid, studentid FROM tavrinName WHERE ") + GradeCondition(),
             static_cast<int>(gradeCode.size()), gradeCode);
         !rs.IsEOF(); rs.MoveNext()) {
        const QString slice = db::JetMid(Text(rs.Field(1)), start, count);
        if (!AllDigits(slice))
            return false;
        classes.emplace_back(rs.Field(0).ToInt64(), slice.toInt());
    }
    for (const auto& [rowid, cls] : classes)
        connection.Execute(QStringLiteral("UPDATE tavrinName SET class=? WHERE rowid=?"), cls, rowid);
    transaction.Commit();
    return true;
}

void NumberStudents(db::Connection& connection, const std::vector<RowKey>& rows) {
    db::Transaction transaction(connection);
    int no = 1;
    for (const RowKey& row : rows)
        ExpectListedRow(connection.Execute(QStringLiteral("UPDATE tavrinName SET id=?") + kListedRow, no++,
                                           row.rowid, row.studentId),
                        row);
    transaction.Commit();
}

// ---- the roster import

namespace {

bool IsNumberCell(const db::Variant& v) {
    return v.Type() == db::VariantType::Integer || v.Type() == db::VariantType::Real;
}

} // namespace

StudentIdForm StudentIdFormOf(const QString& gradeCode, const QStringList& studentIds) {
    std::map<int, int> lengths;
    for (const QString& id : studentIds)
        if (!gradeCode.isEmpty() && id.startsWith(gradeCode))
            ++lengths[static_cast<int>(id.size())];
    StudentIdForm form{gradeCode, 9};
    int most = 0;
    for (const auto& [length, count] : lengths)
        if (count > most) {
            most = count;
            form.length = length;
        }
    return form;
}

StudentIdForm GradeStudentIdForm(db::Connection& connection, const QString& gradeCode) {
    QStringList ids;
    for (db::Recordset rs = connection.Execute(
             QStringLiteral("SELECT studentid FROM tavrinName WHERE substr(studentid,1,?)=?"),
             static_cast<int>(gradeCode.size()), gradeCode);
         !rs.IsEOF(); rs.MoveNext())
        ids << Text(rs.Field(0));
    return StudentIdFormOf(gradeCode, ids);
}

CellStudentId StudentIdOfCell(const db::Variant& value, const StudentIdForm& form) {
    if (IsNumberCell(value)) {
        const double d = value.ToDouble();
        if (d >= 0 && d < 1e15 && std::floor(d) == d) {
            const QString digits = QString::number(static_cast<long long>(d));
            const QString padded = digits.rightJustified(form.length, u'0');
            if (padded.size() > digits.size() && !form.gradeCode.isEmpty() &&
                padded.startsWith(form.gradeCode))
                return {padded, true};
            return {digits, false};
        }
    }
    return {Text(value), false};
}

QString CellReason(const QString& field, const QString& reason) {
    return field + QStringLiteral("：") + reason;
}

QString NotANumber(const QString& text) {
    return text + QStringLiteral(" 不是数");
}

bool IsErrorCell(const importsrc::ErrorCells& errorCells, int row, int field) {
    return field >= 0 && !errorCells.empty() && errorCells.count({row, field}) != 0;
}

bool KeepsItsText(const db::Variant& errorCell) {
    return errorCell.Type() == db::VariantType::Text;
}

QString ErrorCellReason(const QString& field, const db::Variant& value) {
    return CellReason(field,
                      KeepsItsText(value) ? NotANumber(value.ToString().trimmed()) : kReasonErrorValue);
}

bool IsEmptyCell(const db::Variant& value) {
    return value.IsNull() || (value.Type() == db::VariantType::Text && value.ToString().trimmed().isEmpty());
}

QString GradeCondition() {
    return QStringLiteral("substr(grade,1,?)=?");
}

bool IsBlankRow(const db::Recordset& record, int row, const std::vector<int>& fields,
                const importsrc::ErrorCells& errorCells) {
    for (const int field : fields)
        if (field >= 0 && (!IsEmptyCell(record.Field(field)) || IsErrorCell(errorCells, row, field)))
            return false;
    return true;
}

QString ImportResultText(const ImportCount& count) {
    return QString::asprintf("成功倒入%1d条，有%1d条因失败未导入！", count.written, count.failed);
}

std::optional<int> TwoDigitNumber(const QString& text) {
    if (text.isEmpty() || !AllDigits(text.left(1)))
        return std::nullopt;
    if (text.size() > 1 && !AllDigits(text.mid(1, 1)))
        return std::nullopt;
    return text.left(2).toInt();
}

namespace {

// The roster columns the map's rows fill, row 1 first, with the byte limit of each text.
struct Target {
    const char* column;
    int maxBytes; // 0: no cut
    bool number;
};
constexpr Target kTargets[] = {
    {"studentid", 0, false}, {"name", 8, false}, {"gender", 2, false}, {"class", 0, true},   {"id", 0, true},
    {"active", 2, false},    {"worl", 2, false}, {"ab", 1, false},     {"xjType", 2, false},
};
constexpr int kTargetCount = static_cast<int>(std::size(kTargets));

} // namespace

ImportCount ImportRoster(db::Connection& connection, db::Recordset& source, const QStringList& mapTexts,
                         const QString& gradeCode, const importsrc::ErrorCells& errorCells, int firstRow) {
    std::vector<int> fields(kTargetCount, -1);
    QString columns = QStringLiteral("grade");
    QString marks = QStringLiteral("?");
    for (int t = 0; t < kTargetCount; ++t) {
        const QString name = mapTexts.value(t).trimmed();
        if (name.isEmpty())
            continue;
        fields[t] = admin::ImportFieldIndex(source, name);
        if (fields[t] < 0)
            throw db::DbError(db::DbError::kNoSuchField,
                              QStringLiteral("数据来源中没有名为“%1”的字段。").arg(name));
        columns += u',' + QString::fromLatin1(kTargets[t].column);
        marks += QStringLiteral(",?");
    }
    const QString sql = QStringLiteral("INSERT INTO tavrinName(%1) VALUES(%2)").arg(columns, marks);
    const StudentIdForm form = GradeStudentIdForm(connection, gradeCode);
    // The map's target names without their notes, "学号[字符型,9位]" as 学号, for the reasons.
    QStringList labels;
    for (const QString& target : admin::ImportTargetFields(admin::IMPORT_ROSTER))
        labels << target.section(u'[', 0, 0);

    ImportCount count;
    const auto note = [&count](int row, const QString& id, const QString& name, const QString& reason) {
        count.notes.push_back({row, id, name, reason});
    };
    try {
        db::Transaction transaction(connection);
        std::unordered_set<QString> imported; // the numbers this import has added
        int sourceRow = 0;
        for (source.MoveFirst(); !source.IsEOF(); source.MoveNext()) {
            ++sourceRow;
            const int shownRow = sourceRow - 1 + firstRow;
            const auto isError = [&](int t) { return IsErrorCell(errorCells, sourceRow, fields[t]); };
            if (IsBlankRow(source, sourceRow, fields, errorCells)) {
                ++count.blank;
                continue;
            }
            std::vector<db::Variant> values{db::Variant(gradeCode)};
            const CellStudentId cell =
                fields[0] >= 0 ? StudentIdOfCell(source.Field(fields[0]), form) : CellStudentId{};
            const QString shownName = fields[1] >= 0 ? Text(source.Field(fields[1])) : QString();
            QString number;
            QString reason = fields[0] < 0 ? kReasonNoNumber : QString();
            if (isError(0))
                reason = ErrorCellReason(labels.value(0), source.Field(fields[0]));
            bool nameCut = false;        // the name lost characters to its byte limit
            bool noClass = fields[3] < 0; // the row is stored without a class
            QStringList errorsLeftEmpty; // mapped cells other than the 学号 that hold an error value
            QStringList unreadable;      // mapped cells that hold a number field's text that is no number
            for (int t = 1; t < kTargetCount; ++t) {
                if (!isError(t))
                    continue;
                if (!KeepsItsText(source.Field(fields[t])))
                    errorsLeftEmpty << labels.value(t);
                else
                    unreadable << ErrorCellReason(labels.value(t), source.Field(fields[t]));
            }
            if (reason.isEmpty() && !unreadable.isEmpty())
                reason = unreadable.join(QStringLiteral("；"));
            for (int t = 0; t < kTargetCount && reason.isEmpty(); ++t) {
                if (fields[t] < 0)
                    continue;
                const db::Variant& field = source.Field(fields[t]);
                QString text = t == 0 ? cell.id : Text(field);
                // The keys are looked at whole, before any cut: a NUL a damaged file gave a 学号
                // must not go into the roster with it.
                if ((t == 0 || t == 1 || t == 3) && text::HasControlCharacter(text)) {
                    reason = CellReason(labels.value(t), kReasonControl);
                    break;
                }
                if (!text::CharactersOutsideGbk(text).isEmpty()) {
                    reason = CellReason(labels.value(t), kReasonOutsideGbk);
                    break;
                }
                db::Variant value;
                if (kTargets[t].number) {
                    if (const std::optional<int> n = TwoDigitNumber(text))
                        value = db::Variant(*n);
                    if (t == 3)
                        noClass = value.IsNull();
                } else if (!field.IsNull() && text != QLatin1String("NULL")) {
                    if (t == 0 && text::GbkLength(text) > 9)
                        text = text.trimmed();
                    if (t == 1) {
                        const QString whole = text;
                        text = text::CutToGbkBytes(text, 8);
                        nameCut = text != whole && !whole.mid(text.size()).trimmed().isEmpty();
                        while (text.endsWith(u' '))
                            text.chop(1);
                    }
                    if (kTargets[t].maxBytes > 0 && t > 1)
                        text = text::CutToGbkBytes(text, kTargets[t].maxBytes);
                    value = db::Variant(text);
                }
                if (t == 0) {
                    number = value.IsNull() ? QString() : text;
                    if (number.trimmed().isEmpty())
                        reason = kReasonNoNumber;
                    else if (imported.count(number) != 0)
                        reason = kReasonDuplicate;
                    else if (StudentIdTaken(connection, number))
                        reason = kReasonTaken;
                }
                values.push_back(value);
            }
            if (reason.isEmpty()) {
                try {
                    connection.Execute(sql, values);
                } catch (const db::DbError& e) {
                    if (!transaction.IsRowRefusal(e))
                        throw;
                    reason = kReasonRefused;
                }
            }
            if (!reason.isEmpty()) {
                ++count.failed;
                note(shownRow, number.isEmpty() ? cell.id : number, shownName, reason);
                continue;
            }
            ++count.written;
            imported.insert(number);
            if (cell.padded) {
                ++count.padded;
                note(shownRow, number, shownName, kReasonPadded);
            }
            if (nameCut)
                note(shownRow, number, shownName, kReasonNameCut);
            for (const QString& label : errorsLeftEmpty)
                note(shownRow, number, shownName, CellReason(label, kReasonErrorLeftEmpty));
            if (noClass)
                note(shownRow, number, shownName, kReasonNoClass);
        }
        transaction.Commit();
    } catch (const db::DbError& e) {
        // Leaving the block has rolled back everything written.
        throw ImportNotDone(e);
    }
    return count;
}

} // namespace roster
