// Source files read as tables: Access files written by Access, workbooks and FoxPro tables written
// by Python's xlwt and dbf, each table loaded into an in-memory database and read back.

#include "platform/import/Child.h"
#include "platform/import/Source.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <QFileInfo>

#include <algorithm>
#include <malloc.h>
#include <memory>
#include <new>
#include <sqlite3.h>

namespace {

using importsrc::ColumnClass;
using importsrc::SourceFile;
using importsrc::SourceKind;

class ImportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        importtest::MakeSources(s_dir->path(), {QStringLiteral("school.xls"), QStringLiteral("stu.dbf"),
                                                QStringLiteral("nulls.dbf"), QStringLiteral("rows.xls:300"),
                                                QStringLiteral("gaps.xls"), QStringLiteral("many.xls:20000"),
                                                QStringLiteral("low.xls"), QStringLiteral("repeated.xls"),
                                                QStringLiteral("far.xls")});
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static QString Generated(const QString& name) { return s_dir->filePath(name); }

    // The table loaded into a fresh in-memory database, as "select *" reads it back.
    db::Recordset Load(const QString& path, const QString& table) {
        SourceFile file(path);
        conn = std::make_unique<db::Connection>();
        conn->OpenFile(QStringLiteral(":memory:"));
        file.Load(table, *conn);
        return conn->Execute(QStringLiteral("SELECT * FROM ") + importsrc::QuoteName(table));
    }

    static QStringList Names(const db::Recordset& rs) {
        QStringList names;
        for (int c = 0; c < rs.FieldCount(); ++c)
            names << rs.FieldName(c);
        return names;
    }
    static QStringList Types(const db::Recordset& rs) {
        QStringList types;
        for (int c = 0; c < rs.FieldCount(); ++c)
            types << rs.FieldType(c);
        return types;
    }
    // The current row as texts, NULL as "<null>".
    static QStringList Row(const db::Recordset& rs) {
        QStringList cells;
        for (int c = 0; c < rs.FieldCount(); ++c)
            cells << (rs.Field(c).IsNull() ? QStringLiteral("<null>") : rs.Field(c).ToString());
        return cells;
    }
    static std::vector<QStringList> Rows(db::Recordset rs) {
        std::vector<QStringList> rows;
        for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
            rows.push_back(Row(rs));
        return rows;
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    std::unique_ptr<db::Connection> conn;
};

std::unique_ptr<QTemporaryDir> ImportTest::s_dir;

TEST(ImportKinds, ExtensionDecidesAndTheRestIsAccess) {
    EXPECT_EQ(importsrc::KindOfFile(QStringLiteral("/d/成绩.XLS")), SourceKind::Workbook);
    EXPECT_EQ(importsrc::KindOfFile(QStringLiteral("/d/stu.Dbf")), SourceKind::FoxPro);
    EXPECT_EQ(importsrc::KindOfFile(QStringLiteral("/d/a.mdb")), SourceKind::Access);
    EXPECT_EQ(importsrc::KindOfFile(QStringLiteral("/d/a.txt")), SourceKind::Access);
    EXPECT_EQ(importsrc::KindOfFile(QStringLiteral("/d.xls/noext")), SourceKind::Access);

    EXPECT_EQ(importsrc::ClassOfType(QStringLiteral("NUMBER")), ColumnClass::Numeric);
    EXPECT_EQ(importsrc::ClassOfType(QStringLiteral("integer")), ColumnClass::Numeric);
    EXPECT_EQ(importsrc::ClassOfType(QStringLiteral("TEXT")), ColumnClass::Character);
    for (const char* none : {"DATE", "DATETIME", "CURRENCY", "BOOLEAN", "LONGTEXT", "GUID", "BLOB", ""})
        EXPECT_EQ(importsrc::ClassOfType(QString::fromLatin1(none)), ColumnClass::None) << none;

    EXPECT_EQ(importsrc::QuoteName(QStringLiteral("a \"b\"|c")), QStringLiteral("\"a \"\"b\"\"|c\""));
}

// Table1 of the Jet 3 and the Jet 4 test file: one column of each common Access type. The
// expected values are those Debian's mdb-export prints for the same rows.
TEST_F(ImportTest, AccessCommonTypesInJet3AndJet4) {
    for (const char* name : {"testV1997.mdb", "testV2000.mdb"}) {
        SCOPED_TRACE(name);
        const QString path = importtest::AccessFile(QString::fromLatin1(name));
        EXPECT_EQ(SourceFile(path).Tables(),
                  (QStringList{QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3"),
                               QStringLiteral("Table4")}));
        const db::Recordset rs = Load(path, QStringLiteral("Table1"));
        EXPECT_EQ(Names(rs).join(u','), QStringLiteral("A,B,C,D,E,F,G,H,I"));
        EXPECT_EQ(Types(rs).join(u','),
                  QStringLiteral("TEXT,TEXT,INTEGER,INTEGER,INTEGER,NUMBER,DATETIME,CURRENCY,BOOLEAN"));
        std::vector<QStringList> rows = Rows(rs);
        ASSERT_EQ(rows.size(), 2u);
        std::sort(rows.begin(), rows.end(),
                  [](const QStringList& a, const QStringList& b) { return a[0] < b[0]; });
        EXPECT_EQ(rows[0].join(u','), QStringLiteral("a,b,0,0,0,0,1981-12-12,0,0"));
        EXPECT_EQ(rows[1].join(u','),
                  QStringLiteral("abcdefg,hijklmnop,2,222,333333333,444.555,1974-09-21,3.5,1"));
    }
    // Empty tables load with their columns.
    const db::Recordset empty =
        Load(importtest::AccessFile(QStringLiteral("testV2000.mdb")), QStringLiteral("Table2"));
    EXPECT_TRUE(empty.IsEOF());
    EXPECT_GT(empty.FieldCount(), 0);
}

TEST_F(ImportTest, AccessCompressedUnicodeAndTheLargeTables) {
    std::vector<QStringList> rows = Rows(
        Load(importtest::AccessFile(QStringLiteral("testUnicodeCompV2003.mdb")), QStringLiteral("Table")));
    ASSERT_EQ(rows.size(), 8u);
    std::sort(rows.begin(), rows.end(),
              [](const QStringList& a, const QStringList& b) { return a[0].toInt() < b[0].toInt(); });
    EXPECT_EQ(rows[1][1], QStringLiteral("ääkkösiä"));
    EXPECT_EQ(rows[2][1], QStringLiteral("Мир"));
    EXPECT_EQ(rows[4][1], QStringLiteral("漢字仮名交じり文"));
    EXPECT_EQ(rows[5][1], QStringLiteral("3L9\x1d"
                                         "52\x02_AB(¥\x05!!V"));
    QString everyLatin1; // the characters 1 to 255, control characters and all
    for (char16_t c = 1; c <= 255; ++c)
        everyLatin1 += QChar(c);
    EXPECT_EQ(rows[7][1], everyLatin1);

    for (const char* name : {"compIndexTestV1997.mdb", "compIndexTestV2000.mdb"}) {
        SCOPED_TRACE(name);
        Load(importtest::AccessFile(QString::fromLatin1(name)), QStringLiteral("Table1"));
        const db::Recordset sums = conn->Execute(
            QStringLiteral("SELECT count(*), count(CD_AGENTE), sum(CD_AGENTE), sum(DC_AGENTE='def'), "
                           "max(RS_AGENTE) || min(RS_AGENTE) FROM Table1"));
        EXPECT_EQ(Row(sums).join(u','), QStringLiteral("512,510,1563456,510,abcabc"));
    }
}

// Jet 3 files carry no code page: their text is read as code page 936.
// An Access file cut short: libmdb, asked for a page beyond the end, says so and would go on
// chasing offsets; the read ends there and the file is called damaged.
TEST_F(ImportTest, AnAccessFileCutShortIsDamagedAtTheFirstPageBeyondItsEnd) {
    const QByteArray whole = importtest::ReadBytes(importtest::AccessFile(QStringLiteral("testV1997.mdb")));
    ASSERT_FALSE(whole.isEmpty());
    const QString path = Generated(QStringLiteral("cut.mdb"));
    for (const qsizetype length : {8192, 40960, 81920}) {
        ASSERT_TRUE(importtest::WriteBytes(path, whole.left(length)));
        try {
            SourceFile file(path);
            for (const QString& table : file.Tables())
                Load(path, table);
            ADD_FAILURE() << "read " << length;
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Message(),
                      QStringLiteral("无法读取Access数据库“%1”：文件已损坏，表中的数据读不出来。").arg(path))
                << length;
        }
    }
}

