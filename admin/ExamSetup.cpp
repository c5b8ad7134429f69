#include "admin/ExamSetup.h"

#include "admin/ScoreSheet.h"
#include "data/ExamChooser.h"
#include "data/NumberFormat.h"
#include "data/TextCipher.h"
#include "data/TotalsState.h"
#include "platform/db/Transaction.h"
#include "platform/log/Log.h"
#include "platform/text/Gbk.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace examsetup {

namespace {

QString Text(const db::Recordset& rs, const char* field) {
    return rs.Field(QString::fromLatin1(field)).ToString();
}

// The first row's field, or nothing when there is no row or the field is NULL.
std::optional<QString> FirstField(db::Connection& connection, const QString& sql, const QString& value,
                                  const char* field) {
    db::Recordset rs = connection.Execute(sql, value);
    if (rs.IsEOF() || rs.Field(QString::fromLatin1(field)).IsNull())
        return std::nullopt;
    return Text(rs, field);
}

QString SubjectName(db::Connection& connection, CTextCipher& cipher, const QString& field) {
    try {
        if (auto name = FirstField(
                connection, QStringLiteral("SELECT mydesc FROM tavrinKMK WHERE fldname=? COLLATE NOCASE"),
                field, "mydesc"))
            return cipher.DecodeText(data::DescriptionKey(), *name);
    } catch (const db::DbError& e) {
        // Shown by its column name, like a subject that is gone.
        qCWarning(vlog::db) << "subject name of" << field << "not read:" << e.Message();
    }
    return field;
}

} // namespace

// ---- registration

SchoolYearChoice DefaultSchoolYear(const QDate& today) {
    const int year = today.year();
    const int month = today.month();
    SchoolYearChoice c;
    c.firstListedYear = year - 10;
    // The second term runs from February to August; a school year begins in September.
    c.termIndex = month >= 2 && month <= 8 ? 1 : 0;
    c.startYear = month <= 8 ? year - 1 : year;
    return c;
}

QString ExamDescription(const QString& firstYear, const QString& secondYear, const QString& term,
                        const QString& examName) {
    return firstYear + QStringLiteral("至") + secondYear + QStringLiteral("学年") + term + examName;
}

QStringList CommonExamNames(db::Connection& connection) {
    QStringList names;
    for (db::Recordset rs = connection.Execute(QStringLiteral("SELECT mydesc FROM tavrinKSMC ORDER BY id"));
         !rs.IsEOF(); rs.MoveNext())
        if (const db::Variant& v = rs.Field(0); !v.IsNull())
            names << v.ToString();
    return names;
}

RegisterResult RegisterExam(db::Connection& connection, const QString& cipherText, const QString& gradeCode,
                            const QDate& date) {
    db::Transaction t(connection);
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT id FROM tavrinKSLB WHERE mydesc=? AND grade=?"), cipherText, gradeCode);
    if (!rs.IsEOF())
        return RegisterResult::Duplicate;
    connection.Execute(QStringLiteral("INSERT INTO tavrinKSLB (mydesc, grade, ksrq) VALUES (?, ?, ?)"),
                       cipherText, gradeCode, ExamDateText(date));
    t.Commit();
    return RegisterResult::Registered;
}

// ---- dates

QString ExamDateText(const QDate& date) {
    return QString::asprintf("%04d-%02d-%02d", date.year(), date.month(), date.day());
}

