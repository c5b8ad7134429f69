#include "platform/db/Connection.h"
#include "platform/db/Functions.h"
#include "platform/db/Transaction.h"

#include <gtest/gtest.h>

#include <map>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <sqlite3.h>
#include <unistd.h>

#include <cmath>

namespace {

using db::Connection;
using db::DbError;
using db::Recordset;
using db::Variant;
using db::VariantType;

int CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.Code();
    }
    return 0;
}

Variant Scalar(Connection& c, const QString& sql) {
    Recordset rs = c.Execute(sql);
    return rs.Field(0);
}

class DbTest : public ::testing::Test {
protected:
    void SetUp() override { conn.OpenFile(QStringLiteral(":memory:"), {}, true); }
    Connection conn;
};

class FileDbTest : public ::testing::Test {
protected:
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString MakeDb(const char* name) {
        Connection c;
        c.OpenFile(Path(name), {}, true);
        c.Execute(QStringLiteral("CREATE TABLE t(a INTEGER)"));
        return Path(name);
    }
    QTemporaryDir dir;
};

TEST(Variant, FormatsRealsAsWindowsVariantsDo) {
    EXPECT_EQ(Variant(90.0).ToString(), "90");
    EXPECT_EQ(Variant(85.5).ToString(), "85.5");
    EXPECT_EQ(Variant(0.1).ToString(), "0.1");
    EXPECT_EQ(Variant(-3.25).ToString(), "-3.25");
    EXPECT_EQ(Variant(-0.0).ToString(), "0");
    EXPECT_EQ(Variant(1.0 / 3).ToString(), "0.333333333333333");
    EXPECT_EQ(Variant(1e20).ToString(), "1E+20");
    EXPECT_EQ(Variant(1.5e-7).ToString(), "1.5E-07");
    EXPECT_EQ(Variant(123456789012345678.0).ToString(), "1.23456789012346E+17");
    EXPECT_EQ(Variant(12345).ToString(), "12345");
    EXPECT_EQ(Variant(QDate(2008, 1, 5)).ToString(), "2008-01-05");
    EXPECT_EQ(Variant(true).ToString(), "True");
    EXPECT_EQ(Variant().ToString(), "");
}

TEST(Variant, ConvertsBetweenTypes) {
    EXPECT_EQ(Variant(2.5).ToInt64(), 3);
    EXPECT_EQ(Variant(-2.5).ToInt64(), -3);
    EXPECT_EQ(Variant(2.49).ToInt64(), 2);
    EXPECT_EQ(Variant(1e300).ToInt64(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Variant(" 12.5 ").ToDouble(), 12.5);
    EXPECT_EQ(Variant(" 12.5 ").ToInt(), 13);
    EXPECT_EQ(Variant("9007199254740993").ToInt64(), 9007199254740993LL);
    EXPECT_EQ(Variant("abc").ToInt(), 0);
    EXPECT_EQ(Variant("").ToDouble(), 0.0);
    EXPECT_EQ(Variant().ToInt(), 0);
    EXPECT_FALSE(Variant().ToDate().isValid());
    EXPECT_EQ(Variant("2008-1-5").ToDate(), QDate(2008, 1, 5));
    EXPECT_EQ(Variant("2008-01-05 10:00:00").ToDate(), QDate(2008, 1, 5));
    EXPECT_FALSE(Variant("2008-13-05").ToDate().isValid());
    EXPECT_TRUE(Variant("True").ToBool());
    EXPECT_FALSE(Variant("0").ToBool());
}

TEST_F(DbTest, ReadsTypesNullsAndDeclaredTypes) {
    conn.Execute(QStringLiteral("CREATE TABLE t(i INTEGER, r REAL, s TEXT, d TEXT, n, b INTEGER)"));
    const QString quoted = QStringLiteral("O'Brien \"阿\"; --");
    Recordset ins = conn.Execute(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?, ?)"), 7, 90.0, quoted,
                                 QDate(2008, 1, 5), nullptr, true);
    EXPECT_FALSE(ins.IsOpen());
    EXPECT_EQ(ins.RowsAffected(), 1);
    EXPECT_EQ(conn.LastInsertId(), 1);

    Recordset rs = conn.Execute(QStringLiteral("SELECT i, r, s, d, n, b, i + 1 AS expr FROM t"));
    ASSERT_TRUE(rs.IsOpen());
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_EQ(rs.Field(0), Variant(7));
    EXPECT_EQ(rs.Field(1).Type(), VariantType::Real);
    EXPECT_EQ(rs.Field(1).ToString(), "90");
    EXPECT_EQ(rs.Field(2).ToString(), quoted);
    EXPECT_EQ(rs.Field(3), Variant("2008-01-05"));
    EXPECT_TRUE(rs.Field(4).IsNull());
    EXPECT_EQ(rs.Field(5), Variant(1));
    EXPECT_EQ(rs.FieldType(0), "INTEGER");
    EXPECT_EQ(rs.FieldType(4), "");
    EXPECT_EQ(rs.FieldType(6), "");
    EXPECT_EQ(rs.FieldName(6), "expr");
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
}