TEST_F(ImportTest, AccessJet3TextIsCodePage936) {
    QFile original(importtest::AccessFile(QStringLiteral("testV1997.mdb")));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    const qsizetype at = bytes.indexOf("abcdefg");
    ASSERT_GT(at, 0);
    // The same seven bytes as code page 936: three Chinese characters and a letter.
    bytes.replace(at, 7,
                  QByteArray("\xd1\xa7\xc9\xfa\xbc\xd7"
                             "a"));
    const QString path = s_dir->filePath(QStringLiteral("jet3gbk.mdb"));
    QFile patched(path);
    ASSERT_TRUE(patched.open(QIODevice::WriteOnly));
    patched.write(bytes);
    patched.close();
    const db::Recordset rs = Load(path, QStringLiteral("Table1"));
    const db::Recordset found =
        conn->Execute(QStringLiteral("SELECT B FROM Table1 WHERE A=?"), QStringLiteral("学生甲a"));
    ASSERT_FALSE(found.IsEOF());
    EXPECT_EQ(found.Field(0).ToString(), QStringLiteral("hijklmnop"));
}

TEST_F(ImportTest, WorkbookSheetsColumnsAndTypes) {
    const QString path = Generated(QStringLiteral("school.xls"));
    // Sheets in workbook order, each with "$" behind, whatever characters the name holds.
    EXPECT_EQ(SourceFile(path).Tables(),
              (QStringList{QStringLiteral("成绩表$"), QStringLiteral("Another$"), QStringLiteral("班 'a|b'$"),
                           QStringLiteral("Empty$")}));

    const db::Recordset rs = Load(path, QStringLiteral("成绩表$"));
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("学号,姓名,班级,P1,P2,考试日期,F7,混合,备注"));
    EXPECT_EQ(Types(rs).join(u','),
              QStringLiteral("MIXED BLOB,TEXT,NUMBER,NUMBER,NUMBER,DATETIME,TEXT,NUMBER,TEXT"));
    const std::vector<QStringList> rows = Rows(rs);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].join(u','), QStringLiteral("020070145,学生甲,3,85.5,40,2024-05-06,x,12,O'Neil"));
    EXPECT_EQ(rows[1].join(u','),
              QStringLiteral("020070146,学生乙,12,<null>,38.5,2024-05-06 07:08:09,<null>,13,<null>"));
    // A text in a numeric column that is a number converts; any other stays the text it is, so
    // that an import sees the word instead of an empty cell.
    EXPECT_EQ(rows[2].join(u','), QStringLiteral("020070147,学生丙,3,缺考,0,2024-05-07,<null>,十四,备注"));
    EXPECT_EQ(rows[3].join(u','), QStringLiteral("020070148,学生丁,1,120,<null>,<null>,<null>,15.5,<null>"));
    // A number in a column of texts stays a number (a whole one as an integer), so that an import
    // can tell a 学号 typed without its apostrophe from one typed as text.
    EXPECT_EQ(rows[4].join(u','), QStringLiteral("20070149,王小明,2,100,50,2023-12-31,<null>,<null>,a|b"));
    EXPECT_EQ(Row(conn->Execute(QStringLiteral("SELECT typeof(学号), typeof(P1) FROM [成绩表$] "
                                               "WHERE 姓名='学生丙'")))
                  .join(u','),
              QStringLiteral("text,text"));
    EXPECT_EQ(conn->Execute(QStringLiteral("SELECT typeof(学号) FROM [成绩表$] WHERE 姓名='王小明'"))
                  .Field(0)
                  .ToString(),
              QStringLiteral("integer"));

    // Whole numbers are stored whole, so every form of SQL shows them without ".0".
    EXPECT_EQ(
        Row(conn->Execute(QStringLiteral("SELECT typeof(P2), CAST(P2 AS TEXT), typeof(P1) FROM [成绩表$] "
                                         "WHERE 姓名='学生甲'")))
            .join(u','),
        QStringLiteral("integer,40,real"));
    // The queries of the score imports run on the loaded table unchanged.
    EXPECT_EQ(conn->Execute(QStringLiteral("select P1,P2 from [成绩表$] where 学号='020070145'"))
                  .Field(0)
                  .ToDouble(),
              85.5);
    EXPECT_EQ(
        conn->Execute(QStringLiteral("select P2 from [成绩表$] where 姓名='学生甲' and trim(str(班级))='3'"))
            .Field(0)
            .ToInt(),
        40);
}

