// Workbooks: formula results as LibreOffice cached them, empty texts, long shared-string tables
// written by xlwt, the sheet sizes the format allows, and records that no writer at hand makes
// (built here byte by byte).

#include "platform/import/Biff.h"
#include "platform/import/Source.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using importsrc::SourceFile;
namespace biff = importsrc::biff;

class WorkbookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        importtest::MakeSources(s_dir->path(), {QStringLiteral("school.xls"), QStringLiteral("rows.xls:3000"),
                                                QStringLiteral("styled.xls"), QStringLiteral("mixed.xls")});
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    // The table's rows as texts ("<null>" for NULL), after its column types.
    QStringList Load(const QString& path, const QString& table) {
        SourceFile file(path);
        conn = std::make_unique<db::Connection>();
        conn->OpenFile(QStringLiteral(":memory:"));
        file.Load(table, *conn);
        errorCells = file.LoadedErrorCells();
        db::Recordset rs = conn->Execute(QStringLiteral("SELECT * FROM ") + importsrc::QuoteName(table));
        QStringList lines;
        QStringList header;
        for (int c = 0; c < rs.FieldCount(); ++c)
            header << rs.FieldName(c) + QLatin1Char(' ') + rs.FieldType(c);
        lines << header.join(u',');
        for (; !rs.IsEOF(); rs.MoveNext()) {
            QStringList cells;
            for (int c = 0; c < rs.FieldCount(); ++c)
                cells << (rs.Field(c).IsNull() ? QStringLiteral("<null>") : rs.Field(c).ToString());
            lines << cells.join(u',');
        }
        return lines;
    }

    // The message of the error that opening or loading the file's first table raises.
    static QString Refusal(const QString& path) {
        try {
            SourceFile file(path);
            db::Connection target;
            target.OpenFile(QStringLiteral(":memory:"));
            file.Load(file.Tables().value(0), target);
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
            EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
            return e.Message();
        }
        ADD_FAILURE() << "loaded " << path.toStdString();
        return {};
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    std::unique_ptr<db::Connection> conn;
    importsrc::ErrorCells errorCells; // of the table loaded last
};

std::unique_ptr<QTemporaryDir> WorkbookTest::s_dir;

TEST_F(WorkbookTest, FormulasGiveTheirCachedResultsAndEmptyTextsReadEmpty) {
    const QString path = importtest::ImportFile(QStringLiteral("formulas.xls"));
    EXPECT_EQ(SourceFile(path).Tables(), QStringList{QStringLiteral("公式$")});
    const QStringList lines = Load(path, QStringLiteral("公式$"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("学号 TEXT,总分 NUMBER,等第 TEXT,及格 NUMBER,错误 NUMBER,空串 TEXT,"
                                       "清空 TEXT,日期 DATETIME,时刻 DATETIME,时间 DATETIME"));
    // Numbers, texts and booleans as calculated; #DIV/0! and #N/A, ="" and the cleared texts
    // of column G read as empty, the errors noted as such. The formula "0200"&"70146" gives a text, "9"&"0" a
    // text that the numeric column takes as a number.
    EXPECT_EQ(lines[1], QStringLiteral("020070145,85.5,优,1,<null>,<null>,<null>,2024-05-06,"
                                       "2024-05-06 07:08:09,07:08:09"));
    EXPECT_EQ(lines[2],
              QStringLiteral("020070146,55,良,0,<null>,<null>,<null>,2024-05-07,2024-05-07,12:00:00"));
    EXPECT_EQ(lines[3], QStringLiteral("020070147,90,") + QString(300, QChar(u'长')) +
                            QStringLiteral(",0,7,<null>,<null>,<null>,<null>,<null>"));
    EXPECT_EQ(errorCells, (importsrc::ErrorCells{{1, 4}, {2, 4}}));
}

// A cell of another kind than most of its column's keeps its value: texts and a number in a
// column of dates (the texts that read as numbers become numbers there, as in a column of
// numbers), a date and a number in a column of texts.
TEST_F(WorkbookTest, CellsOfAnotherKindThanTheirColumnKeepTheirValues) {
    const QString path = s_dir->filePath(QStringLiteral("mixed.xls"));
    EXPECT_EQ(Load(path, QStringLiteral("Sheet1$")),
              (QStringList{QStringLiteral("日期 DATETIME,备注 MIXED BLOB"),
                           QStringLiteral("2024-09-01,第1周"), QStringLiteral("2024-09-02,第2周"),
                           QStringLiteral("2024-09-03,第3周"), QStringLiteral("2024-09-04,第4周"),
                           QStringLiteral("2024-09-05,第5周"), QStringLiteral("2024-09-06,第6周"),
                           QStringLiteral("待定,2024-09-07"), QStringLiteral("3,4.5"),
                           QStringLiteral("12,<null>"), QStringLiteral("第二学期,<null>")}));
    QStringList types;
    for (db::Recordset rs = conn->Execute(QStringLiteral("SELECT typeof(日期), typeof(备注) FROM [Sheet1$]"));
         !rs.IsEOF(); rs.MoveNext())
        types << rs.Field(0).ToString() + QLatin1Char('/') + rs.Field(1).ToString();
    EXPECT_EQ(types, (QStringList{"text/text", "text/text", "text/text", "text/text", "text/text",
                                  "text/text", "text/text", "integer/real", "integer/null", "text/null"}));
}

// xlwt spreads a shared-string table of this size over many CONTINUE records, breaking strings
// at their borders.
TEST_F(WorkbookTest, LongSharedStringTables) {
    Load(s_dir->filePath(QStringLiteral("rows.xls")), QStringLiteral("Sheet1$"));
    const db::Recordset rs = conn->Execute(QStringLiteral(
        "SELECT count(*), count(DISTINCT XM), sum(XM = '学生' || (CAST(substr(XH, 5) AS INTEGER))), "
        "max(XH), sum(P1) FROM [Sheet1$]"));
    EXPECT_EQ(rs.Field(0).ToInt(), 3000);
    EXPECT_EQ(rs.Field(1).ToInt(), 3000);
    EXPECT_EQ(rs.Field(2).ToInt(), 3000);
    EXPECT_EQ(rs.Field(3).ToString(), QStringLiteral("020002999"));
}

// school.xls with its first sheet's declared size (DIMENSIONS) changed.
TEST_F(WorkbookTest, DeclaredSheetSizes) {
    const QByteArray bytes = importtest::ReadBytes(s_dir->filePath(QStringLiteral("school.xls")));
    // The record as xlwt writes it for the first sheet: rows 0 to 6, columns 0 to 9.
    const QByteArray dimensions("\x00\x02\x0e\x00\x00\x00\x00\x00\x06\x00\x00\x00\x00\x00\x09\x00", 16);
    const qsizetype at = bytes.indexOf(dimensions);
    ASSERT_GT(at, 0);
    const auto withSize = [&](std::uint32_t rows, std::uint16_t columns) {
        QByteArray changed = bytes;
        std::memcpy(changed.data() + at + 8, &rows, 4);
        std::memcpy(changed.data() + at + 14, &columns, 2);
        const QString path = s_dir->filePath(QStringLiteral("size-%1-%2.xls").arg(rows).arg(columns));
        EXPECT_TRUE(importtest::WriteBytes(path, changed));
        return path;
    };

    // The largest size the format allows reads the rows that hold values, no more; a size that
    // leaves cells out (some writers declare one) reads every cell all the same.
    const QStringList lines = Load(withSize(65536, 256), QStringLiteral("成绩表$"));
    EXPECT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0].count(u','), 8);
    EXPECT_EQ(Load(withSize(3, 4), QStringLiteral("成绩表$")), lines);

    // 983,295 rows, or 257 columns, are more than a workbook can hold; rows without columns are
    // no sheet. Each refuses the whole file, named, at once.
    EXPECT_TRUE(Refusal(withSize(983295, 9)).contains(QStringLiteral("983295行×9列")));
    EXPECT_TRUE(Refusal(withSize(6, 257)).contains(QStringLiteral("超出了格式的上限")));
    EXPECT_TRUE(Refusal(withSize(6, 0)).contains(QStringLiteral("有行而没有列")));
    // A first row behind the last is a damaged record, not a size too large.
    QByteArray backwards = bytes;
    const std::uint32_t firstRow = 11;
    std::memcpy(backwards.data() + at + 4, &firstRow, 4);
    const QString backwardsPath = s_dir->filePath(QStringLiteral("size-backwards.xls"));
    ASSERT_TRUE(importtest::WriteBytes(backwardsPath, backwards));
    const QString refusal = Refusal(backwardsPath);
    EXPECT_TRUE(refusal.contains(QStringLiteral("大小记录已损坏"))) << refusal.toStdString();
    EXPECT_FALSE(refusal.contains(QStringLiteral("上限"))) << refusal.toStdString();
}

