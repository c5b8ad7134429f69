#include "reports/ReportQueries.h"

#include "data/TextCipher.h"
#include "platform/log/Log.h"

#include <algorithm>
#include <stdexcept>

namespace reports {
namespace {

thread_local CSqlTrace* t_trace = nullptr;

} // namespace

db::Recordset Query(db::Connection& connection, const QString& sql, const std::vector<db::Variant>& params) {
    if (t_trace)
        t_trace->Record(sql, params);
    return connection.Execute(sql, params);
}

CSqlTrace::CSqlTrace() : m_outer(t_trace) {
    t_trace = this;
}

CSqlTrace::~CSqlTrace() {
    t_trace = m_outer;
}

void CSqlTrace::Record(const QString& sql, const std::vector<db::Variant>& params) {
    m_statements.push_back({sql, params});
}

QString ScoreColumn(int no) {
    if (no < 1 || no > 99)
        throw std::out_of_range("subject number outside 1..99");
    return QString::asprintf("s%02d", no);
}

QString TotalColumn(int k) {
    if (k < 1 || k > 3)
        throw std::out_of_range("total column outside 1..3");
    return QStringLiteral("sum%1").arg(k);
}

bool GetSubjectName(db::Connection& connection, CTextCipher& cipher, int no, QString& name) {
    try {
        db::Recordset rs = Query(connection, QStringLiteral("select * from tavrinKMK where id=?"), {no});
        if (rs.IsEOF())
            return false;
        const db::Variant& desc = rs.Field(QStringLiteral("mydesc"));
        if (desc.IsNull())
            return false;
        name = cipher.DecodeText(data::DescriptionKey(), desc.ToString());
        return true;
    } catch (const db::DbError& e) {
        // The name stays as passed.
        qCWarning(vlog::db) << "name of subject" << no << "not read:" << e.Message();
        return false;
    }
}

int HighestClass(db::Connection& connection, int examId) {
    // A text in the class column is outside the range too: SQLite orders texts after numbers.
    db::Recordset rs =
        Query(connection,
              QStringLiteral("SELECT class FROM tavrinKSK WHERE id=? and class>=? and class<=? "
                             "order by class desc LIMIT 1"),
              {examId, 1, kMaxClass});
    if (rs.IsEOF())
        return 0;
    return int(std::clamp<long long>(rs.Field(0).ToInt64(), 0, kMaxClass));
}

std::optional<int> ClassNumber(const db::Variant& cls) {
    if (cls.IsNull())
        return std::nullopt;
    const long long k = cls.ToInt64();
    if (k < 1 || k > kMaxClass)
        return std::nullopt;
    return int(k);
}

QString MessageCaption() {
    return QStringLiteral("信息提示");
}

QString DbErrorMessage(const QString& errorText) {
    return QStringLiteral("错误信息:%1").arg(errorText);
}

bool ExamHasFullMarks(db::Connection& connection, int examId, const std::vector<int>& subjects) {
    for (db::Recordset rs =
             Query(connection,
                   QStringLiteral("SELECT kmfld FROM tavrinKMWGT WHERE id=? AND "
                                  "coalesce(t1,0)*coalesce(t1w,0)+coalesce(t2,0)*coalesce(t2w,0)>0"),
                   {examId});
         !rs.IsEOF(); rs.MoveNext()) {
        if (subjects.empty())
            return true;
        for (const int no : subjects)
            if (rs.Field(0).ToString().compare(ScoreColumn(no), Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

QString NoFullMarksMessage() {
    return QStringLiteral("本次考试还没有设置加权系数（满分），请先运行'考前准备→加权系数'！");
}

QString NoSubjectFullMarksMessage(const QStringList& subjects) {
    return QStringLiteral("本次考试的%1还没有设置满分，请先运行'考前准备→加权系数'！")
        .arg(subjects.join(u'、'));
}

} // namespace reports