TEST_F(DbTest, RecordsetNavigationAndErrors) {
    conn.Execute(QStringLiteral("CREATE TABLE tavrinName(StudentId TEXT, name TEXT)"));
    conn.Execute(QStringLiteral("INSERT INTO tavrinName VALUES ('010200101', 'a'), ('010200102', 'b')"));
    Recordset rs = conn.Execute(QStringLiteral("SELECT * FROM tavrinName ORDER BY studentid"));
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Field(QStringLiteral("STUDENTID")).ToString(), "010200101"); // leading zero kept
    EXPECT_EQ(rs.FieldIndex(QStringLiteral("Name")), 1);
    EXPECT_EQ(rs.FieldIndex(QStringLiteral("nope")), -1);
    EXPECT_EQ(CodeOf([&] { rs.Field(QStringLiteral("nope")); }), DbError::kNoSuchField);
    EXPECT_EQ(CodeOf([&] { rs.Field(2); }), DbError::kNoSuchField);
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_EQ(CodeOf([&] { rs.Field(0); }), DbError::kNoCurrentRecord);
    EXPECT_EQ(CodeOf([&] { rs.MoveNext(); }), DbError::kNoCurrentRecord);
    rs.MoveFirst();
    EXPECT_EQ(rs.Field(1).ToString(), "a");
    rs.Close();
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_EQ(CodeOf([&] { rs.Field(0); }), DbError::kNotOpen);

    // An empty result still names its columns.
    Recordset empty = conn.Execute(QStringLiteral("SELECT * FROM tavrinName WHERE 0"));
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_TRUE(empty.IsEOF());
    EXPECT_TRUE(empty.IsBOF());
    ASSERT_EQ(empty.FieldCount(), 2);
    EXPECT_EQ(empty.FieldName(0), "StudentId");
}

TEST_F(DbTest, LargeResultsKeepEveryValueInPlace) {
    // 5000 rows cross several storage blocks; texts repeat with different periods, and NULLs,
    // integers, reals and texts share one column.
    Recordset rs = conn.Execute(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 4999) "
                       "SELECT i, 'g' || (i % 7), CASE WHEN i % 3 = 0 THEN NULL ELSE '名' || i END, "
                       "CASE i % 4 WHEN 0 THEN i WHEN 1 THEN i * 0.25 WHEN 2 THEN 'x' END FROM n"));
    ASSERT_EQ(rs.RecordCount(), 5000);
    for (int i = 0; !rs.IsEOF(); rs.MoveNext(), ++i) {
        ASSERT_EQ(rs.Field(0).ToInt(), i);
        ASSERT_EQ(rs.Field(1).ToString(), QStringLiteral("g%1").arg(i % 7));
        ASSERT_EQ(rs.Field(2), i % 3 ? Variant(QStringLiteral("名%1").arg(i)) : Variant()) << i;
        const Variant expected[] = {Variant(i), Variant(i * 0.25), Variant("x"), Variant()};
        ASSERT_EQ(rs.Field(3), expected[i % 4]) << i;
    }
    // A value stays where it is while the record set moves on.
    rs.MoveFirst();
    const Variant& first = rs.Field(1);
    rs.MoveNext();
    EXPECT_EQ(first.ToString(), "g0");

    // Rows handed over ready-made: a short row reads NULL for what it lacks.
    Recordset made({QStringLiteral("a"), QStringLiteral("b")}, {}, {{1, "x"}, {2}});
    made.MoveNext();
    EXPECT_EQ(made.Field(0), Variant(2));
    EXPECT_TRUE(made.Field(1).IsNull());
}

// The texts of a result share their data with one another while it is made; once the result is
// gone, a text kept from it holds its data alone (no reference is left over to keep the data
// alive for ever), and changing one copy leaves the others as they were.
TEST_F(DbTest, TextsKeptFromAResultOwnTheirDataOnceItGoes) {
    QString repeated;
    QString single;
    QString another;
    {
        // 'same' repeats in every row (the per-column table of texts already decoded); 'k' || i
        // never does (the texts decoded straight into shared blocks).
        Recordset rs = conn.Execute(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2999) "
                           "SELECT 'same', 'k' || i, '' FROM n"));
        // Past the rows in which a column tries the table.
        while (rs.Position() < 1000)
            rs.MoveNext();
        repeated = rs.Field(0).ToString();
        single = rs.Field(1).ToString();
        rs.MoveNext();
        another = rs.Field(1).ToString();
        EXPECT_TRUE(rs.Field(2).ToString().isEmpty());
        EXPECT_FALSE(rs.Field(2).IsNull());
        EXPECT_FALSE(repeated.isDetached());
    }
    EXPECT_TRUE(repeated.isDetached());
    EXPECT_EQ(repeated, "same");
    EXPECT_FALSE(single.isDetached()); // its block also holds `another`
    single.append(QStringLiteral("x"));
    EXPECT_EQ(single, "k1000x");
    EXPECT_EQ(another, "k1001");
    EXPECT_TRUE(another.isDetached());
}