TEST_F(ImportTest, WorkbookNamesThatNeedQuotingAndEmptySheets) {
    const QString path = Generated(QStringLiteral("school.xls"));
    db::Recordset rs = Load(path, QStringLiteral("Another$"));
    // Column names repeat in a sheet; a table's may not.
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("XH,XH1,xh2"));
    EXPECT_EQ(Row(rs).join(u','), QStringLiteral("1,2,3"));

    rs = Load(path, QStringLiteral("班 'a|b'$"));
    EXPECT_EQ(Names(rs), QStringList{QStringLiteral("名 \"甲\"|乙")});
    EXPECT_EQ(conn->Execute(QStringLiteral("select [名 \"甲\"|乙] from [班 'a|b'$]")).Field(0).ToString(),
              QStringLiteral("one"));

    rs = Load(path, QStringLiteral("Empty$"));
    EXPECT_EQ(Names(rs), QStringList{QStringLiteral("F1")});
    EXPECT_TRUE(rs.IsEOF());

    // Loading again replaces the table; a table name is found regardless of case.
    SourceFile file(path);
    file.Load(QStringLiteral("another$"), *conn);
    EXPECT_EQ(conn->Execute(QStringLiteral("SELECT count(*) FROM [another$]")).Field(0).ToInt(), 1);
    file.Load(QStringLiteral("another$"), *conn);
    EXPECT_EQ(conn->Execute(QStringLiteral("SELECT count(*) FROM [another$]")).Field(0).ToInt(), 1);
}

TEST_F(ImportTest, FoxProTypesDeletedRecordsAndCodePage) {
    const QString path = Generated(QStringLiteral("stu.dbf"));
    EXPECT_EQ(SourceFile(path).Tables(), QStringList{QStringLiteral("stu.dbf")});
    const db::Recordset rs = Load(path, QStringLiteral("stu.dbf"));
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("XH,XM,BJ,CJ,RQ,ZD,ZS,FS,QF,SJ,BZ"));
    EXPECT_EQ(
        Types(rs).join(u','),
        QStringLiteral("TEXT,TEXT,NUMBER,NUMBER,DATE,BOOLEAN,INTEGER,NUMBER,CURRENCY,DATETIME,LONGTEXT"));
    const std::vector<QStringList> rows = Rows(rs);
    // The deleted record is left out; character fields lose their padding; memo reads as NULL.
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].join(u','),
              QStringLiteral("020070145,学生甲,3,85.5,2024-05-06,1,42,3.25,12.5,2024-05-06 07:08:09,<null>"));
    EXPECT_EQ(rows[1].join(u','),
              QStringLiteral("020070146,学生乙,12,<null>,<null>,0,-7,-1.5,-0.25,2024-05-06,<null>"));
    EXPECT_EQ(rows[2].join(u','), QStringLiteral("20070148,ABCDEFGH,99,-12.5,1999-12-31,<null>,-123456789,"
                                                 "10000000000,922337203685.478,<null>,<null>"));
    EXPECT_EQ(
        conn->Execute(QStringLiteral("SELECT QF FROM [stu.dbf] WHERE XH='20070148'")).Field(0).ToDouble(),
        922337203685.4775);

    // The same file under another case of its name, and with other code-page marks: none and
    // 0x7A mean 936 as 0x4D does; 0x03 is Windows Latin.
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    EXPECT_EQ(bytes.at(29), '\x4D');
    for (const char mark : {'\x00', '\x7A', '\x03'}) {
        QByteArray marked = bytes;
        marked[29] = mark;
        const QString copy = s_dir->filePath(QStringLiteral("Stu.Dbf"));
        QFile out(copy);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(marked);
        out.close();
        const db::Recordset again = Load(copy, QStringLiteral("Stu.Dbf"));
        EXPECT_EQ(again.Field(QStringLiteral("XM")).ToString() == QStringLiteral("学生甲"), mark != '\x03')
            << int(mark);
    }
}

