#pragma once
// A hand-made grade followed over several exams, for the score history and the tracking table.
//
// Grade 12008 "高2008级"; subjects 1 语文 (s01), 2 数学 (s02). Exams of the grade, by id, with
// their dates: 1 期末考试 2009-01-10, 2 期中考试 2008-11-12, 3 月考 2008-09-30, 4 (no name)
// 2009-03-01; in date order 3, 2, 1, 4 (第1次 … 第4次).
// Roster (grade 12008), in insertion order:
//   120080100 李小明 class 1 文      120080101 张三 class 1 理     120080103 a张b class 1 理
//   120080102 "abcd  " class 1 文    120080201 王五 class 2 文     120080301 O'Neil class 3
//   120080302 百%分 class 3
// sum3 (s01) per exam; "-" no row, "N" a row with NULL values:
//   student  exam 3 (第1次)   exam 2 (第2次)          exam 1 (第3次)
//   李小明    -                85.49                    90
//   张三      90 (0.004)       85.5 (0.004)             70.25 (0.004)
//   abcd      90               N                        80.126
//   a张b      80               0 (its row in class 2)   50
//   王五      70               99                       80.13
// 张三 also has a row in exam 99, which is not registered.

#include "data/Schema.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"
#include "tests/common/Warnings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

class TrackSchool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db.OpenFile(m_dir.filePath(QStringLiteral("track.mdb")), {}, true);
        m_db.Execute(QStringLiteral("PRAGMA synchronous=OFF"));
        data::CreateSchema(m_db);
        const char* subjects[] = {"语文", "数学"};
        for (int no = 1; no <= 2; ++no) {
            m_db.Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (?,?,?,?)"),
                         no, data::SubjectField(no), Enc(subjects[no - 1]), QStringLiteral("分数型"));
            data::AddSubjectColumns(m_db, no);
        }
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, '高2008级', '12008')"));
        AddExam(1, "期末考试", "2009-01-10");
        AddExam(2, "期中考试", "2008-11-12");
        AddExam(3, "月考", "2008-09-30");
        AddExam(4, nullptr, "2009-03-01");

        Student("120080100", "李小明", 1, "文");
        Student("120080101", "张三", 1, "理");
        Student("120080103", "a张b", 1, "理");
        Student("120080102", "abcd  ", 1, "文");
        Student("120080201", "王五", 2, "文");
        Student("120080301", "O'Neil", 3, "理");
        Student("120080302", "百%分", 3, "文");

        using S = std::optional<double>;
        Score(3, "120080101", "张三", 1, "理", 90, 0.004, 100);
        Score(3, "120080102", "abcd", 1, "文", 90, 10, 20);
        Score(3, "120080103", "a张b", 1, "理", 80, 30, 40);
        Score(3, "120080201", "王五", 2, "文", 70, 50, 60);
        Score(2, "120080100", "李小明", 1, "文", 85.49, 1, 2);
        Score(2, "120080101", "张三", 1, "理", 85.5, 0.004, 100);
        Score(2, "120080102", "abcd", 1, "文", S(), S(), S());
        Score(2, "120080103", "a张b", 2, "理", 0, 0, 0);
        Score(2, "120080201", "王五", 2, "文", 99, 9, 9);
        Score(1, "120080100", "李小明", 1, "文", 90, 3, 4);
        Score(1, "120080101", "张三", 1, "理", 70.25, 0.004, 100);
        Score(1, "120080102", "abcd", 1, "文", 80.126, 5, 6);
        Score(1, "120080103", "a张b", 1, "理", 50, 7, 8);
        Score(1, "120080201", "王五", 2, "文", 80.13, 11, 12);
        Score(99, "120080101", "张三", 1, "理", 1, 2, 3);
    }

    QString Enc(const char* text) {
        return m_cipher.EncodeText(data::DescriptionKey(), QString::fromUtf8(text));
    }

    void AddExam(int id, const char* name, const char* date) {
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSLB (id, mydesc, grade, ksrq) VALUES (?, ?, '12008', ?)"), id,
            name ? db::Variant(Enc(name)) : db::Variant(), date);
    }

    void Student(const char* id, const char* name, int cls, const char* worl) {
        m_db.Execute(QStringLiteral("INSERT INTO tavrinName (grade, studentid, name, class, worl) "
                                    "VALUES ('12008', ?, ?, ?, ?)"),
                     id, QString::fromUtf8(name), cls, worl);
    }

    void Score(int exam, const char* id, const char* name, int cls, const char* worl,
               std::optional<double> sum3, std::optional<double> s01, std::optional<double> s02) {
        const auto v = [](std::optional<double> x) { return x ? db::Variant(*x) : db::Variant(); };
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSK (id, studentid, name, class, worl, sum1, sum2, sum3, "
                           "s01, s02) VALUES (?,?,?,?,?,?,?,?,?,?)"),
            {exam, id, QString::fromUtf8(name), cls, worl, v(sum3 ? std::optional(*sum3 - 1) : sum3),
             v(sum3 ? std::optional(*sum3 - 2) : sum3), v(sum3), v(s01), v(s02)});
    }

    QTemporaryDir m_dir;
    db::Connection m_db;
    CTextCipher m_cipher;
};