// Texts that are not repeated are decoded as they come: well-formed ones of every length of
// sequence, and those with bytes that are not UTF-8 (a stray byte, a cut sequence, an overlong
// form, a surrogate, a code beyond Unicode) read as QString::fromUtf8 reads them.
TEST_F(DbTest, TextsOfEveryKindOfUtf8ReadAsDecoded) {
    const QList<QByteArray> bytes = {"41",   "c3a9",   "e4b8ad",   "f09f9880", "41ff42", "e4b8",
                                     "c0af", "eda080", "f4908080", "c2",       "f09f98"};
    QString sql =
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 399) "
                       "SELECT i");
    for (const QByteArray& hex : bytes)
        sql += QStringLiteral(", CAST(x'%1' || i AS TEXT)").arg(QString::fromLatin1(hex));
    sql += QStringLiteral(" FROM n");
    Recordset rs = conn.Execute(sql);
    ASSERT_EQ(rs.RecordCount(), 400);
    for (; !rs.IsEOF(); rs.MoveNext()) {
        const QByteArray number = QByteArray::number(rs.Field(0).ToInt());
        for (int c = 0; c < bytes.size(); ++c)
            ASSERT_EQ(rs.Field(c + 1).ToString(), QString::fromUtf8(QByteArray::fromHex(bytes[c]) + number))
                << bytes[c].constData() << " " << number.constData();
    }
}

// NULLs among the values of a wide result (more columns than one word of bits) leave every
// value where its row and column say, across the storage blocks; a row of NULLs is a row.
TEST_F(DbTest, SparseWideResultsKeepEveryValueInPlace) {
    constexpr int kColumns = 130;
    constexpr int kRows = 3000;
    QStringList names;
    for (int c = 0; c < kColumns; ++c)
        names << QStringLiteral("c%1").arg(c);
    std::vector<std::vector<Variant>> rows(kRows);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
            rows[static_cast<size_t>(r)].push_back(r % 10 != 9 && (r + c) % 7 == 0 ? Variant(r * 1000 + c)
                                                                                   : Variant());
    Recordset source(names, {}, std::move(rows));
    // A copy holds values of its own (the record set it was copied from is closed first), and so
    // does a copy assigned over a record set that held values; moving hands them over.
    Recordset copy(source);
    Recordset assigned = conn.Execute(QStringLiteral("SELECT 1, 'x'"));
    assigned = copy;
    source.Close();
    Recordset rs(std::move(copy));
    for (Recordset* each : {&rs, &assigned}) {
        ASSERT_EQ(each->RecordCount(), kRows);
        for (int r = 0; !each->IsEOF(); each->MoveNext(), ++r)
            for (int c = 0; c < kColumns; ++c)
                ASSERT_EQ(each->Field(c), r % 10 != 9 && (r + c) % 7 == 0 ? Variant(r * 1000 + c) : Variant())
                    << r << "," << c;
    }
}

// A long text that repeats over a large result is held once however many rows show it, even
// among a thousand others; long texts that do not repeat are each their own.
TEST_F(DbTest, LongTextsThatRepeatAreHeldOnce) {
    Recordset rs = conn.Execute(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999) "
        "SELECT ((i * 7) % 1000) || ':' || printf('%.100c', 'a'), i || printf('%.100c', 'b') FROM n"));
    ASSERT_EQ(rs.RecordCount(), 20000);
    std::map<QString, const QChar*> seen;
    int shared = 0;
    for (int i = 0; !rs.IsEOF(); rs.MoveNext(), ++i) {
        const QString text = rs.Field(0).ToString();
        ASSERT_EQ(text, QStringLiteral("%1:").arg((i * 7) % 1000) + QString(100, u'a'));
        const auto [at, added] = seen.emplace(text, text.constData());
        shared += !added && at->second == text.constData();
        ASSERT_EQ(rs.Field(1).ToString(), QString::number(i) + QString(100, u'b'));
    }
    // All but the rows of the trial and each text's first row.
    EXPECT_GE(shared, 20000 - 1000 - 4096 - 128);
}

