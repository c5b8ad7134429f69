#include "analysis/ScoreHistory.h"

#include "data/TextCipher.h"
#include "reports/Format.h"
#include "reports/ReportQueries.h"

#include <vector>

namespace analysis {

namespace {

// A LIKE pattern that matches `text` literally: the wildcards and the escape character itself are
// escaped with '\'.
QString LikeLiteral(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out;
}

QString Fixed2(const db::Variant& v) {
    return v.IsNull() ? QString() : reports::FormatFixed(v.ToDouble(), 0, 2);
}

} // namespace

QString EmptyKeyMessage() {
    return QStringLiteral("对不起，关键字不能为空！");
}

QString NotFoundMessage() {
    return QStringLiteral("对不起，没有找到相关信息！");
}

CReportTable HistorySearchHeader() {
    CReportTable table(1, 4);
    table.SetFixedRowCount(1);
    table.SetFixedColumnCount(1);
    const char* titles[] = {"学号", "姓名", "班级", "考试"};
    for (int c = 0; c < 4; ++c)
        table.SetText(0, c, QString::fromUtf8(titles[c]));
    return table;
}

QString FindGradeCode(db::Connection& connection, const QString& gradeName) {
    db::Recordset rs = reports::Query(
        connection, QStringLiteral("select gradeno from tavrinGrade where mydesc=?"), {gradeName});
    const QString code = rs.IsEOF() || rs.Field(0).IsNull() ? QString() : rs.Field(0).ToString();
    rs.Close();
    return code;
}

CReportTable SearchStudents(db::Connection& connection, const QString& gradeCode, const QString& namePart) {
    CReportTable table = HistorySearchHeader();
    db::Recordset rs =
        reports::Query(connection,
                       QStringLiteral("select studentid, name, class from tavrinName "
                                      "where studentid like ? escape '\\' and name like ? escape '\\'"),
                       {LikeLiteral(gradeCode) + u'%', u'%' + LikeLiteral(namePart) + u'%'});
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const int row = table.RowCount();
        table.SetRowCount(row + 1);
        if (!rs.Field(0).IsNull())
            table.SetText(row, 0, rs.Field(0).ToString());
        if (!rs.Field(1).IsNull())
            table.SetText(row, 1, rs.Field(1).ToString());
        if (!rs.Field(2).IsNull())
            table.SetText(row, 2, QString::number(rs.Field(2).ToInt()));
    }
    rs.Close();
    return table;
}

QString GetExamName(db::Connection& connection, CTextCipher& cipher, int examId) {
    QString name = QStringLiteral("Error");
    db::Recordset rs =
        reports::Query(connection, QStringLiteral("select mydesc from tavrinKSLB where id=?"), {examId});
    if (!rs.IsEOF() && !rs.Field(0).IsNull())
        name = cipher.DecodeText(data::DescriptionKey(), rs.Field(0).ToString());
    rs.Close();
    return name;
}

CReportTable ScoreHistory(db::Connection& connection, CTextCipher& cipher, const QString& studentId,
                          bool streams) {
    CReportTable table = HistorySearchHeader();
    table.SetColumnCount(streams ? 8 : 5);
    if (streams) {
        table.SetText(0, 4, QStringLiteral("文理"));
        table.SetText(0, 5, QStringLiteral("总分"));
        table.SetText(0, 6, QStringLiteral("文总"));
        table.SetText(0, 7, QStringLiteral("理总"));
    } else {
        table.SetText(0, 4, QStringLiteral("总分"));
    }

    db::Recordset rs =
        reports::Query(connection, QStringLiteral("select * from tavrinKSK where studentid=?"), {studentId});
    if (rs.IsEOF())
        return table;

    // The subjects, each with the ordinal of its score column in the score rows (-1: none).
    struct Subject {
        QString title;
        int field;
    };
    std::vector<Subject> subjects;
    {
        db::Recordset kmk =
            reports::Query(connection, QStringLiteral("select fldname, mydesc from tavrinKMK order by id"));
        for (; !kmk.IsEOF(); kmk.MoveNext()) {
            Subject s;
            if (!kmk.Field(1).IsNull())
                s.title = cipher.DecodeText(data::DescriptionKey(), kmk.Field(1).ToString());
            s.field = kmk.Field(0).IsNull() ? -1 : rs.FieldIndex(kmk.Field(0).ToString());
            subjects.push_back(std::move(s));
        }
    }
    const int first = table.ColumnCount();
    table.SetColumnCount(first + int(subjects.size()));
    for (std::size_t k = 0; k < subjects.size(); ++k)
        table.SetText(0, first + int(k), subjects[k].title);

    const auto text = [&rs](const char* field) {
        const db::Variant& v = rs.Field(QString::fromLatin1(field));
        return v.IsNull() ? QString() : v.ToString();
    };
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const int row = table.RowCount();
        table.SetRowCount(row + 1);
        table.SetText(row, 0, text("studentid"));
        table.SetText(row, 1, text("name"));
        if (const db::Variant& cls = rs.Field(QStringLiteral("class")); !cls.IsNull())
            table.SetText(row, 2, reports::FormatInt(cls.ToInt(), 2));
        const db::Variant& id = rs.Field(QStringLiteral("id"));
        table.SetText(row, 3,
                      id.IsNull() ? QStringLiteral("Error") : GetExamName(connection, cipher, id.ToInt()));
        int c = 4;
        if (streams)
            table.SetText(row, c++, text("worl"));
        table.SetText(row, c++, Fixed2(rs.Field(QStringLiteral("sum3"))));
        if (streams) {
            table.SetText(row, c++, Fixed2(rs.Field(QStringLiteral("sum1"))));
            table.SetText(row, c++, Fixed2(rs.Field(QStringLiteral("sum2"))));
        }
        for (const Subject& s : subjects) {
            if (s.field >= 0)
                table.SetText(row, c, Fixed2(rs.Field(s.field)));
            ++c;
        }
    }
    rs.Close();
    return table;
}

} // namespace analysis