std::optional<QDate> ParseExamDate(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString ShowExamDate(const db::Variant& stored) {
    if (stored.IsNull())
        return {};
    const QDate date = stored.ToDate();
    if (!date.isValid())
        return stored.ToString();
    return QString::asprintf("%4d-%02d-%02d", date.year(), date.month(), date.day());
}

// ---- maintenance

std::vector<GradeChoice> GradesWithExams(db::Connection& connection) {
    std::vector<GradeChoice> grades;
    for (db::Recordset rs = connection.Execute(QStringLiteral("SELECT grade FROM tavrinKSLB GROUP BY grade"));
         !rs.IsEOF(); rs.MoveNext())
        if (const db::Variant& v = rs.Field(0); !v.IsNull())
            grades.push_back({data::GradeName(connection, v.ToString()), v.ToString()});
    std::stable_sort(grades.begin(), grades.end(), [](const GradeChoice& a, const GradeChoice& b) {
        return text::CompareGbk(a.name, b.name) < 0;
    });
    return grades;
}

std::vector<RegisteredExam> GradeExams(db::Connection& connection, CTextCipher& cipher,
                                       const QString& gradeCode) {
    std::vector<RegisteredExam> exams;
    const QString key = data::DescriptionKey();
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT id, grade, mydesc, ksrq FROM tavrinKSLB WHERE grade=? ORDER BY id DESC"),
        gradeCode);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        RegisteredExam exam;
        exam.id = rs.Field(0).ToInt();
        if (const db::Variant& v = rs.Field(1); !v.IsNull())
            exam.grade = data::GradeName(connection, v.ToString());
        if (const db::Variant& v = rs.Field(2); !v.IsNull())
            exam.description = cipher.DecodeText(key, v.ToString());
        exam.date = ShowExamDate(rs.Field(3));
        exams.push_back(std::move(exam));
    }
    return exams;
}

void SetExamDate(db::Connection& connection, int examId, const QDate& date) {
    connection.Execute(QStringLiteral("UPDATE tavrinKSLB SET ksrq=? WHERE id=?"), ExamDateText(date), examId);
}

void DeleteExam(db::Connection& connection, int examId) {
    db::Transaction t(connection);
    connection.Execute(QStringLiteral("DELETE FROM tavrinKSK WHERE id=?"), examId);
    connection.Execute(QStringLiteral("DELETE FROM tavrinKSLB WHERE id=?"), examId);
    data::ForgetTotalsState(connection, examId);
    t.Commit();
}

// ---- paper weights

void InitWeights(db::Connection& connection, int examId) {
    connection.Execute(
        QStringLiteral("INSERT INTO tavrinKMWGT (id, kmfld, t1, t2, t1w, t2w) "
                       "SELECT DISTINCT ?, k.fldname, 100, 50, 1, 1 FROM tavrinKMK k "
                       "WHERE k.fldname IS NOT NULL AND NOT EXISTS (SELECT 1 FROM tavrinKMWGT w "
                       "WHERE w.id=? AND w.kmfld=k.fldname COLLATE NOCASE)"),
        examId, examId);
}

std::vector<WeightRow> LoadWeights(db::Connection& connection, CTextCipher& cipher, int examId) {
    std::vector<WeightRow> rows;
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT rowid, kmfld, t1, t1w, t2, t2w FROM tavrinKMWGT WHERE id=? ORDER BY kmfld"),
        examId);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        WeightRow row;
        row.key = rs.Field(0).ToInt64();
        row.field = Text(rs, "kmfld");
        row.name = SubjectName(connection, cipher, row.field);
        row.t1 = rs.Field(QStringLiteral("t1"));
        row.t1w = rs.Field(QStringLiteral("t1w"));
        row.t2 = rs.Field(QStringLiteral("t2"));
        row.t2w = rs.Field(QStringLiteral("t2w"));
        rows.push_back(std::move(row));
    }
    return rows;
}

// The number a text begins with (leading blanks skipped), 0 when it begins with none.
static double LeadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const double v = QLocale::c().toDouble(m.captured(1), &ok);
    return ok && std::isfinite(v) ? v : 0;
}