TEST_F(DbTest, TextsDecodeAsQtDoesAndStayIndependent) {
    // Bytes as stored (BLOBs read as text): a BOM, a character beyond the basic plane, broken
    // sequences, an embedded NUL; enough rows that each is decoded on its own.
    const QList<QByteArray> samples = {"\xEF\xBB\xBF"
                                       "abc",
                                       "\xF0\x9F\x98\x80x",
                                       "a\xC3",
                                       "\xFF\xFEz",
                                       QByteArray("n\0l", 3),
                                       "张三"};
    conn.Execute(QStringLiteral("CREATE TABLE t(i INTEGER, b BLOB)"));
    for (int i = 0; i < 300; ++i) {
        const QByteArray& bytes = samples[i % samples.size()];
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(conn.Handle(), "INSERT INTO t VALUES (?, ?)", -1, &stmt, nullptr);
        sqlite3_bind_int(stmt, 1, i);
        sqlite3_bind_blob(stmt, 2, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(stmt), SQLITE_DONE);
        sqlite3_finalize(stmt);
    }
    QString kept, neighbour;
    {
        Recordset rs = conn.Execute(QStringLiteral("SELECT b, i FROM t ORDER BY i"));
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const QString text = rs.Field(0).ToString();
            ASSERT_EQ(text, QString::fromUtf8(samples[rs.Field(1).ToInt() % samples.size()]));
            ASSERT_EQ(text.utf16()[text.size()], u'\0');
        }
        rs.MoveFirst();
        kept = rs.Field(0).ToString();
        rs.MoveNext();
        neighbour = rs.Field(0).ToString();
        QString changed = rs.Field(0).ToString(); // changing a copy changes nothing else
        changed.append(QStringLiteral("!!!")).prepend(u'<');
        EXPECT_EQ(rs.Field(0).ToString(), QString::fromUtf8(samples[1]));
    }
    // Texts outlive their record set, and one that grows leaves the others alone.
    kept.append(QString(100, u'x'));
    EXPECT_EQ(kept, QString::fromUtf8(samples[0]) + QString(100, u'x'));
    EXPECT_EQ(neighbour, QString::fromUtf8(samples[1]));
}

TEST_F(DbTest, RowsAffectedBelongsToTheStatement) {
    conn.Execute(QStringLiteral("CREATE TABLE t(a)"));
    conn.Execute(QStringLiteral("INSERT INTO t VALUES (1), (2), (3)"));
    EXPECT_EQ(conn.Execute(QStringLiteral("UPDATE t SET a = a + 1 WHERE a > 1")).RowsAffected(), 2);
    EXPECT_EQ(conn.Execute(QStringLiteral("CREATE TABLE u(b)")).RowsAffected(), 0);
    EXPECT_EQ(conn.Execute(QStringLiteral("UPDATE t SET a = 0 WHERE a > 100")).RowsAffected(), 0);
}

TEST_F(DbTest, RefusesASecondStatementAndWrongValueCounts) {
    conn.Execute(QStringLiteral("CREATE TABLE t(a)"));
    EXPECT_EQ(CodeOf([&] { conn.Execute(QStringLiteral("INSERT INTO t VALUES (1); DROP TABLE t")); }),
              DbError::kMultipleStatements);
    EXPECT_EQ(Scalar(conn, QStringLiteral("SELECT count(*) FROM t")).ToInt(), 0); // nothing of it ran
    conn.Execute(QStringLiteral("INSERT INTO t VALUES (1);  -- done\n/* really */;"));
    EXPECT_EQ(Scalar(conn, QStringLiteral("SELECT count(*) FROM t")).ToInt(), 1);

    EXPECT_EQ(CodeOf([&] { conn.Execute(QStringLiteral("INSERT INTO t VALUES (?)")); }),
              DbError::kBadParameterCount);
    EXPECT_EQ(CodeOf([&] { conn.Execute(QStringLiteral("INSERT INTO t VALUES (?)"), 1, 2); }),
              DbError::kBadParameterCount);
    EXPECT_EQ(CodeOf([&] { conn.Execute(QStringLiteral("SELEC 1")); }), SQLITE_ERROR);
    EXPECT_EQ(CodeOf([&] { Connection().Execute(QStringLiteral("SELECT 1")); }), DbError::kNotOpen);
}