// The records of a workbook written by xlwt, found by walking its stream from the first record
// (these small files keep the stream in one piece): where each is, its type and its length.
struct FileRecord {
    qsizetype at;
    std::uint16_t type;
    std::uint16_t length;
};
std::uint16_t Word(const QByteArray& b, qsizetype at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}
void SetWord(QByteArray& b, qsizetype at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
// The records of the file's first worksheet (or the one `sheet` after it), from its BOF to its EOF.
std::vector<FileRecord> FirstSheetRecords(const QByteArray& file, int sheet = 0) {
    std::vector<FileRecord> out;
    const QByteArray bof("\x09\x08\x10\x00\x00\x06\x10\x00", 8);
    qsizetype start = file.indexOf(bof);
    for (; sheet > 0 && start >= 0; --sheet)
        start = file.indexOf(bof, start + 1);
    for (qsizetype at = start; at >= 0 && at + 4 <= file.size();) {
        const FileRecord r{at, Word(file, at), Word(file, at + 2)};
        out.push_back(r);
        if (r.type == 0x000A)
            break;
        at += 4 + r.length;
    }
    return out;
}
const FileRecord* Nth(const std::vector<FileRecord>& records, std::uint16_t type, int n) {
    for (const FileRecord& r : records)
        if (r.type == type && n-- == 0)
            return &r;
    return nullptr;
}

// One length field changed makes a cell record take the records behind it for its own data: it
// refuses the whole file, though what is left would read as a table with fewer rows.
TEST_F(WorkbookTest, RecordsOfTheWrongLengthRefuseTheFile) {
    const auto write = [](const QByteArray& bytes, const QString& name) {
        const QString path = s_dir->filePath(name);
        EXPECT_TRUE(importtest::WriteBytes(path, bytes));
        return path;
    };
    // The record at `r` made as long as it and the records behind it, as many as fit in one.
    const auto swallow = [](QByteArray bytes, const std::vector<FileRecord>& records, const FileRecord* r) {
        int length = r->length;
        for (const FileRecord* next = r + 1;
             next < records.data() + records.size() - 1 && length + 4 + next->length <= 8224; ++next)
            length += 4 + next->length;
        SetWord(bytes, r->at + 2, static_cast<std::uint16_t>(length));
        return bytes;
    };

    const QByteArray rows = importtest::ReadBytes(s_dir->filePath(QStringLiteral("rows.xls")));
    const std::vector<FileRecord> rowRecords = FirstSheetRecords(rows);
    const FileRecord* label = Nth(rowRecords, 0x00FD, 200);
    ASSERT_NE(label, nullptr);
    ASSERT_EQ(label->length, 10);
    const QString longLabel = write(swallow(rows, rowRecords, label), QStringLiteral("long-label.xls"));
    EXPECT_TRUE(
        Refusal(longLabel).contains(QStringLiteral("文件已损坏：工作表“Sheet1”的文字单元格记录长度不对")))
        << Refusal(longLabel).toStdString();
    const FileRecord* numbers = Nth(rowRecords, 0x00BD, 100);
    ASSERT_NE(numbers, nullptr);
    EXPECT_TRUE(Refusal(write(swallow(rows, rowRecords, numbers), QStringLiteral("long-mulrk.xls")))
                    .contains(QStringLiteral("多个数字单元格记录")));

    const QByteArray school = importtest::ReadBytes(s_dir->filePath(QStringLiteral("school.xls")));
    const std::vector<FileRecord> records = FirstSheetRecords(school);
    for (const std::uint16_t type : {0x0203, 0x027E}) { // a NUMBER and an RK taking the next record
        const FileRecord* number = Nth(records, type, 0);
        ASSERT_NE(number, nullptr);
        EXPECT_TRUE(Refusal(write(swallow(school, records, number), QStringLiteral("long-number.xls")))
                        .contains(QStringLiteral("数字单元格记录长度不对")));
    }
}

// A record whose type was damaged into an end record would end its sheet (or the global records)
// early, and a sheet entry whose type was damaged would leave its sheet out: both refuse the file.
TEST_F(WorkbookTest, AnEarlyEndOrAnUnlistedSheetRefusesTheFile) {
    const QByteArray school = importtest::ReadBytes(s_dir->filePath(QStringLiteral("school.xls")));
    const std::vector<FileRecord> records = FirstSheetRecords(school);
    const FileRecord* text = Nth(records, 0x00FD, 3);
    ASSERT_NE(text, nullptr);
    QByteArray early = school;
    SetWord(early, text->at, 0x000A);
    const QString earlyPath = s_dir->filePath(QStringLiteral("early-end.xls"));
    ASSERT_TRUE(importtest::WriteBytes(earlyPath, early));
    EXPECT_TRUE(Refusal(earlyPath).contains(QStringLiteral("工作表“成绩表”在结尾之后还有记录")))
        << Refusal(earlyPath).toStdString();

    const qsizetype entry = school.indexOf(QByteArray("\x85\x00", 2));
    ASSERT_GT(entry, 0);
    QByteArray unlisted = school;
    SetWord(unlisted, entry, 0x7FFF); // a type no record has: the reader would pass it over
    const QString unlistedPath = s_dir->filePath(QStringLiteral("unlisted.xls"));
    ASSERT_TRUE(importtest::WriteBytes(unlistedPath, unlisted));
    EXPECT_TRUE(Refusal(unlistedPath).contains(QStringLiteral("工作簿中有一张没有登记的工作表")))
        << Refusal(unlistedPath).toStdString();

    // The globals' end record early: the sheet entries behind it are lost.
    QByteArray globals = school;
    SetWord(globals, entry, 0x000A);
    const QString globalsPath = s_dir->filePath(QStringLiteral("early-globals.xls"));
    ASSERT_TRUE(importtest::WriteBytes(globalsPath, globals));
    EXPECT_TRUE(Refusal(globalsPath).contains(QStringLiteral("工作簿的全局记录在结尾之后还有记录")))
        << Refusal(globalsPath).toStdString();

    // A sheet's entry whose kind was damaged: a kind no sheet has, or another kind of sheet than
    // the worksheet its part holds. Either would leave the sheet out.
    QByteArray mistyped = school;
    mistyped[entry + 9] = static_cast<char>(0x80);
    const QString mistypedPath = s_dir->filePath(QStringLiteral("mistyped.xls"));
    ASSERT_TRUE(importtest::WriteBytes(mistypedPath, mistyped));
    EXPECT_TRUE(Refusal(mistypedPath).contains(QStringLiteral("工作表记录的类型已损坏")))
        << Refusal(mistypedPath).toStdString();
    QByteArray chart = school;
    chart[entry + 9] = 2;
    const QString chartPath = s_dir->filePath(QStringLiteral("chart-entry.xls"));
    ASSERT_TRUE(importtest::WriteBytes(chartPath, chart));
    EXPECT_TRUE(Refusal(chartPath).contains(QStringLiteral("工作簿中有一张没有登记的工作表")))
        << Refusal(chartPath).toStdString();

    // A record's length made longer carries a sheet's records over its end into the next sheet.
    const std::vector<FileRecord> third = FirstSheetRecords(school, 2);
    const FileRecord* protect = Nth(third, 0x0063, 0);
    ASSERT_NE(protect, nullptr);
    QByteArray overrun = school;
    SetWord(overrun, protect->at + 2, 128);
    const QString overrunPath = s_dir->filePath(QStringLiteral("overrun.xls"));
    ASSERT_TRUE(importtest::WriteBytes(overrunPath, overrun));
    EXPECT_TRUE(Refusal(overrunPath).contains(QStringLiteral("的记录越过了下一张工作表的开头")))
        << Refusal(overrunPath).toStdString();

    // The sheet's entry and the globals' end both damaged: the global records would run on
    // through the sheet, which no entry lists and no check after the globals' end would see.
    const qsizetype globalsEnd = school.indexOf(QByteArray("\x0A\x00\x00\x00\x09\x08\x10\x00", 8));
    ASSERT_GT(globalsEnd, entry);
    QByteArray swallowed = unlisted;
    SetWord(swallowed, globalsEnd, 0x7FFF);
    const QString swallowedPath = s_dir->filePath(QStringLiteral("swallowed.xls"));
    ASSERT_TRUE(importtest::WriteBytes(swallowedPath, swallowed));
    EXPECT_TRUE(Refusal(swallowedPath).contains(QStringLiteral("工作簿的全局记录中混有工作表的记录")))
        << Refusal(swallowedPath).toStdString();
}

// Damage that misaligns the records until a misread length lands on a real record again, or
// that moves a cell onto another: the sheet would read with cells lost, rows short or a value
// replaced. A record of type 0 or of an older format, a cell given twice and a cell record after
// a record of another type behind the cells each refuse the whole file.
TEST_F(WorkbookTest, DamageThatRealignsTheRecordsRefusesTheFile) {
    const auto refusal = [](const QByteArray& bytes, const QString& name) {
        const QString path = s_dir->filePath(name);
        EXPECT_TRUE(importtest::WriteBytes(path, bytes));
        return Refusal(path);
    };
    // One MULRK of the 3000 students with its type and length zeroed: its body read as records.
    const QByteArray rows = importtest::ReadBytes(s_dir->filePath(QStringLiteral("rows.xls")));
    const std::vector<FileRecord> rowRecords = FirstSheetRecords(rows);
    const FileRecord* numbers = Nth(rowRecords, 0x00BD, 45);
    ASSERT_NE(numbers, nullptr);
    QByteArray zeroed = rows;
    SetWord(zeroed, numbers->at, 0);
    SetWord(zeroed, numbers->at + 2, 0);
    QString message = refusal(zeroed, QStringLiteral("zeroed.xls"));
    EXPECT_TRUE(message.contains(QStringLiteral("文件已损坏：工作表“Sheet1”中有不属于Excel 97-2003格式的记录"
                                                "（类型0x0000）")))
        << message.toStdString();

    const QByteArray school = importtest::ReadBytes(s_dir->filePath(QStringLiteral("school.xls")));
    const std::vector<FileRecord> records = FirstSheetRecords(school);
    // A text cell's type made the LABEL of the formats before BIFF8.
    QByteArray old = school;
    SetWord(old, Nth(records, 0x00FD, 4)->at, 0x0004);
    message = refusal(old, QStringLiteral("old-label.xls"));
    EXPECT_TRUE(message.contains(QStringLiteral("（类型0x0004）"))) << message.toStdString();
    // The 学号 of the first student moved onto the header's first cell.
    const FileRecord* student = nullptr;
    for (const FileRecord& r : records)
        if (r.type == 0x00FD && Word(school, r.at + 4) == 1 && Word(school, r.at + 6) == 0)
            student = &r;
    ASSERT_NE(student, nullptr);
    QByteArray twice = school;
    SetWord(twice, student->at + 4, 0);
    message = refusal(twice, QStringLiteral("twice.xls"));
    EXPECT_TRUE(message.contains(QStringLiteral("工作表“成绩表”有单元格（第1行第1列）给出了两次")))
        << message.toStdString();

    // A cell's type made one no reader knows (LABELSST 0x00FD to 0x02FD) among the cells of the
    // 3000 students: the cell table's run of records shows the loss.
    QByteArray hidden = rows;
    SetWord(hidden, Nth(rowRecords, 0x00FD, 1000)->at, 0x02FD);
    message = refusal(hidden, QStringLiteral("hidden-cell.xls"));
    EXPECT_TRUE(message.contains(QStringLiteral("工作表“Sheet1”的单元格记录中间夹有其他记录（类型0x02FD）")))
        << message.toStdString();

    // The last text cell's row damaged (row 41): a row without a row record, outside the 6 rows
    // declared, in a sheet whose rows have row records.
    const FileRecord* last = nullptr;
    for (const FileRecord& r : records)
        if (r.type == 0x00FD)
            last = &r;
    ASSERT_NE(last, nullptr);
    QByteArray farRow = school;
    SetWord(farRow, last->at + 4, 40);
    message = refusal(farRow, QStringLiteral("far-row.xls"));
    EXPECT_TRUE(message.contains(
        QStringLiteral("工作表“成绩表”的第41行有单元格，却没有行记录，又在其大小记录声明的6行之外")))
        << message.toStdString();

    // Bytes written over the head of a sheet take its size record with them (here: its type
    // made one no reader knows); every writer writes one ahead of the cells.
    QByteArray headless = school;
    SetWord(headless, Nth(records, 0x0200, 0)->at, 0x7FFF);
    message = refusal(headless, QStringLiteral("headless.xls"));
    EXPECT_TRUE(message.contains(QStringLiteral("工作表“成绩表”在其单元格记录之前没有大小记录")))
        << message.toStdString();
    // The empty sheet "Empty" (the fourth) without its size record.
    const std::vector<FileRecord> empty = FirstSheetRecords(school, 3);
    ASSERT_NE(Nth(empty, 0x0200, 0), nullptr);
    QByteArray sizeless = school;
    SetWord(sizeless, Nth(empty, 0x0200, 0)->at, 0x7FFF);
    const QString sizelessPath = s_dir->filePath(QStringLiteral("sizeless.xls"));
    ASSERT_TRUE(importtest::WriteBytes(sizelessPath, sizeless));
    try {
        SourceFile file(sizelessPath);
        ADD_FAILURE() << "opened";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("没有大小记录"))) << e.Message().toStdString();
    }
}

