#include "admin/ScoreSheet.h"

#include "data/NumberFormat.h"
#include "data/TextCipher.h"
#include "data/TotalsState.h"
#include "platform/db/Transaction.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"

#include <QRegularExpression>

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

QStringList SubjectNames(db::Connection& connection, CTextCipher& cipher) {
    QStringList names;
    try {
        const QString key = data::DescriptionKey();
        for (db::Recordset rs =
                 connection.Execute(QStringLiteral("SELECT mydesc FROM tavrinKMK ORDER BY id"));
             !rs.IsEOF(); rs.MoveNext())
            if (!rs.Field(0).IsNull())
                names << cipher.DecodeText(key, rs.Field(0).ToString());
    } catch (const db::DbError& e) {
        qCWarning(vlog::db) << "score entry: subject list cut short:" << e.Message();
    }
    return names;
}

QString SubjectField(db::Connection& connection, CTextCipher& cipher, const QString& name) {
    db::Recordset rs = connection.Execute(QStringLiteral("SELECT fldname FROM tavrinKMK WHERE mydesc=?"),
                                          cipher.EncodeText(data::DescriptionKey(), name));
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
        const int room = classOrRoom == 0 ? 1 : classOrRoom;
        rs = connection.Execute(select + QStringLiteral("AND kh LIKE ? ORDER BY worl, kh"), examId,
                                QString::asprintf("%02d%%", room));
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

void WriteClass(db::Connection& connection, long long key, int examId, int cls) {
    ExpectOneRow(connection.Execute(QStringLiteral("UPDATE tavrinKSK SET class=? WHERE rowid=? AND id=?"),
                                    cls, key, examId),
                 key);
}

} // namespace scoresheet
