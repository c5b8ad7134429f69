#pragma once
// An exam whose score lists each test writes for itself (exam 1 of grade 12008 "高2008级",
// "期中考试"; subjects 1 语文, 2 数学, 3 英语), behind the shared home: its connection, the analysis
// context, the program folder, message boxes that record their texts and a desktop that records
// what it is handed.

#include "data/AnalysisContext.h"
#include "data/AppContext.h"
#include "data/Schema.h"
#include "data/TextCipher.h"
#include "platform/db/Connection.h"
#include "platform/drensil/Drensil.h"
#include "platform/profile/Profile.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "report/ExportToXls.h"
#include "tests/common/Warnings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

class LineSchool : public ::testing::Test {
protected:
    using Score = std::optional<double>;

    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_db.OpenFile(m_dir.filePath(QStringLiteral("lines.mdb")), {}, true);
        m_db.Execute(QStringLiteral("PRAGMA synchronous=OFF"));
        data::CreateSchema(m_db);
        const QString key = data::DescriptionKey();
        const char* names[] = {"语文", "数学", "英语"};
        for (int no = 1; no <= 3; ++no) {
            m_db.Execute(QStringLiteral("INSERT INTO tavrinKMK (id, fldname, mydesc, type) VALUES (?,?,?,?)"),
                         no, data::SubjectField(no),
                         m_cipher.EncodeText(key, QString::fromUtf8(names[no - 1])),
                         QStringLiteral("分数型"));
            data::AddSubjectColumns(m_db, no);
        }
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, '高2008级', '12008')"));
        m_db.Execute(QStringLiteral("INSERT INTO tavrinKSLB (mydesc, grade, ksrq) VALUES (?, '12008', "
                                    "'2008-11-12')"),
                     m_cipher.EncodeText(key, QStringLiteral("期中考试")));

        m_context.m_nAnalysisExamId = 1;
        m_context.m_strAnalysisExam = QStringLiteral("2008|期中考试");
        SetSubjects({1, 2, 3});
    }
    void TearDown() override {
        ui::SetDialogRunner({});
        SetExportClock({});
        drensil::SetFileOpener({});
        data::ResetAppContext();
        boxes.reset();
    }

    void SetSubjects(std::initializer_list<int> subjects) {
        m_context.m_aSubjectSelected.fill(0);
        for (const int s : subjects)
            m_context.m_aSubjectSelected[s - 1] = 1;
        m_context.m_nSelectedSubjects = int(subjects.size());
    }

    // One student of exam 1.
    void Add(std::optional<int> cls, const char* worl, Score s1, Score s2 = {}, Score s3 = {}) {
        const auto v = [](const std::optional<double>& s) { return s ? db::Variant(*s) : db::Variant(); };
        m_db.Execute(QStringLiteral("INSERT INTO tavrinKSK (id, studentid, class, worl, s01, s02, s03) "
                                    "VALUES (1,?,?,?,?,?,?)"),
                     QStringLiteral("%1").arg(++m_students, 4, 10, QLatin1Char('0')),
                     cls ? db::Variant(*cls) : db::Variant(), worl, v(s1), v(s2), v(s3));
    }
    // Students of one class with these 语文 scores.
    void AddClass(int cls, const std::vector<double>& scores, const char* worl = "理") {
        for (const double s : scores)
            Add(cls, worl, s);
    }
    static std::vector<double> Repeat(double score, int times) { return std::vector<double>(times, score); }

    void Weights(const char* field, double t1, double t2, double w1, double w2) {
        m_db.Execute(
            QStringLiteral("INSERT INTO tavrinKMWGT (id, kmfld, t1, t2, t1w, t2w) VALUES (1,?,?,?,?,?)"),
            field, t1, t2, w1, w2);
    }

    // The dialogs' home: the school's file, its context, the folder, recorded boxes and desktop.
    void OpenHome() {
        profile::UseMemoryStore();
        boxes = std::make_unique<ui::ScriptedMessageBoxes>();
        data::SetAppDirectory(m_dir.path() + u'/');
        auto connection = std::make_unique<db::Connection>();
        connection->OpenFile(m_dir.filePath(QStringLiteral("lines.mdb")));
        data::SetDatabase(std::move(connection));
        data::SetAnalysisContext(&m_context);
        drensil::SetFileOpener([this](const QString& path) {
            handedOn << path;
            return true;
        });
    }

    // The lines of the last exported file, each split at its tabs.
    QList<QStringList> Exported() const {
        QList<QStringList> lines;
        if (handedOn.isEmpty())
            return lines;
        QFile f(handedOn.last());
        if (!f.open(QIODevice::ReadOnly))
            return lines;
        for (const QString& line : text::FromGbk(f.readAll()).split(u'\n', Qt::SkipEmptyParts))
            lines << line.split(u'\t');
        return lines;
    }

    QTemporaryDir m_dir;
    db::Connection m_db;
    CTextCipher m_cipher;
    CAnalysisContext m_context;
    int m_students = 0;
    std::unique_ptr<ui::ScriptedMessageBoxes> boxes;
    QStringList handedOn;
};