// Formatting without values, as xlwt writes it: styled blank cells, merged cells, row records
// of rows without cells (styled, of their own height, only touched), a sheet of one styled
// blank cell and an empty sheet with a styled row. All of it reads, the formatting unseen.
TEST_F(WorkbookTest, FormattingWithoutValuesReads) {
    const QString path = s_dir->filePath(QStringLiteral("styled.xls"));
    EXPECT_EQ(SourceFile(path).Tables(),
              (QStringList{QStringLiteral("Sheet1$"), QStringLiteral("Blank$"), QStringLiteral("Empty$")}));
    EXPECT_EQ(Load(path, QStringLiteral("Sheet1$")),
              (QStringList{QStringLiteral("XH TEXT,XM TEXT,P1 NUMBER"), QStringLiteral("1,a,5"),
                           QStringLiteral("merged,<null>,7"), QStringLiteral("<null>,<null>,<null>"),
                           QStringLiteral("<null>,<null>,<null>"), QStringLiteral("<null>,<null>,<null>"),
                           QStringLiteral("<null>,<null>,<null>"), QStringLiteral("<null>,<null>,<null>"),
                           QStringLiteral("9,<null>,1.5")}));
    EXPECT_EQ(Load(path, QStringLiteral("Blank$")).size(), 1);
    EXPECT_EQ(Load(path, QStringLiteral("Empty$")).size(), 1);
}

