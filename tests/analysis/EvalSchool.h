#pragma once
// Two exams of one grade whose teaching evaluation was worked out by hand (exam 1 / exam 2, 语文):
//   s1 95/90, s2 90/92, s3 85/70, s4 80/88 (class 1); s5 75/60 (class 1, then 3);
//   s6 70/85, s7 65/75, s8 60/55, s9 55/65, s10 50/58 (class 3); s11 100/NULL (class 1);
//   s12 NULL/99 (class 3). Odd students are arts (文), even ones science (理). Class 2 is empty.
// Grades: 1 高2008级 (12008: exams 1 期中考试 and 2 期末考试), 2 初2010级 (02010, no exams),
// 3 高2008级 again (12010: exams 3 期中考试 and 4 月考|二).

#include "app/MainFrm.h"
#include "app/VeltoraApp.h"
#include "data/AppContext.h"
#include "data/Schema.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"
#include "platform/profile/Profile.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "tests/common/Warnings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

class EvalSchool : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db.OpenFile(m_dir.filePath(QStringLiteral("eval.mdb")), {}, true);
        m_db.Execute(QStringLiteral("PRAGMA synchronous=OFF"));
        data::CreateSchema(m_db);
        const QString key = data::DescriptionKey();
        const char* names[] = {"语文", "数学"};
        for (int no = 1; no <= 2; ++no) {
            m_db.Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (?,?,?,?)"),
                         no, data::SubjectField(no),
                         m_cipher.EncodeText(key, QString::fromUtf8(names[no - 1])),
                         QStringLiteral("分数型"));
            data::AddSubjectColumns(m_db, no);
        }
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, '高2008级', '12008'), "
                           "(2, '初2010级', '02010'), (3, '高2008级', '12010')"));
        AddExam(QStringLiteral("12008"), QStringLiteral("期中考试"));
        AddExam(QStringLiteral("12008"), QStringLiteral("期末考试"));
        AddExam(QStringLiteral("12010"), QStringLiteral("期中考试"));
        AddExam(QStringLiteral("12010"), QStringLiteral("月考|二"));

        const std::optional<double> no;
        const struct {
            std::optional<double> first, second;
            int class1, class2;
        } rows[] = {{95, 90, 1, 1}, {90, 92, 1, 1}, {85, 70, 1, 1},  {80, 88, 1, 1},
                    {75, 60, 1, 3}, {70, 85, 3, 3}, {65, 75, 3, 3},  {60, 55, 3, 3},
                    {55, 65, 3, 3}, {50, 58, 3, 3}, {100, no, 1, 1}, {no, 99, 3, 3}};
        for (int i = 0; i < 12; ++i) {
            const QString id = QStringLiteral("s%1").arg(i + 1);
            AddRow(1, id, rows[i].class1, rows[i].first);
            AddRow(2, id, rows[i].class2, rows[i].second);
        }
    }

    void AddExam(const QString& grade, const QString& name) {
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSLB (mydesc, grade, ksrq) VALUES (?, ?, '2008-11-12')"),
            m_cipher.EncodeText(data::DescriptionKey(), name), grade);
    }

    void AddRow(int exam, const QString& student, int cls, std::optional<double> score) {
        const bool arts = student.mid(1).toInt() % 2 == 1;
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKSK (id, studentid, class, worl, s01) VALUES (?,?,?,?,?)"),
            exam, student, cls, arts ? QStringLiteral("文") : QStringLiteral("理"),
            score ? db::Variant(*score) : db::Variant());
    }

    QTemporaryDir m_dir;
    db::Connection m_db;
    CTextCipher m_cipher;
};

// The same school behind the running application, with recorded message boxes.
class EvalDialogSchool : public EvalSchool {
protected:
    void SetUp() override {
        EvalSchool::SetUp();
        profile::UseMemoryStore();
        boxes = std::make_unique<ui::ScriptedMessageBoxes>();
        app = std::make_unique<CVeltoraApp>();
        data::SetAppDirectory(m_dir.path() + u'/');
        ASSERT_TRUE(app->ProcessShellCommand());
        auto connection = std::make_unique<db::Connection>();
        connection->OpenFile(m_dir.filePath(QStringLiteral("eval.mdb")));
        data::SetDatabase(std::move(connection));
    }
    void TearDown() override {
        ui::SetDialogRunner({});
        app.reset();
        boxes.reset();
    }

    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
    std::unique_ptr<CVeltoraApp> app;
};