TEST_F(ImportTest, FoxProNullFlags) {
    const db::Recordset rs = Load(Generated(QStringLiteral("nulls.dbf")), QStringLiteral("nulls.dbf"));
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("XH,CJ,ZS,FS,RQ"));
    const std::vector<QStringList> rows = Rows(rs);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].join(u','), QStringLiteral("1,1.5,1,1.25,2024-01-02"));
    EXPECT_EQ(rows[1].join(u','), QStringLiteral("<null>,<null>,<null>,<null>,<null>"));
    EXPECT_EQ(rows[2].join(u','), QStringLiteral("3,<null>,3,<null>,2024-01-03"));
}

// A field of a type letter no writer uses, and in Visual FoxPro a hidden field (flag 0x01) other
// than the null flags, are a damaged field list: one byte of the null flags' descriptor damaged
// would otherwise read them as a column and every NULL as a value.
TEST_F(ImportTest, FoxProFieldsOfNoKnownTypeOrHiddenOtherThanTheNullFlagsRefuseTheTable) {
    const QByteArray nulls = importtest::ReadBytes(Generated(QStringLiteral("nulls.dbf")));
    const int flagsDescriptor = 32 + 5 * 32; // the sixth field, behind XH, CJ, ZS, FS and RQ
    ASSERT_EQ(nulls.mid(flagsDescriptor, 10), QByteArray("_NULLFLAGS"));
    ASSERT_EQ(nulls.at(flagsDescriptor + 11), '0');
    ASSERT_EQ(nulls.at(flagsDescriptor + 18), '\x05'); // hidden, binary
    const auto damaged = [&](int at, char byte) {
        QByteArray copy = nulls;
        copy[at] = byte;
        return copy;
    };
    const QString path = Generated(QStringLiteral("damaged.dbf"));
    const auto refused = [&](const QByteArray& bytes) {
        EXPECT_TRUE(importtest::WriteBytes(path, bytes));
        try {
            Load(path, QStringLiteral("damaged.dbf"));
            return false;
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("无法读取FoxPro表“%1”：字段说明已损坏。").arg(path));
            return true;
        }
    };
    EXPECT_FALSE(refused(nulls));
    EXPECT_TRUE(refused(damaged(flagsDescriptor + 11, 'C')));     // the null flags read as text
    EXPECT_TRUE(refused(damaged(flagsDescriptor + 11, '1')));     // no type at all
    EXPECT_TRUE(refused(damaged(32 + 32 + 11, 'X')));             // CJ of no type
    EXPECT_TRUE(refused(damaged(32 + 32 + 11, '\0')));            // nor of none
    EXPECT_TRUE(refused(damaged(32 + 32 + 18, '\x03')));          // CJ hidden
    EXPECT_FALSE(refused(damaged(flagsDescriptor + 18, '\x01'))); // the null flags, hidden alone

    // In a dBase table the descriptor's byte 18 holds no flags; a type letter of no writer still
    // refuses it.
    QByteArray dbase = importtest::FoxProTable({"XH C(9)", "P1 N(5,1)"}, {{"1", "70"}});
    dbase[32 + 18] = '\x01';
    EXPECT_FALSE(refused(dbase));
    EXPECT_TRUE(refused(importtest::FoxProTable({"XH C(9)", "P1 X(5)"}, {{"1", "70"}})));
}

// A number field whose text is no number keeps its text and is an error cell, so that no import
// takes it for an empty field: "*****", as dBase and FoxPro write a number too wide for its
// field, and a damaged digit. A field of blanks (or of NULs) is empty.
TEST_F(ImportTest, FoxProNumbersThatDoNotReadAreErrorCellsWithTheirText) {
    const QString path = Generated(QStringLiteral("marks.dbf"));
    ASSERT_TRUE(importtest::WriteBytes(
        path, importtest::FoxProTable({"XH C(9)", "P1 N(5,1)", "P2 N(5,1)", "P3 F(9,2)"},
                                      {{"020070145", "85.5", "*****", "1.5E+02"},
                                       {"020070146", " 8x.0", "", "-.25"},
                                       {"020070147", QString(5, QChar(u'\0')), "-3", "9-1"}})));
    SourceFile file(path);
    db::Connection target;
    target.OpenFile(QStringLiteral(":memory:"));
    file.Load(QStringLiteral("marks.dbf"), target);
    const std::vector<QStringList> rows = Rows(target.Execute(QStringLiteral("SELECT * FROM [marks.dbf]")));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].join(u','), QStringLiteral("020070145,85.5,*****,150"));
    EXPECT_EQ(rows[1].join(u','), QStringLiteral("020070146,8x.0,<null>,-0.25"));
    EXPECT_EQ(rows[2].join(u','), QStringLiteral("020070147,<null>,-3,9-1"));
    EXPECT_EQ(file.LoadedErrorCells(), (importsrc::ErrorCells{{1, 2}, {2, 1}, {3, 3}}));

    // A binary field of a width its type does not have is a damaged field list.
    ASSERT_TRUE(
        importtest::WriteBytes(path, importtest::FoxProTable({"XH C(9)", "ZS I(3)"}, {{"1", "abc"}})));
    try {
        SourceFile(path).Load(QStringLiteral("marks.dbf"), target);
        ADD_FAILURE() << "an integer field of 3 bytes was read";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("无法读取FoxPro表“%1”：字段说明已损坏。").arg(path));
    }
}