// What writers write of their own ways reads whole, as the book without it does: a size that
// declares no cell (all zeros, or Gnumeric's full width over an empty sheet) or not all of them
// (a column too few, as a PHP library writes it); records of types the reader does not use
// ahead of the cells and behind them (LibreOffice's data validation and label ranges); a long
// printer-settings record gone on in a CONTINUE ahead of the cells, as Excel writes it; row
// records of rows without cells that declare columns (Gnumeric's 0 to 256, Excel's of a
// styled row).
TEST_F(WorkbookTest, WhatWritersWriteOfTheirOwnReadsWhole) {
    const QString original = s_dir->filePath(QStringLiteral("school.xls"));
    const QByteArray school = importtest::ReadBytes(original);
    const std::vector<FileRecord> records = FirstSheetRecords(school);
    const FileRecord* size = Nth(records, 0x0200, 0);
    ASSERT_NE(size, nullptr);
    const QStringList expected = Load(original, QStringLiteral("成绩表$"));
    ASSERT_EQ(expected.size(), 6);
    const auto changed = [](QByteArray bytes, const QString& name,
                            const std::function<void(QByteArray&)>& edit) {
        edit(bytes);
        const QString path = s_dir->filePath(name);
        EXPECT_TRUE(importtest::WriteBytes(path, bytes));
        return path;
    };
    const auto retype = [](const FileRecord* r, std::uint16_t type) {
        return [r, type](QByteArray& b) { SetWord(b, r->at, type); };
    };

    EXPECT_EQ(Load(changed(school, QStringLiteral("empty-size.xls"),
                           [&](QByteArray& b) { std::memset(b.data() + size->at + 4, 0, 14); }),
                   QStringLiteral("成绩表$")),
              expected);
    EXPECT_EQ(Load(changed(school, QStringLiteral("size-from-column-2.xls"),
                           [&](QByteArray& b) { SetWord(b, size->at + 12, 1); }),
                   QStringLiteral("成绩表$")),
              expected);
    // xlwt writes the margins (0x0028, 0x0029) right ahead of the page set-up (0x00A1).
    const FileRecord* setup = Nth(records, 0x00A1, 0);
    ASSERT_NE(setup, nullptr);
    ASSERT_EQ((setup - 2)->type, 0x0028);
    EXPECT_EQ(Load(changed(school, QStringLiteral("printer-settings.xls"),
                           [&](QByteArray& b) {
                               SetWord(b, (setup - 2)->at, 0x004D);
                               SetWord(b, (setup - 1)->at, 0x003C);
                           }),
                   QStringLiteral("成绩表$")),
              expected);
    const FileRecord* window = Nth(records, 0x023E, 0); // right behind the cells
    ASSERT_NE(window, nullptr);
    for (const std::uint16_t type : {0x01B2, 0x015F, 0x7FFF}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(Load(changed(school, QStringLiteral("behind-cells.xls"), retype(window, type)),
                       QStringLiteral("成绩表$")),
                  expected);
        EXPECT_EQ(Load(changed(school, QStringLiteral("ahead-of-cells.xls"), retype(size + 1, type)),
                       QStringLiteral("成绩表$")),
                  expected);
    }

    // The fourth sheet, empty, declared one row by 256 columns.
    const std::vector<FileRecord> empty = FirstSheetRecords(school, 3);
    ASSERT_NE(Nth(empty, 0x0200, 0), nullptr);
    const qsizetype emptySize = Nth(empty, 0x0200, 0)->at;
    EXPECT_EQ(Load(changed(school, QStringLiteral("wide-empty.xls"),
                           [&](QByteArray& b) {
                               b[emptySize + 8] = 1;
                               SetWord(b, emptySize + 14, 256);
                           }),
                   QStringLiteral("Empty$")),
              Load(original, QStringLiteral("Empty$")));

    // styled.xls has row records of rows 5, 6, 7 and 10 without cells (xlwt's: the first column
    // alone): all columns, or columns 3 to 5.
    const QString styledPath = s_dir->filePath(QStringLiteral("styled.xls"));
    const QByteArray styled = importtest::ReadBytes(styledPath);
    int emptyRows = 0;
    const QString rowsPath = changed(styled, QStringLiteral("row-records.xls"), [&](QByteArray& b) {
        for (const FileRecord& r : FirstSheetRecords(styled)) {
            const int row = r.type == 0x0208 ? Word(b, r.at + 4) : -1;
            if (row == 5 || row == 7 || row == 10) {
                SetWord(b, r.at + 8, 256);
                ++emptyRows;
            } else if (row == 6) {
                SetWord(b, r.at + 6, 2);
                SetWord(b, r.at + 8, 5);
                ++emptyRows;
            }
        }
    });
    EXPECT_EQ(emptyRows, 4);
    EXPECT_EQ(Load(rowsPath, QStringLiteral("Sheet1$")), Load(styledPath, QStringLiteral("Sheet1$")));
}

