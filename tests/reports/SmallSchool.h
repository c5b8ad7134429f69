#pragma once
// A hand-made exam whose statistics were worked out by hand.
//
// Exam 1 (grade 12008 "高2008级", "期中考试"), subjects 1 语文 (full mark 100), 2 数学 (100·1 + 50·1 =
// 150), 3 英语 (no weights row), 4 物理 (every score 50):
//   student class worl  s01     s02  s03  s04
//   A       1     理    90      120  70   50
//   B       1     理    80      89   -    50
//   C       1     理    69.988  90   60   50
//   D       2     文    85.008  100  -    50
//   E       2     文    -       -    -    -     (absent)
//   F       2     文    75      60   80   50
//   G       4     理    60      150  90   50    (a class of one)
//   H       NULL  文    100     30   50   50    (no class)
// Class 3 is empty. Exam 2 (grade code 19999, no grade row) holds one row in class 9.

#include "data/AnalysisContext.h"
#include "data/Schema.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"
#include "reports/ReportQueries.h"
#include "tests/common/Warnings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

class SmallSchool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db.OpenFile(m_dir.filePath(QStringLiteral("small.mdb")), {}, true);
        m_db.Execute(QStringLiteral("PRAGMA synchronous=OFF"));
        data::CreateSchema(m_db);
        const QString key = data::DescriptionKey();
        const char* names[] = {"语文", "数学", "英语", "物理"};
        for (int no = 1; no <= 4; ++no) {
            m_db.Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (?,?,?,?)"),
                         no, data::SubjectField(no),
                         m_cipher.EncodeText(key, QString::fromUtf8(names[no - 1])),
                         QStringLiteral("分数型"));
            data::AddSubjectColumns(m_db, no);
        }
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, '高2008级', '12008')"));
        AddExam(QStringLiteral("12008"), QStringLiteral("期中考试"));
        AddExam(QStringLiteral("19999"), QStringLiteral("期末考试"));
        const auto weights = [&](const char* field, double t1, double t2, double w1, double w2) {
            m_db.Execute(
                QStringLiteral("INSERT INTO tavrinKMWGT (id, kmfld, t1, t2, t1w, t2w) VALUES (1,?,?,?,?,?)"),
                field, t1, t2, w1, w2);
        };
        weights("s01", 100, 0, 1, 0);
        weights("s02", 100, 50, 1, 1);
        weights("s04", 100, 0, 1, 0);

        using S = std::optional<double>;
        const S no;
        AddRow(1, "A", 1, "理", {90, 120, 70, 50});
        AddRow(1, "B", 1, "理", {80, 89, no, 50});
        AddRow(1, "C", 1, "理", {69.988, 90, 60, 50});
        AddRow(1, "D", 2, "文", {85.008, 100, no, 50});
        AddRow(1, "E", 2, "文", {no, no, no, no});
        AddRow(1, "F", 2, "文", {75, 60, 80, 50});
        AddRow(1, "G", 4, "理", {60, 150, 90, 50});
        AddRow(1, "H", std::nullopt, "文", {100, 30, 50, 50});
        AddRow(2, "X", 9, "理", {10, 10, 10, 10});
    }

    void AddExam(const QString& grade, const QString& name) {
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSLB (mydesc, grade, ksrq) VALUES (?, ?, '2008-11-12')"),
            m_cipher.EncodeText(data::DescriptionKey(), name), grade);
    }

    void AddRow(int exam, const char* student, std::optional<int> cls, const char* worl,
                const std::vector<std::optional<double>>& scores) {
        std::vector<db::Variant> v;
        v.emplace_back(exam);
        v.emplace_back(student);
        v.push_back(cls ? db::Variant(*cls) : db::Variant());
        v.emplace_back(worl);
        for (const auto& s : scores)
            v.push_back(s ? db::Variant(*s) : db::Variant());
        m_db.Execute(QStringLiteral("INSERT INTO tavrinKSK (id, studentid, class, worl, s01, s02, s03, s04) "
                                    "VALUES (?,?,?,?,?,?,?,?)"),
                     v);
    }

    // Exam 1 with the given subjects taking part.
    CAnalysisContext Context(std::initializer_list<int> subjects = {1, 2, 3}) const {
        CAnalysisContext c;
        c.m_nAnalysisExamId = 1;
        c.m_strAnalysisExam = QStringLiteral("2008|期中考试");
        for (const int s : subjects)
            c.m_aSubjectSelected[s - 1] = 1;
        c.m_nSelectedSubjects = int(subjects.size());
        return c;
    }

    std::optional<double> Total(int k, const char* student) {
        db::Recordset rs = m_db.Execute(
            QStringLiteral("SELECT sum%1 FROM tavrinKSK WHERE id=1 AND studentid=?").arg(k), student);
        return rs.Field(0).IsNull() ? std::nullopt : std::optional<double>(rs.Field(0).ToDouble());
    }

    QTemporaryDir m_dir;
    db::Connection m_db;
    CTextCipher m_cipher;
};