// The header's record count agrees with the file's size (header, records and at most the
// end-of-file mark), or the file is refused whole: a count that is low, zero or high would read
// records as none, or bytes as records.
TEST_F(ImportTest, AFoxProRecordCountThatDisagreesWithTheFileSizeRefusesTheFile) {
    const std::vector<QStringList> records{{"1", "70"}, {"2", "71"}, {"3", "72"}, {"4", "73"}, {"5", "74"}};
    const QStringList fields{"XH C(9)", "P1 N(5,1)"};
    const QString path = Generated(QStringLiteral("count.dbf"));
    const QByteArray whole = importtest::FoxProTable(fields, records);
    const auto rowsRead = [&](const QByteArray& bytes) -> int {
        EXPECT_TRUE(importtest::WriteBytes(path, bytes));
        try {
            return static_cast<int>(Rows(Load(path, QStringLiteral("count.dbf"))).size());
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
            EXPECT_TRUE(e.Message().startsWith(
                QStringLiteral("无法读取FoxPro表“%1”：文件已损坏，文件头记有").arg(path)))
                << e.Message().toStdString();
            EXPECT_TRUE(e.Message().endsWith(QStringLiteral("条记录，与文件的大小不符。")))
                << e.Message().toStdString();
            return -1;
        }
    };
    EXPECT_EQ(rowsRead(whole), 5);
    EXPECT_EQ(rowsRead(whole.chopped(1)), 5); // no end-of-file mark
    for (const int count : {3, 0, 6, 0x10000 + 5})
        EXPECT_EQ(rowsRead(importtest::FoxProTable(fields, records, count)), -1) << count;
    EXPECT_EQ(rowsRead(whole + '\x1A'), -1);
    EXPECT_EQ(rowsRead(whole.chopped(1) + ' '), -1);
    EXPECT_EQ(rowsRead(whole.chopped(3)), -1); // cut inside the last record
    EXPECT_EQ(rowsRead(importtest::FoxProTable(fields, {}, 0)), 0);

    // A record is marked deleted ('*') or not (' '): another mark is damage, as is a record
    // length other than the fields' widths and the mark, and a header longer than its fields need.
    QByteArray marked = whole;
    marked[32 + 2 * 32 + 1 + 15] = 'x'; // the mark of the second record
    // Six records of 15 bytes said to be five of 18, which agrees with the file's size.
    std::vector<QStringList> six = records;
    six.push_back({"6", "75"});
    QByteArray longer = importtest::FoxProTable(fields, six, 5);
    longer[10] = 18;
    // A Visual FoxPro header (its 263 bytes of database link behind the fields) that has taken
    // in the first record, one record fewer counted.
    QByteArray visual = whole;
    visual[0] = '\x30';
    visual.insert(97, QByteArray(263, '\0'));
    visual[8] = static_cast<char>((97 + 263) & 0xFF);
    visual[9] = static_cast<char>((97 + 263) >> 8);
    EXPECT_EQ(rowsRead(visual), 5);
    QByteArray swallowed = visual;
    swallowed[4] = 4;
    swallowed[8] = static_cast<char>((97 + 263 + 15) & 0xFF);
    for (const auto& [bytes, reason] : {std::pair{marked, QStringLiteral("第2条记录已损坏。")},
                                        std::pair{longer, QStringLiteral("字段说明已损坏。")},
                                        std::pair{swallowed, QStringLiteral("文件头已损坏。")}}) {
        ASSERT_TRUE(importtest::WriteBytes(path, bytes));
        try {
            Load(path, QStringLiteral("count.dbf"));
            ADD_FAILURE() << reason.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("无法读取FoxPro表“%1”：%2").arg(path, reason));
        }
    }
}

TEST_F(ImportTest, UnreadableFilesAndUnknownTablesNameTheFile) {
    const QString text = s_dir->filePath(QStringLiteral("notes.txt"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("学号,姓名\n020070145,学生甲\n");
    }
    struct Case {
        QString path;
        QString says;
    };
    const QString missing = s_dir->filePath(QStringLiteral("none"));
    for (const Case& c : {Case{text, QStringLiteral("不是Access数据库")},
                          Case{missing + QStringLiteral(".mdb"), QStringLiteral("文件不存在")},
                          Case{missing + QStringLiteral(".xls"), QStringLiteral("文件不存在")},
                          Case{missing + QStringLiteral(".dbf"), QStringLiteral("文件不存在")}}) {
        try {
            SourceFile file(c.path);
            ADD_FAILURE() << "opened " << c.path.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
            EXPECT_TRUE(e.Message().contains(c.path)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(c.says)) << e.Message().toStdString();
        }
    }
    // A text file named as a workbook or a FoxPro table.
    for (const char* name : {"notes.xls", "notes.dbf"}) {
        const QString path = s_dir->filePath(QString::fromLatin1(name));
        ASSERT_TRUE(importtest::CopyFile(text, path));
        EXPECT_THROW(SourceFile{path}, db::DbError) << name;
    }

    SourceFile school(Generated(QStringLiteral("school.xls")));
    db::Connection target;
    target.OpenFile(QStringLiteral(":memory:"));
    for (const QString& table : {QStringLiteral("Sheet9$"), QString()}) {
        try {
            school.Load(table, target);
            ADD_FAILURE() << "loaded " << table.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Code(), importsrc::kNoSuchTable);
            EXPECT_TRUE(e.Message().contains(QStringLiteral("school.xls")));
        }
    }
}