// A workbook whose sheets are all charts (here: each sheet's type byte says so) offers nothing to
// import.
TEST_F(WorkbookTest, AWorkbookWithoutWorksheetsIsRefused) {
    QByteArray bytes = importtest::ReadBytes(s_dir->filePath(QStringLiteral("school.xls")));
    int sheets = 0;
    for (qsizetype at = bytes.indexOf(QByteArray("\x85\x00", 2)); at >= 0;
         at = bytes.indexOf(QByteArray("\x85\x00", 2), at + 1)) {
        // A BOUNDSHEET record: its length, the sheet's offset, visibility, then the type.
        if (Word(bytes, at + 2) >= 8 && bytes[at + 9] == '\0' && bytes[at + 8] == '\0') {
            bytes[at + 9] = '\x02';
            ++sheets;
        }
    }
    ASSERT_EQ(sheets, 4);
    // And each sheet's part begins as a chart's does.
    bytes.replace(QByteArray("\x09\x08\x10\x00\x00\x06\x10\x00", 8),
                  QByteArray("\x09\x08\x10\x00\x00\x06\x20\x00", 8));
    const QString path = s_dir->filePath(QStringLiteral("charts.xls"));
    ASSERT_TRUE(importtest::WriteBytes(path, bytes));
    try {
        SourceFile file(path);
        ADD_FAILURE() << "opened, tables: " << file.Tables().join(u',').toStdString();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
        EXPECT_EQ(e.Message(), QStringLiteral("文件“%1”中没有工作表。").arg(path));
    }
}

// A NUL character in a header would end the statement that makes the table: it is dropped.
TEST_F(WorkbookTest, HeaderWithANulCharacter) {
    QByteArray bytes = importtest::ReadBytes(s_dir->filePath(QStringLiteral("school.xls")));
    const qsizetype at = bytes.indexOf(QByteArray("\x02\x00\x00P1", 5));
    ASSERT_GT(at, 0);
    bytes[at + 4] = '\0';
    const QString path = s_dir->filePath(QStringLiteral("nul.xls"));
    ASSERT_TRUE(importtest::WriteBytes(path, bytes));
    EXPECT_TRUE(Load(path, QStringLiteral("成绩表$"))[0].startsWith(
        QStringLiteral("学号 MIXED BLOB,姓名 TEXT,班级 NUMBER,P NUMBER,P2 NUMBER")));
}

