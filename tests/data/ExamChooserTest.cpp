#include "data/ExamChooser.h"

#include "data/Schema.h"
#include "data/TextCipher.h"
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

namespace {

// Two grades share a name that holds a quote and a '|'; exam names hold them too. The second grade
// has an exam of the same name as the first grade's and one of its own; a fourth exam's grade has
// no row.
class ExamChooser : public ::testing::Test {
protected:
    void SetUp() override {
        db.OpenFile(QStringLiteral(":memory:"), {}, true);
        data::CreateSchema(db);
        db.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (1, ?, '12008')", kShared);
        db.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (2, ?, '12009')", kShared);
        db.Execute("INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (3, '初一', NULL)");
        AddExam("12008", "期中|考试"); // 1
        AddExam("12009", "期中|考试"); // 2
        AddExam("12009", "期末'考试"); // 3
        AddExam("19999", "补考");      // 4
    }
    void AddExam(const char* grade, const char* name) {
        db.Execute("INSERT INTO tavrinKSLB (mydesc, grade) VALUES (?, ?)",
                   cipher.EncodeText(data::DescriptionKey(), QString::fromUtf8(name)),
                   QString::fromUtf8(grade));
    }
    data::ExamRef Resolve(const QString& text, const QVariant& entryData = {}) {
        return data::ResolveExam(db, cipher, text, entryData);
    }

    const QString kShared = QStringLiteral("高'2008|级");
    db::Connection db;
    CTextCipher cipher;
};

TEST_F(ExamChooser, ListsEveryExamWithItsIdAndGradeInTextOrder) {
    const std::vector<data::ExamEntry> entries = data::ExamEntries(db, cipher);
    ASSERT_EQ(entries.size(), 4u);
    // "1" sorts before "高" and 末 before 中 in GBK; equal texts keep the newest first.
    EXPECT_EQ(entries[0].text, "19999|补考");
    EXPECT_EQ(entries[1].text, kShared + "|期末'考试");
    EXPECT_EQ(entries[2].text, kShared + "|期中|考试");
    EXPECT_EQ(entries[2].id, 2);
    EXPECT_EQ(entries[2].grade, "12009");
    EXPECT_EQ(entries[3].text, kShared + "|期中|考试");
    EXPECT_EQ(entries[3].id, 1);
    // Each entry's data names its own exam, whatever other entry shares its text.
    for (const data::ExamEntry& e : entries) {
        const data::ExamRef ref = Resolve(e.text, e.id);
        EXPECT_EQ(ref.id, e.id);
        EXPECT_EQ(ref.grade, e.grade);
    }
}

TEST_F(ExamChooser, ATypedTextTriesEveryGradeOfItsName) {
    EXPECT_EQ(Resolve(kShared + "|期末'考试").id, 3); // only the second grade of the name has it
    EXPECT_EQ(Resolve(kShared + "|期末'考试").grade, "12009");
    EXPECT_EQ(Resolve(kShared + "|期中|考试").id, 1); // both have it: the one registered first
    EXPECT_EQ(Resolve("12009|期中|考试").id, 2);      // a code stands for its grade
    EXPECT_EQ(Resolve("19999|补考").id, 4);
    EXPECT_FALSE(Resolve("补考").IsValid()); // no grade part
    EXPECT_FALSE(Resolve("初一|期中|考试").IsValid());
    EXPECT_FALSE(Resolve(kShared + "|").IsValid());
}

TEST_F(ExamChooser, AnEntryOfADeletedExamNamesNothing) {
    db.Execute("DELETE FROM tavrinKSLB WHERE id=2");
    EXPECT_FALSE(Resolve(kShared + "|期中|考试", 2).IsValid());
}

TEST_F(ExamChooser, GradeBoxesCarryTheirCodesAndSkipRowsWithoutOne) {
    // Rows of an older file: a grade added and never given its code (or its name), a code that is
    // no grade code. None is offered, whichever the order.
    db.Execute(
        "INSERT INTO tavrinGrade (id, mydesc, gradeno) VALUES (4, NULL, '*****'), (5, '高一', '*****'), "
        "(6, '高二', '1201'), (7, NULL, '12011'), (0, '初二', '02010')");
    std::vector<data::GradeEntry> grades = data::GradeEntries(db);
    ASSERT_EQ(grades.size(), 3u);
    EXPECT_EQ(grades[0].name, "初二");
    EXPECT_EQ(grades[2].name, kShared);
    EXPECT_EQ(data::ResolveGradeCode(db, grades[2].name, grades[2].code), "12009");
    grades = data::GradeEntries(db, data::GradeOrder::Code);
    ASSERT_EQ(grades.size(), 3u);
    EXPECT_EQ(grades[0].code, "02010");
    EXPECT_EQ(grades[1].code, "12008");
    // Typed: the first grade of the name; a name no grade has stays as typed.
    EXPECT_EQ(data::ResolveGradeCode(db, kShared, {}), "12008");
    EXPECT_EQ(data::ResolveGradeCode(db, "初一", {}), "初一");
    EXPECT_EQ(data::ResolveGradeCode(db, "高三", {}), "高三");
    EXPECT_EQ(data::GradeName(db, "12009"), kShared);
    EXPECT_EQ(data::GradeName(db, "19999"), "19999");
}

TEST_F(ExamChooser, ADatabaseFailureIsLoggedAndTheListIsEmpty) {
    db.Execute("DROP TABLE tavrinKSLB");
    ExpectWarning dropped("no such table: tavrinKSLB");
    EXPECT_TRUE(data::ExamEntries(db, cipher).empty());
    EXPECT_EQ(dropped.Count(), 1);
    EXPECT_THROW(Resolve(kShared + "|期中|考试"), db::DbError);
}

} // namespace