// A lookup by the key column runs on an index, not through the whole table.
TEST_F(ImportTest, KeyColumnsAreIndexedForLookups) {
    Load(Generated(QStringLiteral("rows.xls")), QStringLiteral("Sheet1$"));
    const auto plan = [this](const QString& where) {
        db::Recordset rs =
            conn->Execute(QStringLiteral("EXPLAIN QUERY PLAN select P1,P2 from [Sheet1$] where ") + where);
        QStringList details;
        for (; !rs.IsEOF(); rs.MoveNext())
            details << rs.Field(QStringLiteral("detail")).ToString();
        return details.join(u';');
    };
    const QString byNumber = QStringLiteral("XH='020000123'");
    const QString byClass = QStringLiteral("trim(str(BJ))='3'");
    EXPECT_FALSE(plan(byNumber).contains(QStringLiteral("INDEX")));
    importsrc::IndexColumn(*conn, QStringLiteral("Sheet1$"), QStringLiteral("XH"), ColumnClass::Character);
    importsrc::IndexColumn(*conn, QStringLiteral("Sheet1$"), QStringLiteral("BJ"), ColumnClass::Numeric);
    importsrc::IndexColumn(*conn, QStringLiteral("Sheet1$"), QStringLiteral("BJ"), ColumnClass::Numeric);
    EXPECT_TRUE(plan(byNumber).contains(QStringLiteral("USING INDEX"))) << plan(byNumber).toStdString();
    EXPECT_TRUE(plan(byClass).contains(QStringLiteral("USING INDEX"))) << plan(byClass).toStdString();
    EXPECT_EQ(
        conn->Execute(QStringLiteral("select count(*) from [Sheet1$] where ") + byClass).Field(0).ToInt(),
        15);
    EXPECT_THROW(importsrc::IndexColumn(*conn, QStringLiteral("Sheet1$"), QStringLiteral("nope"),
                                        ColumnClass::Character),
                 db::DbError);
}