// ---- streams built by hand --------------------------------------------------------------------

QByteArray U16(std::uint16_t v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 2);
}
QByteArray U32(std::uint32_t v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}
QByteArray F64(double v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 8);
}
QByteArray Record(std::uint16_t type, const QByteArray& body) {
    return U16(type) + U16(static_cast<std::uint16_t>(body.size())) + body;
}
QByteArray Bof(std::uint16_t kind) {
    return Record(0x0809, U16(0x0600) + U16(kind) + QByteArray(12, '\0'));
}
// An 8-bit XLUnicodeString.
QByteArray Latin(const char* s, bool shortLength = false) {
    const auto n = static_cast<std::uint16_t>(std::strlen(s));
    return (shortLength ? QByteArray(1, static_cast<char>(n)) : U16(n)) + QByteArray(1, '\0') + QByteArray(s);
}
QByteArray Cell(std::uint16_t row, std::uint16_t column, std::uint16_t xf) {
    return U16(row) + U16(column) + U16(xf);
}

// A workbook of one sheet "S": `globals` behind the formats, `cells` in the sheet.
QByteArray Stream(const QByteArray& globals, const QByteArray& cells) {
    const auto build = [&](std::uint32_t offset) {
        return Bof(0x0005) + globals + Record(0x0085, U32(offset) + U16(0) + Latin("S", true)) +
               Record(0x000A, {});
    };
    const QByteArray head = build(0);
    return build(static_cast<std::uint32_t>(head.size())) + Bof(0x0010) + cells + Record(0x000A, {});
}

biff::Book Read(const QByteArray& stream) {
    return biff::ReadWorkbookStream(reinterpret_cast<const unsigned char*>(stream.constData()),
                                    static_cast<size_t>(stream.size()));
}

// "kind:value" of each cell of the book's sheet.
QStringList Cells(const biff::Book& book) {
    QStringList out;
    EXPECT_EQ(book.problem, biff::Problem::None) << book.detail;
    if (book.sheets.empty())
        return out;
    for (const biff::Cell& c : book.sheets[0].cells)
        out << QStringLiteral("%1,%2 %3:%4")
                   .arg(c.row)
                   .arg(c.column)
                   .arg(static_cast<int>(c.kind))
                   .arg(c.kind == biff::Kind::Text ? QString::fromStdString(book.Text(c))
                                                   : QString::number(c.number, 'g', 12));
    return out;
}

TEST(WorkbookRecords, StringsOverRecordBordersNumbersAndFormats) {
    // A shared string whose characters go on in a CONTINUE record, there 16-bit where they were
    // 8-bit before; then a 16-bit one, a rich one with its runs and an empty one.
    const QByteArray sst =
        Record(0x00FC, U32(4) + U32(4) + U16(5) + QByteArray(1, '\0') + QByteArray("ab")) +
        Record(0x003C, QByteArray(1, '\x01') + QByteArray("c\0d\0e\0", 6) + U16(2) + QByteArray(1, '\x01') +
                           QByteArray("\x66\x5b\x1f\x75", 4) + U16(1) + QByteArray(1, '\x08') + U16(1) +
                           QByteArray("r") + U32(0)) +
        Record(0x003C, U16(0) + QByteArray(1, '\0'));
    const char* formats[] = {"yyyy\\-mm\\-dd",
                             "h:mm",
                             "mm:ss",
                             "0.00E+00",
                             "[h]:mm",
                             "\"年\"0",
                             "m\"月\"d\"日\"",
                             "yyyy-mm-dd hh:mm",
                             "[Red]0.0;[Blue]-0.0",
                             "mm"};
    QByteArray globals = Record(0x0022, U16(1)); // the 1904 date system
    for (std::uint16_t i = 0; i < std::size(formats); ++i)
        globals += Record(0x041E, U16(164 + i) + Latin(formats[i]));
    for (std::uint16_t i = 0; i < std::size(formats); ++i)
        globals += Record(0x00E0, U16(0) + U16(164 + i) + QByteArray(16, '\0'));
    globals += Record(0x00E0, U16(0) + U16(14) + QByteArray(16, '\0')); // built-in date format
    globals += sst;

    QByteArray cells = Record(0x0200, U32(0) + U32(3) + U16(0) + U16(12) + U16(0));
    for (std::uint16_t i = 0; i < 4; ++i)
        cells += Record(0x00FD, Cell(0, i, 99) + U32(i));
    for (std::uint16_t i = 0; i <= std::size(formats); ++i)
        cells += Record(0x0203, Cell(1, i, i) + F64(1.5));
    // RK: an integer, an integer of hundredths, and the top of a double; MULRK of two.
    cells += Record(0x027E, Cell(2, 0, 99) + U32(static_cast<std::uint32_t>(-7 * 4) | 0x02));
    cells += Record(0x027E, Cell(2, 1, 99) + U32((1234 << 2) | 0x03));
    cells += Record(0x00BD, U16(2) + U16(2) + U16(99) + U32(0x3FF80000) + U16(99) + U32(0x0A) + U16(3));
    // A formula with a text result, a SHRFMLA record between it and its STRING; #DIV/0!.
    cells += Record(0x0006, Cell(2, 4, 99) + QByteArray(6, '\0') + U16(0xFFFF) + QByteArray(8, '\0'));
    cells += Record(0x04BC, QByteArray(10, '\0')) + Record(0x0207, Latin("text"));
    cells += Record(0x0205, Cell(2, 5, 99) + QByteArray("\x07\x01", 2));

    EXPECT_EQ(
        Cells(Read(Stream(globals, cells))),
        (QStringList{"0,0 2:abcde", "0,1 2:学生", "0,2 2:r",
                     // 1904 dates count from 1904-01-01, 1462 days after 1899-12-30
                     "1,0 3:1463.5", "1,1 5:1463.5", "1,2 5:1463.5", "1,3 1:1.5", "1,4 5:1463.5", "1,5 1:1.5",
                     "1,6 3:1463.5", "1,7 4:1463.5", "1,8 1:1.5", "1,9 3:1463.5", "1,10 3:1463.5", "2,0 1:-7",
                     "2,1 1:12.34", "2,2 1:1.5", "2,3 1:2", "2,4 2:text", "2,5 6:0"}));
}