// A statement that runs out of memory fails with a message the user can read, not SQLite's
// English words.
TEST_F(DbTest, RunningOutOfMemorySaysSoInChinese) {
    const sqlite3_int64 before = sqlite3_hard_heap_limit64(sqlite3_memory_used() + (8 << 20));
    QString message;
    int code = 0;
    try {
        conn.Execute(QStringLiteral("SELECT length(randomblob(100000000))"));
    } catch (const DbError& e) {
        message = e.Message();
        code = e.Code();
    }
    sqlite3_hard_heap_limit64(before);
    EXPECT_EQ(code & 0xFF, SQLITE_NOMEM);
    EXPECT_TRUE(message.contains(QStringLiteral("内存不足"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("out of memory"))) << message.toStdString();
    EXPECT_EQ(Scalar(conn, QStringLiteral("SELECT 1")).ToInt(), 1);
}

TEST_F(DbTest, Stdev) {
    conn.Execute(QStringLiteral("CREATE TABLE s(g INTEGER, x REAL)"));
    conn.Execute(
        QStringLiteral("INSERT INTO s VALUES (1, 5), (2, 2), (2, 4), (2, NULL), (3, 85.3), (3, 85.3),"
                       " (3, 85.3), (4, NULL), (4, NULL)"));
    Recordset rs = conn.Execute(QStringLiteral("SELECT g, stdev(x) FROM s GROUP BY g ORDER BY g"));
    EXPECT_TRUE(rs.Field(1).IsNull()); // one value
    rs.MoveNext();
    EXPECT_DOUBLE_EQ(rs.Field(1).ToDouble(), std::sqrt(2.0)); // the NULL is ignored
    rs.MoveNext();
    EXPECT_EQ(rs.Field(1).ToDouble(), 0.0); // exactly
    rs.MoveNext();
    EXPECT_TRUE(rs.Field(1).IsNull()); // only NULLs
    EXPECT_TRUE(Scalar(conn, QStringLiteral("SELECT stdev(x) FROM s WHERE 0")).IsNull());

    EXPECT_FALSE(db::SampleStdev({}).has_value());
    EXPECT_FALSE(db::SampleStdev({3}).has_value());
    EXPECT_DOUBLE_EQ(*db::SampleStdev({2, 4, 4, 4, 5, 5, 7, 9}), std::sqrt(32.0 / 7));
    EXPECT_EQ(*db::SampleStdev({0.1, 0.1, 0.1, 0.1}), 0.0);
    // Large offsets cost no precision (a naive sum of squares loses it all here).
    EXPECT_NEAR(*db::SampleStdev({1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16}), std::sqrt(30.0), 1e-6);
}

TEST_F(DbTest, MidLenStr) {
    auto text = [&](const char* sql) { return Scalar(conn, QString::fromUtf8(sql)); };
    EXPECT_EQ(text("SELECT mid('阿把长c', 2, 2)").ToString(), "把长");
    EXPECT_EQ(text("SELECT mid('阿把长c', 3)").ToString(), "长c");
    EXPECT_EQ(text("SELECT mid('abc', 10)").ToString(), "");
    EXPECT_EQ(text("SELECT mid('abc', 2, 0)").ToString(), "");
    EXPECT_EQ(text("SELECT mid(010203, 2, 2)").ToString(), "02"); // numbers as their text
    EXPECT_TRUE(text("SELECT mid(NULL, 1)").IsNull());
    EXPECT_NE(CodeOf([&] { text("SELECT mid('abc', 0)"); }), 0);
    EXPECT_NE(CodeOf([&] { text("SELECT mid('abc', 1, -1)"); }), 0);
    EXPECT_EQ(text("SELECT len('阿b')").ToInt(), 2);
    EXPECT_EQ(text("SELECT len('')").ToInt(), 0);
    EXPECT_TRUE(text("SELECT len(NULL)").IsNull());
    EXPECT_EQ(text("SELECT str(5)").ToString(), " 5");
    EXPECT_EQ(text("SELECT str(-5)").ToString(), "-5");
    EXPECT_EQ(text("SELECT str(2.5)").ToString(), " 2.5");
    EXPECT_EQ(text("SELECT str(90.0)").ToString(), " 90");
    EXPECT_EQ(text("SELECT str(1e20)").ToString(), " 1E+20");
    EXPECT_EQ(text("SELECT str('12')").ToString(), " 12");
    EXPECT_TRUE(text("SELECT str(NULL)").IsNull());

    const QString emoji = QString::fromUcs4(U"a\U0001F600b");
    EXPECT_EQ(db::JetMid(emoji, 2, 1), QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(db::JetMid(emoji, 3, std::nullopt), "b");
    EXPECT_EQ(CodeOf([&] { db::JetMid(emoji, 0, 1); }), SQLITE_ERROR);
    EXPECT_EQ(db::JetStr(-0.5), "-0.5");
}

TEST_F(DbTest, GbkCollationSortsInPinyinOrder) {
    conn.Execute(QStringLiteral("CREATE TABLE n(name TEXT)"));
    for (const char* s : {"长", "b", "阿b", "把", "A", "阿", "阿a", "\U0001F600", "\U0001F601"})
        conn.Execute(QStringLiteral("INSERT INTO n VALUES (?)"), QString::fromUtf8(s));
    Recordset rs = conn.Execute(QStringLiteral("SELECT name FROM n ORDER BY name COLLATE GBK"));
    QStringList order;
    for (; !rs.IsEOF(); rs.MoveNext())
        order << rs.Field(0).ToString();
    // Characters GBK lacks become '?' (0x3F), between 'A' and 'b'; they still differ from each other.
    EXPECT_EQ(order.join(QLatin1Char(' ')), QString::fromUtf8("\U0001F600 \U0001F601 A b 阿 阿a 阿b 把 长"));
    EXPECT_EQ(Scalar(conn, QStringLiteral("SELECT count(DISTINCT name COLLATE GBK) FROM n")).ToInt(), 9);
}

TEST_F(DbTest, TransactionsRollBackUnlessCommittedAndNest) {
    conn.Execute(QStringLiteral("CREATE TABLE t(a)"));
    auto count = [&] { return Scalar(conn, QStringLiteral("SELECT count(*) FROM t")).ToInt(); };
    {
        db::Transaction tx(conn);
        conn.Execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    }
    EXPECT_EQ(count(), 0);
    {
        db::Transaction outer(conn);
        conn.Execute(QStringLiteral("INSERT INTO t VALUES (1)"));
        {
            db::Transaction inner(conn);
            conn.Execute(QStringLiteral("INSERT INTO t VALUES (2)"));
        }
        {
            db::Transaction inner(conn);
            conn.Execute(QStringLiteral("INSERT INTO t VALUES (3)"));
            inner.Commit();
        }
        outer.Commit();
    }
    EXPECT_EQ(Scalar(conn, QStringLiteral("SELECT group_concat(a) FROM t")).ToString(), "1,3");
    try {
        db::Transaction outer(conn);
        db::Transaction inner(conn);
        conn.Execute(QStringLiteral("INSERT INTO t VALUES (4)"));
        inner.Commit();
        throw std::runtime_error("abandon");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(sqlite3_get_autocommit(conn.Handle()), 1); // nothing left open
}

TEST_F(FileDbTest, OpensOnlyRealDatabases) {
    Connection c;
    const QString missing = Path("missing.mdb");
    EXPECT_EQ(CodeOf([&] { c.OpenFile(missing); }) & 0xFF, SQLITE_CANTOPEN);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(c.IsOpen());

    QFile junk(Path("junk.mdb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_EQ(CodeOf([&] { c.OpenFile(junk.fileName()); }) & 0xFF, SQLITE_NOTADB);
    EXPECT_FALSE(c.IsOpen());

    QFile empty(Path("empty.mdb"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(CodeOf([&] { c.OpenFile(empty.fileName()); }) & 0xFF, SQLITE_NOTADB);
    EXPECT_EQ(QFileInfo(empty.fileName()).size(), 0);

    const QString good = MakeDb("good.mdb");
    c.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0; data SOURCE =%1;Persist Security Info=False;"
                          "Jet OLEDB:Database Password=anything")
               .arg(good));
    EXPECT_TRUE(c.IsOpen());
    EXPECT_EQ(c.Path(), good);
    EXPECT_EQ(Scalar(c, QStringLiteral("PRAGMA journal_mode")).ToString(), "wal");
    EXPECT_EQ(Scalar(c, QStringLiteral("PRAGMA foreign_keys")).ToInt(), 1);
    EXPECT_EQ(CodeOf([&] { c.Open(QStringLiteral("Provider=x;Password=y")); }),
              DbError::kBadConnectionString);
    EXPECT_FALSE(c.IsOpen());
    c.Open(QStringLiteral("Data Source=:memory:"));
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT str(7)")).ToString(), " 7"); // functions registered
}

TEST_F(FileDbTest, QuotedValuesNameAnyPath) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("a;b 'c\" d;")));
    const QString path = dir.filePath(QStringLiteral("a;b 'c\" d;/x.mdb"));
    {
        Connection c;
        c.OpenFile(path, {}, true);
        c.Execute(QStringLiteral("CREATE TABLE t(a)"));
    }
    EXPECT_EQ(db::QuoteConnectionValue(QStringLiteral("/plain/x.mdb")), "/plain/x.mdb");
    EXPECT_EQ(db::QuoteConnectionValue(QStringLiteral("a\"b;")), "\"a\"\"b;\"");
    Connection c;
    c.Open(QStringLiteral("Provider=x;Data Source=%1;Persist Security Info=False;Database Password=")
               .arg(db::QuoteConnectionValue(path)));
    EXPECT_EQ(c.Path(), path);
    // Single quotes work too, as does a blank around the quoted value.
    QString single = path;
    single.replace(QLatin1Char('\''), QStringLiteral("''"));
    c.Open(QStringLiteral("Data Source= '%1' ;Database Password=").arg(single));
    EXPECT_EQ(c.Path(), path);

    EXPECT_EQ(CodeOf([&] { c.Open(QStringLiteral("Data Source=\"%1;Database Password=").arg(path)); }),
              DbError::kBadConnectionString); // never closed
    EXPECT_EQ(CodeOf([&] { c.Open(QStringLiteral("Data Source=\"a\"b;Database Password=")); }),
              DbError::kBadConnectionString); // text after the closing quote
    EXPECT_FALSE(c.IsOpen());
}

TEST_F(FileDbTest, FileCheckRefusesBeforeAnythingIsWritten) {
    const QString path = MakeDb("foreign.mdb");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    Connection c;
    int checked = 0;
    c.SetFileCheck([&](Connection& opened) {
        ++checked;
        // The check may read the file (the schema is known by now) …
        EXPECT_EQ(Scalar(opened, QStringLiteral("SELECT count(*) FROM t")).ToInt(), 0);
        throw DbError(DbError::kForeignFile, QStringLiteral("not ours"));
    });
    EXPECT_EQ(CodeOf([&] { c.OpenFile(path); }), DbError::kForeignFile);
    EXPECT_EQ(checked, 1);
    EXPECT_FALSE(c.IsOpen());
    // … but the refused file is exactly as it was: not even its journal mode changed.
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    for (const char* suffix : db::kJournalSuffixes)
        EXPECT_FALSE(QFile::exists(path + suffix)) << suffix;

    c.SetFileCheck([&](Connection&) { ++checked; });
    c.OpenFile(path);
    EXPECT_EQ(checked, 2);
    EXPECT_EQ(Scalar(c, QStringLiteral("PRAGMA journal_mode")).ToString(), "wal");
}

TEST_F(FileDbTest, KeptStatementsHoldNothingOpenAndFollowTheSchema) {
    const QString path = MakeDb("kept.mdb");
    Connection c;
    c.OpenFile(path);
    Connection other;
    other.OpenFile(path);
    for (int i = 0; i < 3; ++i) {
        c.Execute(QStringLiteral("INSERT INTO t(a) VALUES (?)"), i);
        // The read, kept prepared, holds no snapshot: it sees the other connection's row at once.
        other.Execute(QStringLiteral("INSERT INTO t(a) VALUES (?)"), 10 + i);
        EXPECT_EQ(Scalar(c, QStringLiteral("SELECT count(*) FROM t")).ToInt(), 2 * (i + 1));
    }
    // A refused row leaves the kept statement usable with the next values.
    c.Execute(QStringLiteral("CREATE UNIQUE INDEX t_a ON t(a)"));
    EXPECT_EQ(CodeOf([&] { c.Execute(QStringLiteral("INSERT INTO t(a) VALUES (?)"), 1); }) & 0xFF,
              SQLITE_CONSTRAINT);
    c.Execute(QStringLiteral("INSERT INTO t(a) VALUES (?)"), 99);
    // A column added since is in the kept query's result.
    EXPECT_EQ(c.Execute(QStringLiteral("SELECT * FROM t")).FieldCount(), 1);
    c.Execute(QStringLiteral("ALTER TABLE t ADD COLUMN b TEXT"));
    EXPECT_EQ(c.Execute(QStringLiteral("SELECT * FROM t")).FieldCount(), 2);
    // Closing ends everything: the last connection's journal goes into the file and is removed.
    other.Close();
    c.Close();
    for (const char* suffix : db::kJournalSuffixes)
        EXPECT_FALSE(QFile::exists(path + suffix)) << suffix;
}

TEST_F(FileDbTest, EveryJournalBeginsWithAFreshMarkThatTheFileCarries) {
    const QString path = MakeDb("marked.mdb");
    const auto mark = [&] {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.read(64).mid(60);
    };
    const QByteArray before = mark();
    Connection c;
    c.OpenFile(path);
    const QByteArray session = mark();
    EXPECT_NE(session, before); // in the file itself, before the session has written anything
    EXPECT_EQ(Scalar(c, QStringLiteral("PRAGMA user_version")).ToInt(),
              int(qFromBigEndian<quint32>(session.constData())));
    // The journal's first frame is the first page with the file's mark; after each checkpoint the
    // connection makes itself, the journal begins again with a mark the file has not had before.
    c.Execute(QStringLiteral("CREATE TABLE big(x TEXT)"));
    QSet<QByteArray> marks{before, session};
    for (int i = 0; i < 30; ++i) {
        db::Transaction t(c);
        for (int r = 0; r < 100; ++r)
            c.Execute(QStringLiteral("INSERT INTO big VALUES (?)"), QString(3000, QChar(u'x')));
        t.Commit();
        QFile wal(path + QStringLiteral("-wal"));
        ASSERT_TRUE(wal.open(QIODevice::ReadOnly));
        const QByteArray head = wal.read(32 + 24 + 64);
        ASSERT_EQ(head.size(), 32 + 24 + 64) << i;
        EXPECT_EQ(qFromBigEndian<quint32>(head.constData() + 32), 1u) << i; // the frame's page
        EXPECT_EQ(head.mid(32 + 24 + 60, 4), mark()) << i;
        EXPECT_LT(wal.size(), 3000 * 4096) << i;
        marks.insert(mark());
    }
    EXPECT_GE(marks.size(), 4); // a journal of 3000 rows is checkpointed more than once
    EXPECT_FALSE(marks.contains(QByteArray(4, '\0')));
}

TEST_F(FileDbTest, KeptReadsShowTheColumnsAnotherConnectionChanged) {
    const QString path = MakeDb("columns.mdb");
    Connection c;
    c.OpenFile(path);
    Connection other;
    other.OpenFile(path);
    c.Execute(QStringLiteral("INSERT INTO t(a) VALUES (1)"));
    const QString all = QStringLiteral("SELECT * FROM t");
    EXPECT_EQ(c.Execute(all).FieldCount(), 1);
    other.Execute(QStringLiteral("ALTER TABLE t ADD COLUMN b TEXT DEFAULT 'x'"));
    Recordset rs = c.Execute(all);
    ASSERT_EQ(rs.FieldCount(), 2);
    EXPECT_EQ(rs.FieldName(1), "b");
    EXPECT_EQ(rs.Field(1).ToString(), "x");
    other.Execute(QStringLiteral("ALTER TABLE t DROP COLUMN a"));
    rs = c.Execute(all);
    ASSERT_EQ(rs.FieldCount(), 1);
    EXPECT_EQ(rs.FieldName(0), "b");
    EXPECT_EQ(rs.Field(0).ToString(), "x");
    // An empty result has the columns as they are too.
    other.Execute(QStringLiteral("DELETE FROM t"));
    other.Execute(QStringLiteral("ALTER TABLE t ADD COLUMN c INTEGER"));
    EXPECT_EQ(c.Execute(all).FieldCount(), 2);
}

TEST_F(FileDbTest, ChecksThePassword) {
    const QString path = MakeDb("pw.mdb");
    const QString password = QStringLiteral("p;w= 密码 ");
    {
        Connection c;
        c.OpenFile(path);
        c.SetDatabasePassword(password);
    }
    Connection c;
    EXPECT_EQ(CodeOf([&] { c.OpenFile(path, QStringLiteral("p")); }), DbError::kWrongPassword);
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(CodeOf([&] { c.Open(QStringLiteral("Data Source=%1;Database Password=0").arg(path)); }),
              DbError::kWrongPassword);
    c.Open(QStringLiteral("Data Source=%1;Database Password=").arg(path) + password);
    ASSERT_TRUE(c.IsOpen());
    c.SetDatabasePassword({});
    c.Close();
    c.OpenFile(path, QStringLiteral("whatever"));
    EXPECT_TRUE(c.IsOpen());
}

TEST_F(FileDbTest, LockedDatabaseFailsAfterTheBusyTimeout) {
    const QString path = MakeDb("locked.mdb");
    Connection holder;
    holder.OpenFile(path);
    holder.Execute(QStringLiteral("BEGIN IMMEDIATE"));
    holder.Execute(QStringLiteral("INSERT INTO t VALUES (1)"));

    Connection c;
    c.OpenFile(path); // readers are not blocked by a writer
    sqlite3_busy_timeout(c.Handle(), 100);
    EXPECT_EQ(CodeOf([&] { c.Execute(QStringLiteral("INSERT INTO t VALUES (2)")); }) & 0xFF, SQLITE_BUSY);
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT count(*) FROM t")).ToInt(), 0);
    holder.Execute(QStringLiteral("COMMIT"));
    c.Execute(QStringLiteral("INSERT INTO t VALUES (2)"));
    EXPECT_EQ(Scalar(c, QStringLiteral("SELECT count(*) FROM t")).ToInt(), 2);
}

// `target` is the database file or its directory.
int OpenAndWriteReadOnly(const QString& path, const QString& target, bool* stillOpen) {
    const auto saved = QFile::permissions(target);
    EXPECT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther));
    Connection c;
    const int code = CodeOf([&] {
        c.OpenFile(path);
        c.Execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    });
    *stillOpen = c.IsOpen();
    c.Close();
    QFile::setPermissions(target, saved);
    return code;
}

TEST_F(FileDbTest, UnwritableDatabaseIsRefused) {
    const QString path = MakeDb("ro.mdb");
    bool open = false;
    const int fileCode = OpenAndWriteReadOnly(path, path, &open);
    if (fileCode == 0 && geteuid() == 0)
        GTEST_SKIP() << "root writes to read-only files";
    EXPECT_EQ(fileCode & 0xFF, SQLITE_READONLY);
    EXPECT_FALSE(open);

    // In a read-only directory the journal cannot be made: the open fails, whatever the code.
    EXPECT_NE(OpenAndWriteReadOnly(path, dir.path(), &open), 0);
    EXPECT_FALSE(open);
}

} // namespace