// A sheet is read row by row: what its later rows hold still decides its columns and types, and
// empty rows in between are rows of the table. A number formatted as a date it cannot be (before
// 1899-12-30) keeps its value.
TEST_F(ImportTest, WorkbookRowsFarBelowTheFirstShapeTheTable) {
    const db::Recordset rs = Load(Generated(QStringLiteral("gaps.xls")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("A,B,C,F4"));
    // A number far down a column of texts keeps it from being plain text.
    EXPECT_EQ(Types(rs).join(u','), QStringLiteral("MIXED BLOB,NUMBER,TEXT,NUMBER"));
    const std::vector<QStringList> rows = Rows(rs);
    ASSERT_EQ(rows.size(), 450u);
    EXPECT_EQ(rows[0].join(u','), QStringLiteral("学生1,1,<null>,<null>"));
    EXPECT_EQ(rows[4].join(u','), QStringLiteral("学生5,5,<null>,-5"));
    EXPECT_EQ(rows[298].join(u','), QStringLiteral("学生299,299,<null>,<null>"));
    for (size_t r = 299; r < 309; ++r)
        EXPECT_EQ(rows[r].join(u','), QStringLiteral("<null>,<null>,<null>,<null>")) << r;
    EXPECT_EQ(rows[309].join(u','), QStringLiteral("学生310,310,<null>,<null>"));
    EXPECT_EQ(rows[449].join(u','), QStringLiteral("学生450,450,end,<null>"));
    EXPECT_EQ(
        conn->Execute(QStringLiteral("SELECT typeof(A) FROM [Sheet1$] WHERE B=420")).Field(0).ToString(),
        QStringLiteral("integer"));
}

// A sheet whose first cell lies below the rows the types are guessed from is a table like any
// other: its empty first row is the header, the rows below it are its rows.
TEST_F(ImportTest, AWorkbookTableThatStartsLowLoads) {
    const db::Recordset rs = Load(Generated(QStringLiteral("low.xls")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("F1,F2,F3"));
    EXPECT_EQ(Types(rs).join(u','), QStringLiteral("TEXT,TEXT,MIXED BLOB"));
    const std::vector<QStringList> rows = Rows(rs);
    ASSERT_EQ(rows.size(), 12u);
    for (size_t r = 0; r < 8; ++r)
        EXPECT_EQ(rows[r].join(u','), QStringLiteral("<null>,<null>,<null>")) << r;
    EXPECT_EQ(rows[8].join(u','), QStringLiteral("XH,XM,P1"));
    EXPECT_EQ(rows[9].join(u','), QStringLiteral("020000000,学生0,60"));
    EXPECT_EQ(rows[11].join(u','), QStringLiteral("020000002,学生2,62"));
}

// A workbook that needs more memory than the reading child may take is refused as too large,
// not as damaged; a load that fails part way, memory running out included, leaves the table
// loaded before it as it was.
TEST_F(ImportTest, AWorkbookTooLargeToReadSaysSoAndAFailedLoadChangesNothing) {
    const QString path = Generated(QStringLiteral("many.xls"));
    struct Reset {
        ~Reset() {
            importsrc::SetChildMemoryLimit(2ULL << 30);
            importsrc::SetLoadRowCheck({});
        }
    } reset;
    EXPECT_EQ(Rows(Load(path, QStringLiteral("Sheet1$"))).size(), 20000u);

    SourceFile file(path);
    importsrc::SetChildMemoryLimit(256 << 10); // less than the file itself
    try {
        file.Load(QStringLiteral("Sheet1$"), *conn);
        ADD_FAILURE() << "a workbook read beyond the memory limit";
    } catch (const db::DbError& e) {
        const QString size = QString::number(static_cast<double>(QFileInfo(path).size()) / 1048576.0, 'f', 1);
        EXPECT_EQ(e.Message(),
                  QStringLiteral("无法读取Excel工作簿“%1”：工作簿太大（%2 MB），无法读取。").arg(path, size));
    }
    importsrc::SetChildMemoryLimit(2ULL << 30);

    importsrc::SetLoadRowCheck([](int row) {
        if (row == 5000)
            throw std::bad_alloc();
    });
    conn->Execute(QStringLiteral("DELETE FROM [Sheet1$] WHERE BJ <> 3"));
    EXPECT_THROW(file.Load(QStringLiteral("Sheet1$"), *conn), std::bad_alloc);
    EXPECT_EQ(conn->Execute(QStringLiteral("SELECT count(*) FROM [Sheet1$]")).Field(0).ToInt(), 1000);

    // The same for a FoxPro table, read in the program, and its first row.
    importsrc::SetLoadRowCheck({});
    SourceFile fox(Generated(QStringLiteral("stu.dbf")));
    fox.Load(QStringLiteral("stu.dbf"), *conn);
    conn->Execute(QStringLiteral("DELETE FROM [stu.dbf] WHERE rowid > 1"));
    importsrc::SetLoadRowCheck([](int) { throw std::bad_alloc(); });
    EXPECT_THROW(fox.Load(QStringLiteral("stu.dbf"), *conn), std::bad_alloc);
    EXPECT_EQ(conn->Execute(QStringLiteral("SELECT count(*) FROM [stu.dbf]")).Field(0).ToInt(), 1);
}

// A table's rows are written while the next ones are read: a write that fails part way (the
// temporary database full) ends the load with the database's error, leaves nothing of the table
// and the table loaded before as it was, and a later load goes through.
TEST_F(ImportTest, AWriteThatFailsPartWayEndsTheLoadAndChangesNothing) {
    const size_t school = Rows(Load(Generated(QStringLiteral("school.xls")), QStringLiteral("成绩表$"))).size();
    ASSERT_GT(school, 0u);
    const auto count = [this](const QString& table) {
        return conn->Execute(QStringLiteral("SELECT count(*) FROM ") + importsrc::QuoteName(table)).Field(0).ToInt();
    };
    const long long pages = conn->Execute(QStringLiteral("PRAGMA source.page_count")).Field(0).ToInt64();
    conn->Execute(QStringLiteral("PRAGMA source.max_page_count = %1").arg(pages + 4));
    SourceFile many(Generated(QStringLiteral("many.xls")));
    try {
        many.Load(QStringLiteral("Sheet1$"), *conn);
        ADD_FAILURE() << "20,000 rows written into a few pages";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Code() & 0xFF, SQLITE_FULL) << e.Code();
    }
    EXPECT_EQ(count(QStringLiteral("成绩表$")), static_cast<int>(school));
    EXPECT_EQ(
        conn->Execute(QStringLiteral("SELECT count(*) FROM source.sqlite_master WHERE name LIKE 'Sheet1$%'"))
            .Field(0)
            .ToInt(),
        0);

    conn->Execute(QStringLiteral("PRAGMA source.max_page_count = 1073741823"));
    many.Load(QStringLiteral("Sheet1$"), *conn);
    EXPECT_EQ(count(QStringLiteral("Sheet1$")), 20000);
    EXPECT_EQ(count(QStringLiteral("成绩表$")), static_cast<int>(school));
}

// A workbook keeps a text once however many cells hold it, and so does its loaded table: 2,000
// cells of one 30,000-character text make a temporary copy of a few pages, and every
// query still sees the text in each cell (a lookup by an index and a DELETE included).
TEST_F(ImportTest, ATextRepeatedOverManyCellsIsKeptOnce) {
    const QString path = Generated(QStringLiteral("repeated.xls"));
    const db::Recordset rs = Load(path, QStringLiteral("Sheet1$"));
    const QString text = (QStringLiteral("长文") + QString(98, u'x')).repeated(300);
    EXPECT_EQ(Names(rs).join(u','), QStringLiteral("A,B,C,D"));
    EXPECT_EQ(Types(rs).join(u','), QStringLiteral("TEXT,TEXT,TEXT,TEXT"));
    const std::vector<QStringList> rows = Rows(rs);
    ASSERT_EQ(rows.size(), 500u);
    int same = 0;
    for (const QStringList& row : rows)
        same += static_cast<int>(std::count(row.begin(), row.end(), text));
    EXPECT_EQ(same, 1999);
    EXPECT_EQ(rows.back().value(3), QStringLiteral("end"));

    const long long bytes = conn->Execute(QStringLiteral("PRAGMA source.page_count")).Field(0).ToInt64() *
                            conn->Execute(QStringLiteral("PRAGMA source.page_size")).Field(0).ToInt64();
    EXPECT_LT(bytes, 1 << 20) << bytes; // each cell its own text: 180 MB
    EXPECT_LT(bytes, 10 * QFileInfo(path).size()) << bytes;

    importsrc::IndexColumn(*conn, QStringLiteral("Sheet1$"), QStringLiteral("D"), ColumnClass::Character);
    db::Recordset plan =
        conn->Execute(QStringLiteral("EXPLAIN QUERY PLAN SELECT A FROM [Sheet1$] WHERE D='end'"));
    EXPECT_TRUE(plan.Field(QStringLiteral("detail")).ToString().contains(QStringLiteral("USING")));
    EXPECT_EQ(conn->Execute(QStringLiteral("SELECT A FROM [Sheet1$] WHERE D='end'")).Field(0).ToString(),
              text);
    EXPECT_EQ(
        conn->Execute(QStringLiteral("SELECT count(*) FROM [Sheet1$] WHERE D=?"), text).Field(0).ToInt(),
        499);
    conn->Execute(QStringLiteral("DELETE FROM [Sheet1$] WHERE D=?"), text);
    EXPECT_EQ(Rows(conn->Execute(QStringLiteral("SELECT * FROM [Sheet1$]"))),
              (std::vector<QStringList>{{text, text, text, QStringLiteral("end")}}));
}

// Ten rows and one number in IV65536: the table has the sheet's 65,535 rows and 256 columns,
// and its record set holds the few values, not a place for every empty cell.
TEST_F(ImportTest, AFarCellMakesEmptyRowsThatCostLittle) {
    SourceFile file(Generated(QStringLiteral("far.xls")));
    conn = std::make_unique<db::Connection>();
    conn->OpenFile(QStringLiteral(":memory:"));
    file.Load(QStringLiteral("Sheet1$"), *conn);
    const size_t before = mallinfo2().uordblks;
    db::Recordset rs = conn->Execute(QStringLiteral("SELECT * FROM [Sheet1$]"));
    const size_t held = mallinfo2().uordblks - std::min(before, mallinfo2().uordblks);
    EXPECT_LT(held, size_t{64} << 20); // 65,535 × 256 cells of 32 bytes would be 512 MB
    ASSERT_EQ(rs.RecordCount(), 65535);
    ASSERT_EQ(rs.FieldCount(), 256);
    EXPECT_EQ(Names(rs).mid(0, 4).join(u','), QStringLiteral("XH,XM,P1,F4"));
    EXPECT_EQ(rs.FieldName(255), QStringLiteral("F256"));
    EXPECT_EQ(importsrc::ClassOfType(rs.FieldType(200)), ColumnClass::Character);
    for (int r = 0; r < 10; ++r, rs.MoveNext()) {
        const QStringList row = Row(rs);
        EXPECT_EQ(row.mid(0, 3), (QStringList{QStringLiteral("0200%1").arg(r, 5, 10, QLatin1Char('0')),
                                              QStringLiteral("学生%1").arg(r), QString::number(60 + r)}));
        EXPECT_EQ(row.count(QStringLiteral("<null>")), 253);
    }
    int blank = 0;
    for (; rs.Position() < 65534; rs.MoveNext())
        blank += Row(rs).count(QStringLiteral("<null>")) == 256 ? 1 : 0;
    EXPECT_EQ(blank, 65524);
    EXPECT_EQ(rs.Field(255).ToInt(), 7);
    EXPECT_EQ(Row(rs).count(QStringLiteral("<null>")), 255);

    // The rows without a value were not written: the temporary copy is a few pages.
    const auto pragma = [this](const char* name) {
        return conn->Execute(QStringLiteral("PRAGMA source.") + QLatin1String(name)).Field(0).ToInt64();
    };
    EXPECT_LT(pragma("page_count") * pragma("page_size"),
              10 * QFileInfo(Generated(QStringLiteral("far.xls"))).size());
}

// What the import reads of a loaded table (importsrc::SelectLoaded) is what "select *" gives:
// the names, declared types, rows in their order and values, rows without values in their place
// and at the end, for workbooks of texts, numbers and both, and for a FoxPro table. The rows are
// read a part at a time on a thread of their own while the parts before are taken apart.
TEST_F(ImportTest, TheLoadedRowsReadAsTheTableGivesThem) {
    const auto same = [this](const QString& name, const QString& table) {
        SCOPED_TRACE(name.toStdString() + " " + table.toStdString());
        const db::Recordset whole = Load(Generated(name), table);
        const db::Recordset direct = importsrc::SelectLoaded(*conn, table);
        EXPECT_EQ(Names(direct), Names(whole));
        EXPECT_EQ(Types(direct), Types(whole));
        EXPECT_EQ(direct.RecordCount(), whole.RecordCount());
        db::Recordset a = whole, b = direct;
        int differ = 0;
        for (; !a.IsEOF() && !b.IsEOF(); a.MoveNext(), b.MoveNext())
            for (int c = 0; c < a.FieldCount(); ++c)
                if (a.Field(c).Type() != b.Field(c).Type() || a.Field(c).ToString() != b.Field(c).ToString())
                    ++differ;
        EXPECT_EQ(differ, 0);
        return direct.RecordCount();
    };
    EXPECT_GT(same(QStringLiteral("school.xls"), QStringLiteral("成绩表$")), 0);
    EXPECT_GT(same(QStringLiteral("school.xls"), QStringLiteral("Another$")), 0);
    same(QStringLiteral("school.xls"), QStringLiteral("Empty$"));
    EXPECT_EQ(same(QStringLiteral("gaps.xls"), QStringLiteral("Sheet1$")),
              Load(Generated(QStringLiteral("gaps.xls")), QStringLiteral("Sheet1$")).RecordCount());
    EXPECT_GT(same(QStringLiteral("low.xls"), QStringLiteral("Sheet1$")), 0);
    EXPECT_EQ(same(QStringLiteral("repeated.xls"), QStringLiteral("Sheet1$")), 500);
    EXPECT_EQ(same(QStringLiteral("far.xls"), QStringLiteral("Sheet1$")), 65535);
    // Read a few thousand rows at a time: every row written, the last part a short one.
    EXPECT_EQ(same(QStringLiteral("many.xls"), QStringLiteral("Sheet1$")), 20000);
    EXPECT_GT(same(QStringLiteral("stu.dbf"), QStringLiteral("stu.dbf")), 0);

    // A sheet with rows left out between its values keeps them in their places.
    Load(Generated(QStringLiteral("far.xls")), QStringLiteral("Sheet1$"));
    conn->Execute(QStringLiteral("DELETE FROM [Sheet1$] WHERE XH=?"), QStringLiteral("020000003"));
    db::Recordset after = importsrc::SelectLoaded(*conn, QStringLiteral("Sheet1$"));
    ASSERT_EQ(after.RecordCount(), 65535);
    for (int r = 0; r < 3; ++r)
        after.MoveNext();
    EXPECT_EQ(Row(after).count(QStringLiteral("<null>")), 256);
    after.MoveNext();
    EXPECT_EQ(after.Field(0).ToString(), QStringLiteral("020000004"));
}

} // namespace