// Each text is held once however many cells show it, a cell's own text behind the shared ones;
// and a long read says now and then that it goes on.
TEST(WorkbookRecords, TextsAreHeldOnceAndALongReadTellsItsProgress) {
    const QByteArray globals = Record(0x00FC, U32(20000) + U32(2) + Latin("one") + Latin("two"));
    QByteArray cells = Record(0x0200, U32(0) + U32(10001) + U16(0) + U16(2) + U16(0));
    for (std::uint16_t r = 0; r < 10000; ++r)
        for (std::uint16_t c = 0; c < 2; ++c)
            cells += Record(0x00FD, Cell(r, c, 0) + U32(c));
    cells += Record(0x0204, Cell(10000, 0, 0) + Latin("own"));
    int steps = 0;
    biff::SetReadProgress([](void* count) { ++*static_cast<int*>(count); }, &steps);
    const biff::Book book = Read(Stream(globals, cells));
    biff::SetReadProgress(nullptr, nullptr);
    ASSERT_EQ(book.problem, biff::Problem::None) << book.detail;
    EXPECT_EQ(book.strings, (std::vector<std::string>{"one", "two", "own"}));
    ASSERT_EQ(book.sheets.at(0).cells.size(), 20001u);
    EXPECT_EQ(book.Text(book.sheets[0].cells[19999]), "two");
    EXPECT_EQ(book.Text(book.sheets[0].cells[20000]), "own");
    EXPECT_GE(steps, 4);
}