// The number a typed text holds: digits with at most one decimal point, blanks around; nothing
// for any other text.
static std::optional<double> PlainNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+\\.?\\d*|\\.\\d+)\\s*$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(m.captured(1), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool IsFullMarkText(const QString& text) {
    const std::optional<double> v = PlainNumber(text);
    return v && WeightsFromTexts(text, {}, {}, {}).t1 <= kMaxFullMark;
}

bool IsWeightText(const QString& text) {
    const std::optional<double> v = PlainNumber(text);
    return v && WeightsFromTexts({}, text, {}, {}).t1w <= kMaxWeight;
}

WeightValues WeightsFromTexts(const QString& t1, const QString& t1w, const QString& t2, const QString& t2w) {
    // The values are the ones their written forms give, so the cell and the column agree.
    WeightValues w;
    w.t1 = FullMarkText(LeadingNumber(t1)).toDouble();
    w.t1w = WeightText(LeadingNumber(t1w)).toDouble();
    w.t2 = FullMarkText(LeadingNumber(t2)).toDouble();
    w.t2w = WeightText(static_cast<float>(LeadingNumber(t2w))).toDouble();
    return w;
}

QString FullMarkText(double value) {
    return data::FormatFixed(value, 3, 0);
}

QString WeightText(double value) {
    return data::FormatFixed(value, 6, 2);
}

QString RefusalMessage(const MarksAboveFullMark& refusal) {
    return QStringLiteral("本次考试已有%1卷成绩高于%2分（最高%3分），不能把满分改小到这些成绩以下。")
        .arg(refusal.paper == 1 ? QStringLiteral("I") : QStringLiteral("II"))
        .arg(refusal.fullMark)
        .arg(QString::number(data::RoundTo2(refusal.highest), 'g', 15));
}

WeightWrite WriteWeights(db::Connection& connection, long long key, const WeightValues& values) {
    const long long t1 = std::llround(values.t1);
    const long long t2 = std::llround(values.t2);
    db::Transaction transaction(connection);
    db::Recordset row = connection.Execute(
        QStringLiteral("SELECT id, kmfld, t1, t1w, t2, t2w FROM tavrinKMWGT WHERE rowid=?"), key);
    if (row.IsEOF())
        throw db::DbError(db::DbError::kNoCurrentRecord, QStringLiteral("no weight row %1").arg(key));
    const int examId = row.Field(0).ToInt();
    const QString field = row.Field(1).ToString();
    const auto holds = [](const db::Variant& stored, double value) {
        return !stored.IsNull() && stored.ToDouble() == value;
    };
    const db::Variant oldT1 = row.Field(2), oldT2 = row.Field(4);
    const bool weightsKept = holds(row.Field(3), values.t1w) && holds(row.Field(5), values.t2w);
    WeightWrite result;
    if (weightsKept && holds(oldT1, double(t1)) && holds(oldT2, double(t2)))
        return result;

    const bool scores = scoresheet::HasScoreColumns(connection, field);
    // A full mark below marks already stored would leave those marks above it in every report;
    // lowering it as far as the highest of them is allowed, raising it always is.
    struct Paper {
        int no;
        const db::Variant& old;
        long long fullMark;
    };
    for (const Paper& paper : {Paper{1, oldT1, t1}, Paper{2, oldT2, t2}}) {
        if (!scores || paper.old.IsNull() || !(double(paper.fullMark) < paper.old.ToDouble()))
            continue;
        const db::Variant highest =
            connection
                .Execute(
                    QStringLiteral("SELECT max(%1%2) FROM tavrinKSK WHERE id=?").arg(field).arg(paper.no),
                    examId)
                .Field(0);
        if (!highest.IsNull() && highest.ToDouble() > double(paper.fullMark)) {
            result.refused =
                MarksAboveFullMark{paper.no, static_cast<int>(paper.fullMark), highest.ToDouble()};
            return result;
        }
    }

    const db::Recordset rs =
        connection.Execute(QStringLiteral("UPDATE tavrinKMWGT SET t1=?, t1w=?, t2=?, t2w=? WHERE rowid=?"),
                           t1, values.t1w, t2, values.t2w, key);
    if (rs.RowsAffected() != 1)
        throw db::DbError(db::DbError::kNoCurrentRecord, QStringLiteral("no weight row %1").arg(key));
    result.written = true;
    // The stored scores keep meaning I·t1w + II·t2w: with the weights they were made with gone,
    // every one is made again, and the totals summed from them are out of date.
    if (!weightsKept && scores) {
        const scoresheet::Papers papers{static_cast<int>(t1), static_cast<int>(t2),
                                        static_cast<float>(values.t1w), static_cast<float>(values.t2w)};
        result.rederived = scoresheet::RederiveScores(connection, examId, field, papers);
        if (result.rederived > 0)
            data::MarkTotalsStale(connection, examId, field.mid(1).toInt());
    }
    transaction.Commit();
    return result;
}

// ---- preparation

// The roster students a preparation takes, as a condition on tavrinName under `alias`.
static QString EligibleStudent(const QString& alias) {
    return QStringLiteral("%1.grade=? AND (%1.active IS NULL OR %1.active='是') AND %1.class>0").arg(alias);
}

// An earlier eligible roster row with the same number as n; the roster's own order decides which of
// several rows of one number is the student's. Takes the grade code once.
static QString RepeatedNumber() {
    return QStringLiteral("EXISTS (SELECT 1 FROM tavrinName m WHERE ") + EligibleStudent("m") +
           QStringLiteral(" AND m.studentid=n.studentid AND m.rowid<n.rowid)");
}

// The roster row (alias n) that stands for score row tavrinKSK: the eligible row of its number
// that the preparation would copy. Takes the grade code twice.
static QString RosterRowOfScoreRow() {
    return QStringLiteral("n.studentid=tavrinKSK.studentid AND ") + EligibleStudent("n") +
           QStringLiteral(" AND NOT ") + RepeatedNumber();
}

// A roster row (alias n) of a student of the grade no longer in school whose exam number the room
// arrangement emptied, standing for score row tavrinKSK when no eligible row has its number. Takes
// the grade code twice.
static QString LeftRosterRowOfScoreRow() {
    return QStringLiteral("n.studentid=tavrinKSK.studentid AND n.grade=? AND n.active='否' AND "
                          "coalesce(trim(n.kh), '')='' AND NOT EXISTS (SELECT 1 FROM tavrinName e WHERE "
                          "e.studentid=n.studentid AND ") +
           EligibleStudent("e") + u')';
}

// The list details a score row takes from the roster row that stands for it (alias n): every roster
// column the sheet holds.
static const char* const kRefreshedDetails = "name=n.name, class=n.class, cid=n.id, worl=n.worl, kh=n.kh, "
                                             "ab=n.ab, xjtype=n.xjtype, gender=n.gender";
static QString DetailsDiffer() {
    return QStringLiteral(
        "(tavrinKSK.name IS NOT n.name OR tavrinKSK.class IS NOT n.class OR tavrinKSK.cid IS NOT n.id OR "
        "tavrinKSK.worl IS NOT n.worl OR tavrinKSK.kh IS NOT n.kh OR tavrinKSK.ab IS NOT n.ab OR "
        "tavrinKSK.xjtype IS NOT n.xjtype OR tavrinKSK.gender IS NOT n.gender)");
}
static QString ExamNumberDiffers() {
    return QStringLiteral("tavrinKSK.kh IS NOT n.kh");
}

// The score rows of the exam (as the condition `rows` picks them) whose list details the roster would
// change. Takes the exam id once and the grade code four times.
static long long RowsToRefresh(db::Connection& connection, const QString& rows, int examId,
                               const QString& gradeCode) {
    return connection
        .Execute(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE tavrinKSK.id=? AND ") + rows +
                     QStringLiteral(" AND (EXISTS (SELECT 1 FROM tavrinName n WHERE ") +
                     RosterRowOfScoreRow() + QStringLiteral(" AND ") + DetailsDiffer() +
                     QStringLiteral(") OR EXISTS (SELECT 1 FROM tavrinName n WHERE ") +
                     LeftRosterRowOfScoreRow() + QStringLiteral(" AND ") + ExamNumberDiffers() +
                     QStringLiteral("))"),
                 examId, gradeCode, gradeCode, gradeCode, gradeCode)
        .Field(0)
        .ToInt64();
}

long long MarkedRowsToRefresh(db::Connection& connection, int examId, const QString& gradeCode) {
    return RowsToRefresh(connection, scoresheet::CarriesMark(connection), examId, gradeCode);
}

QString RefreshMarkedRowsQuestion(long long markedRows) {
    return QStringLiteral("本次考试已有成绩。载入数据会把%1名已有成绩的学生的班级、文理或考号改成学生名单中"
                          "现在的值，考试时的记录将不再保留。是否继续？")
        .arg(markedRows);
}

Preparation PrepareScoreRows(db::Connection& connection, int examId, const QString& gradeCode,
                             MarkedRows marked) {
    const QString hasNumber = QStringLiteral("(coalesce(trim(n.studentid), '')<>'')");
    const QString repeated = RepeatedNumber();
    db::Transaction t(connection);
    Preparation p;
    db::Recordset counts = connection.Execute(
        QStringLiteral("SELECT count(*), coalesce(sum(NOT %1), 0), count(DISTINCT CASE WHEN %1 AND %2 THEN "
                       "n.studentid END), coalesce(sum(%1 AND %2), 0) FROM tavrinName n WHERE ")
                .arg(hasNumber, repeated) +
            EligibleStudent("n"),
        gradeCode, gradeCode, gradeCode);
    p.rosterStudents = counts.Field(0).ToInt64();
    p.withoutNumber = counts.Field(1).ToInt64();
    p.repeatedNumbers = counts.Field(2).ToInt64();
    p.repeatedLeftOut = counts.Field(3).ToInt64();
    // Left out too, and told: without a class no mark can be entered for them.
    p.withoutClass = connection
                         .Execute(QStringLiteral("SELECT count(*) FROM tavrinName WHERE grade=? AND (active "
                                                 "IS NULL OR active='是') AND NOT coalesce(class>0, 0)"),
                                  gradeCode)
                         .Field(0)
                         .ToInt64();

    // The rows already on the sheet take the roster's current list details; their marks stay. A
    // row with marks is what the exam was when it was sat: it keeps its details unless asked.
    const QString carriesMark = scoresheet::CarriesMark(connection);
    QString rowsRefreshed = QStringLiteral("1");
    if (marked == MarkedRows::Keep) {
        p.markedKept = RowsToRefresh(connection, carriesMark, examId, gradeCode);
        rowsRefreshed = QStringLiteral("NOT ") + carriesMark;
    }
    p.streamsChanged =
        connection
            .Execute(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE tavrinKSK.id=? AND ") +
                         rowsRefreshed + QStringLiteral(" AND EXISTS (SELECT 1 FROM tavrinName n WHERE ") +
                         RosterRowOfScoreRow() + QStringLiteral(" AND tavrinKSK.worl IS NOT n.worl)"),
                     examId, gradeCode, gradeCode)
            .Field(0)
            .ToInt64();
    p.updated =
        connection
            .Execute(QStringLiteral("UPDATE tavrinKSK SET %1 FROM tavrinName AS n WHERE tavrinKSK.id=? "
                                    "AND %2 AND ")
                             .arg(QLatin1String(kRefreshedDetails), rowsRefreshed) +
                         RosterRowOfScoreRow() + QStringLiteral(" AND ") + DetailsDiffer(),
                     examId, gradeCode, gradeCode)
            .RowsAffected();
    // A student who left keeps no exam number that the new seating gives to another.
    p.updated += connection
                     .Execute(QStringLiteral("UPDATE tavrinKSK SET kh=n.kh FROM tavrinName AS n WHERE "
                                             "tavrinKSK.id=? AND %1 AND ")
                                      .arg(rowsRefreshed) +
                                  LeftRosterRowOfScoreRow() + QStringLiteral(" AND ") + ExamNumberDiffers(),
                              examId, gradeCode, gradeCode)
                     .RowsAffected();
    p.notInRoster = connection
                        .Execute(QStringLiteral("SELECT count(*) FROM tavrinKSK WHERE tavrinKSK.id=? AND NOT "
                                                "EXISTS (SELECT 1 FROM tavrinName n WHERE ") +
                                     RosterRowOfScoreRow() + u')',
                                 examId, gradeCode, gradeCode)
                        .Field(0)
                        .ToInt64();
    // A changed stream records no total out of date: the totals are sums of marks whatever the
    // student's stream.

    // NOT EXISTS rather than NOT IN: a NULL student number in the exam must not block everyone.
    const db::Recordset rs = connection.Execute(
        QStringLiteral(
            "INSERT INTO tavrinKSK (id, grade, studentid, name, class, ab, xjtype, kh, cid, gender, worl) "
            "SELECT ?, ?, n.studentid, n.name, n.class, n.ab, n.xjtype, n.kh, n.id, n.gender, n.worl "
            "FROM tavrinName n WHERE ") +
            EligibleStudent("n") +
            QStringLiteral(" AND %1 AND NOT %2 AND NOT EXISTS ").arg(hasNumber, repeated) +
            QStringLiteral("(SELECT 1 FROM tavrinKSK k WHERE k.id=? AND k.studentid=n.studentid)"),
        examId, gradeCode, gradeCode, gradeCode, examId);
    p.added = rs.RowsAffected();
    t.Commit();
    return p;
}

QString PreparationReport(const Preparation& p, const QString& gradeName) {
    QStringList lines;
    if (p.added == 0 && p.updated == 0 && p.rosterStudents == 0 && p.notInRoster == 0)
        lines << QStringLiteral("没有载入任何学生：学生名册中没有%1的在读学生（有班级的学生）。\n"
                                "请先在学生名册中录入或导入本年级的学生。")
                     .arg(gradeName);
    else
        lines << QStringLiteral("新载入%1名学生，更新了%2名学生的名单信息。").arg(p.added).arg(p.updated);
    if (p.withoutClass > 0)
        lines << QStringLiteral(
                     "有%1名在读学生没有班级（班级为空或为0），未载入：请在学生名单中填写班级后再载入数据。")
                     .arg(p.withoutClass);
    if (p.withoutNumber > 0)
        lines << QStringLiteral("有%1名在读学生没有学号，未载入。").arg(p.withoutNumber);
    if (p.repeatedLeftOut > 0)
        lines << QStringLiteral(
                     "学生名册中有%1个学号重复，每个学号只载入名册中的第一名学生，另有%2名学生未载入。")
                     .arg(p.repeatedNumbers)
                     .arg(p.repeatedLeftOut);
    if (p.markedKept > 0)
        lines << QStringLiteral("有%1名已有成绩的学生保留了考试时的班级、文理和考号，未按学生名单更新。")
                     .arg(p.markedKept);
    if (p.notInRoster > 0)
        lines << QStringLiteral(
                     "登分表中有%1名学生已不在本年级的在读学生名册中，仍保留在登分表中，成绩不变。")
                     .arg(p.notInRoster);
    return lines.join(u'\n');
}

long long CopyStreams(db::Connection& connection, int examId) {
    // A total is the sum of its subjects' scores whatever the student's stream: the totals stay up
    // to date, and the reports read the streams as they are now.
    const db::Recordset rs =
        connection.Execute(QStringLiteral("UPDATE tavrinKSK SET worl=n.worl FROM tavrinName AS n "
                                          "WHERE n.studentid=tavrinKSK.studentid AND tavrinKSK.id=?"),
                           examId);
    return rs.RowsAffected();
}

std::vector<QStringList> LoadScoreRows(db::Connection& connection, int examId) {
    std::vector<QStringList> rows;
    db::Recordset rs = connection.Execute(
        QStringLiteral("SELECT studentid, name, class, ab, xjtype, cid, worl FROM tavrinKSK WHERE id=? "
                       "ORDER BY class, studentid"),
        examId);
    const auto number = [&rs](const char* field) {
        const db::Variant& v = rs.Field(QString::fromLatin1(field));
        return v.IsNull() ? QString() : QString::asprintf("%2d", v.ToInt());
    };
    for (; !rs.IsEOF(); rs.MoveNext())
        rows.push_back({Text(rs, "studentid"), Text(rs, "name"), number("class"), Text(rs, "ab"),
                        Text(rs, "xjtype"), number("cid"), Text(rs, "worl")});
    return rows;
}

} // namespace examsetup