TEST(WorkbookRecords, BrokenRecordsRefuseTheFile) {
    const QByteArray sst = Record(0x00FC, U32(1) + U32(1) + Latin("x"));
    const QByteArray dims = Record(0x0200, U32(0) + U32(1) + U16(0) + U16(1) + U16(0));
    const QByteArray good = Stream(sst, dims + Record(0x00FD, Cell(0, 0, 0) + U32(0)));
    EXPECT_EQ(Cells(Read(good)), QStringList{"0,0 2:x"});

    struct Case {
        QByteArray stream;
        const char* says;
    };
    const Case cases[] = {
        {good.left(good.size() - 2), "最后一条记录不完整"},
        {Stream(sst, dims + Record(0x00FD, Cell(0, 0, 0) + U32(1))), "共享字符串表之外"},
        {Stream(Record(0x00FC, U32(2) + U32(2) + Latin("x")), dims), "记录比其中的数据短"},
        // Bytes behind the last shared string: a damaged length shifted the strings (here a
        // string's length zeroed leaves its characters behind).
        {Stream(Record(0x00FC, U32(1) + U32(1) + U16(0) + QByteArray(1, '\0') + QByteArray("x", 1)), dims),
         "共享字符串表中的字符串与其长度不符"},
        {Stream(sst, dims + Record(0x0203, Cell(0, 300, 0) + F64(1))), "超出第256列"},
        {Stream(sst,
                dims +
                    Record(0x0006, Cell(0, 0, 0) + QByteArray(6, '\0') + U16(0xFFFF) + QByteArray(8, '\0')) +
                    Record(0x0203, Cell(0, 1, 0) + F64(1))),
         "公式的文字结果缺失"},
        {Stream(sst, dims + Record(0x00BD, U16(0) + U16(0) + U16(0) + U32(2) + U16(5))), "与其列数不符"},
        {Stream(sst, dims).chopped(4), "没有结尾"},
        // Records of a fixed size with bytes more or fewer than it.
        {Stream(sst, dims + Record(0x00FD, Cell(0, 0, 0) + U32(0) + U32(0))), "文字单元格记录长度不对"},
        {Stream(sst, dims + Record(0x0203, Cell(0, 0, 0) + F64(1) + U16(0))), "数字单元格记录长度不对"},
        {Stream(sst, dims + Record(0x0205, Cell(0, 0, 0) + U16(1) + U16(0))), "逻辑值单元格记录长度不对"},
        {Stream(sst, dims + Record(0x0201, Cell(0, 0, 0) + U16(0))), "空白单元格记录长度不对"},
        {Stream(sst, dims + Record(0x00BE, U16(0) + U16(0) + U16(0) + U16(0) + U16(0))), "与其列数不符"},
        {Stream(sst, dims + Record(0x0204, Cell(0, 0, 0) + Latin("x") + QByteArray(1, 'y'))), "记录长度不对"},
        {Stream(sst, dims + Record(0x0006, Cell(0, 0, 0) + F64(1) + QByteArray(6, '\0') + U16(5))),
         "公式单元格记录长度不对"},
        {Stream(sst, Record(0x0200, U32(0) + U32(1) + U16(0) + U16(1))), "大小记录长度不对"},
        // No size record ahead of the cells, or none at all.
        {Stream(sst, Record(0x027E, Cell(0, 2, 0) + U32(2)) + dims), "在其单元格记录之前没有大小记录"},
        {Stream(sst, Record(0x0208, U16(0) + U16(0) + U16(1) + QByteArray(10, '\0')) + dims +
                         Record(0x00FD, Cell(0, 0, 0) + U32(0))),
         "在其单元格记录之前没有大小记录"},
        {Stream(sst, {}), "没有大小记录"},
        // A cell below the declared rows in a row without a row record, where the rows have them.
        {Stream(sst, dims + Record(0x0208, U16(0) + U16(0) + U16(1) + QByteArray(10, '\0')) +
                         Record(0x00FD, Cell(0, 0, 0) + U32(0)) + Record(0x027E, Cell(3, 0, 0) + U32(2))),
         "的第4行有单元格，却没有行记录，又在其大小记录声明的1行之外"},
        // A cell outside the declared columns and outside the columns its row's record gives.
        {Stream(sst, dims + Record(0x0208, U16(0) + U16(0) + U16(1) + QByteArray(10, '\0')) +
                         Record(0x00FD, Cell(0, 0, 0) + U32(0)) + Record(0x027E, Cell(0, 90, 0) + U32(2))),
         "有单元格（第1行第91列）在其行记录和大小记录声明的列之外"},
        // A cell record behind a record of another type that followed the cells.
        {Stream(sst, dims + Record(0x00FD, Cell(0, 0, 0) + U32(0)) + Record(0x01B2, QByteArray(18, '\0')) +
                         Record(0x027E, Cell(0, 1, 0) + U32(2))),
         "的单元格记录中间夹有其他记录（类型0x01B2）"},
        {Stream(sst, dims).replace(QByteArray("\x01\x00S", 3), QByteArray("\x01\x00\x00", 3)), "空字符"},
        // Records that realign: a type of 0, cell records of the formats before BIFF8.
        {Stream(sst, dims + Record(0x0000, {}) + Record(0x00FD, Cell(0, 0, 0) + U32(0))), "（类型0x0000）"},
        {Stream(sst, dims + Record(0x0003, Cell(0, 0, 0) + QByteArray(9, '\0'))), "（类型0x0003）"},
        {Stream(sst, dims + Record(0x00FD, Cell(0, 0, 0) + U32(0)) + Record(0x0001, QByteArray(7, '\0'))),
         "不属于Excel 97-2003格式的记录（类型0x0001）"},
        // A cell given twice, whatever its records: text and text, blank and number.
        {Stream(sst, dims + Record(0x00FD, Cell(0, 0, 0) + U32(0)) + Record(0x00FD, Cell(0, 0, 0) + U32(0))),
         "有单元格（第1行第1列）给出了两次"},
        {Stream(sst, Record(0x0200, U32(0) + U32(1) + U16(0) + U16(3) + U16(0)) +
                         Record(0x00BE, U16(0) + U16(0) + U16(0) + U16(0) + U16(1)) +
                         Record(0x0203, Cell(0, 1, 0) + F64(1))),
         "（第1行第2列）给出了两次"},
        {Stream(sst, dims + Record(0x0208, U16(0) + U16(0) + U16(1))), "行记录长度不对"},
    };
    for (const Case& c : cases) {
        const biff::Book book = Read(c.stream);
        EXPECT_EQ(book.problem, biff::Problem::Damaged) << c.says;
        EXPECT_NE(book.detail.find(c.says), std::string::npos) << book.detail << " / " << c.says;
        EXPECT_TRUE(book.sheets.empty());
    }

    // Row records of empty rows, as Excel writes them (no columns, or the columns of their
    // formatting), as xlwt does (the first column alone) and as Gnumeric does (all columns), and
    // of a row whose cells come, are no damage; neither is a sheet whose size declares no cell or
    // not all of them, nor records of types the reader does not use ahead of the cells, behind
    // them and (a CONTINUE) among them.
    const auto row = [](std::uint16_t r, std::uint16_t first, std::uint16_t end) {
        return Record(0x0208, U16(r) + U16(first) + U16(end) + U16(255) + QByteArray(8, '\0'));
    };
    EXPECT_EQ(Cells(Read(Stream(sst, dims + row(0, 0, 1) + row(3, 2, 2) + row(4, 0, 1) + row(5, 0, 256) +
                                         row(6, 1, 4) + Record(0x00FD, Cell(0, 0, 0) + U32(0))))),
              QStringList{"0,0 2:x"});
    EXPECT_EQ(
        Cells(Read(Stream(sst, dims + row(0, 0, 1) + row(3, 0, 1) + Record(0x00FD, Cell(0, 0, 0) + U32(0)) +
                                   Record(0x027E, Cell(3, 0, 0) + U32(2))))),
        (QStringList{"0,0 2:x", "3,0 1:0"}));
    // A cell outside the declared columns in a row whose record gives no columns (as a PHP
    // library writes them) or whose record's columns hold it.
    EXPECT_EQ(Cells(Read(Stream(sst, Record(0x0200, U32(0) + U32(1) + U16(1) + U16(2) + U16(0)) + row(0, 0, 0) +
                                         row(1, 0, 3) + Record(0x00FD, Cell(0, 0, 0) + U32(0)) +
                                         Record(0x027E, Cell(1, 2, 0) + U32(2))))),
              (QStringList{"0,0 2:x", "1,2 1:0"}));
    EXPECT_EQ(Cells(Read(Stream(sst, dims))), QStringList{});
    EXPECT_EQ(Cells(Read(Stream(sst, Record(0x0200, U32(0) + U32(1) + U16(0) + U16(256) + U16(0))))),
              QStringList{});
    EXPECT_EQ(Cells(Read(Stream(
                  sst, Record(0x004D, QByteArray(20, '\0')) + Record(0x003C, QByteArray(9, '\0')) +
                           Record(0x00A1, QByteArray(34, '\0')) +
                           Record(0x0200, U32(0) + U32(1) + U16(1) + U16(2) + U16(0)) +
                           Record(0x00FD, Cell(0, 0, 0) + U32(0)) + Record(0x027E, Cell(3, 2, 0) + U32(2)) +
                           Record(0x003C, QByteArray(4, '\0')) + Record(0x00D7, U32(0)) +
                           Record(0x01B2, QByteArray(18, '\0')) + Record(0x01BE, QByteArray(30, '\0')) +
                           Record(0x015F, U16(0))))),
              (QStringList{"0,0 2:x", "3,2 1:0"}));
    EXPECT_EQ(Cells(Read(Stream(sst, Record(0x0200, U32(0) + U32(1) + U16(0) + U16(3) + U16(0)) +
                                         row(0, 1, 3) + Record(0x0201, Cell(0, 2, 0))))),
              QStringList{});
    EXPECT_EQ(Cells(Read(Stream(sst, Record(0x0200, QByteArray(14, '\0')) + row(5, 0, 0)))), QStringList{});

    EXPECT_EQ(Read(Bof(0x0005).replace(4, 2, U16(0x0500))).problem, biff::Problem::OldFormat);
    EXPECT_EQ(Read(Bof(0x0005) + Record(0x002F, QByteArray(6, '\0'))).problem, biff::Problem::Password);
    EXPECT_EQ(Read("not a workbook").problem, biff::Problem::NotWorkbook);
}

} // namespace
