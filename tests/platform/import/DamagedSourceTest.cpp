// Damaged source files of each kind: cut short or with bytes changed, they load or fail with a
// message naming the file, and never bring the program down or keep it waiting.

#include "platform/import/Child.h"
#include "platform/import/Source.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kVariants = 90; // per file

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Opens the file and loads every table it lists. Returns the outcome: "ok" or the error's code;
// an error must name the file.
QString TryEverything(const QString& path) {
    try {
        importsrc::SourceFile file(path);
        db::Connection target;
        target.OpenFile(QStringLiteral(":memory:"));
        for (const QString& table : file.Tables()) {
            file.Load(table, target);
            target.Execute(QStringLiteral("SELECT * FROM ") + importsrc::QuoteName(table));
        }
        return QStringLiteral("ok");
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
        return QString::number(e.Code());
    }
}

class DamagedSource : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        importtest::MakeSources(s_dir->path(), {QStringLiteral("school.xls"), QStringLiteral("stu.dbf")});
        // A damaged Access file may make the reader loop; a second without progress is plenty
        // for files this small.
        importsrc::SetReaderStallLimit(1000);
    }
    static void TearDownTestSuite() {
        importsrc::SetReaderStallLimit(10000);
        s_dir.reset();
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
};

std::unique_ptr<QTemporaryDir> DamagedSource::s_dir;

TEST_P(DamagedSource, LoadsOrFailsWithAMessage) {
    const QString name = QString::fromLatin1(GetParam());
    const QString original =
        name.endsWith(QLatin1String(".mdb")) ? importtest::AccessFile(name) : s_dir->filePath(name);
    ASSERT_EQ(TryEverything(original), QStringLiteral("ok"));
    const QByteArray bytes = ReadAll(original);
    ASSERT_FALSE(bytes.isEmpty());

    std::mt19937 random(20240506);
    const QString damaged = s_dir->filePath(QStringLiteral("damaged.") + name.section(u'.', -1));
    int failed = 0;
    for (int v = 0; v < kVariants; ++v) {
        QByteArray variant = bytes;
        if (v % 3 == 0) {
            variant.truncate(static_cast<qsizetype>(random() % static_cast<unsigned>(bytes.size())));
        } else {
            const int changes = 1 << (2 * (v % 4)); // 1, 4, 16 or 64 bytes
            for (int i = 0; i < changes; ++i)
                variant[static_cast<qsizetype>(random() % static_cast<unsigned>(bytes.size()))] =
                    static_cast<char>(random() & 0xFF);
        }
        QFile out(damaged);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(variant);
        out.close();
        SCOPED_TRACE(v);
        if (TryEverything(damaged) != QStringLiteral("ok"))
            ++failed;
    }
    // Damage is found (much of it only changes values, or lies in pages no table reads).
    EXPECT_GT(failed, 0);
}

INSTANTIATE_TEST_SUITE_P(EachKind, DamagedSource,
                         ::testing::Values("school.xls", "stu.dbf", "testV1997.mdb",
                                           "compIndexTestV2000.mdb"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '.')
                                     c = '_';
                             return name;
                         });

// A workbook's records damaged where a reader looks: record lengths and types, cell positions,
// string indexes and counts, declared sizes. The records are found in the file by walking the
// workbook stream from its first record, which these small files keep in one piece.
class WorkbookMutator {
public:
    explicit WorkbookMutator(const QByteArray& file) : m_file(file) {
        const qsizetype start = file.indexOf(QByteArray("\x09\x08\x10\x00\x00\x06\x05\x00", 8));
        for (qsizetype at = start; at >= 0 && at + 4 <= file.size();) {
            const int length = Word(file, at + 2);
            if (at + 4 + length > file.size())
                break;
            m_records.push_back(at);
            at += 4 + length;
        }
    }
    size_t Records() const { return m_records.size(); }

    QByteArray Variant(std::mt19937& random) const {
        static const std::uint16_t types[] = {0x0006, 0x000A, 0x003C, 0x00BD, 0x00FC, 0x00FD,
                                              0x0200, 0x0203, 0x0207, 0x027E, 0x0809};
        QByteArray out = m_file;
        const int changes = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < changes; ++i) {
            const qsizetype at = m_records[random() % m_records.size()];
            const int length = Word(out, at + 2);
            const qsizetype field = at + 4 + (length > 0 ? static_cast<qsizetype>(random() % length) : 0);
            switch (random() % 5) {
            case 0: // the record's length
                SetWord(out, at + 2,
                        static_cast<std::uint16_t>(random() % 3 ? random() % (length + 8) : random()));
                break;
            case 1: // its type
                SetWord(out, at, types[random() % std::size(types)]);
                break;
            case 2: // a 16-bit field: rows, columns, indexes, lengths
                if (field + 2 <= at + 4 + length)
                    SetWord(out, field, random() % 2 ? 0xFFFF : static_cast<std::uint16_t>(random()));
                break;
            case 3: // a 32-bit field: counts, offsets, declared sizes
                for (int b = 0; b < 4 && field + b < at + 4 + length; ++b)
                    out[field + b] = static_cast<char>(random() % 2 ? 0xFF : random());
                break;
            default: // a byte: flags, result types
                if (length > 0)
                    out[field] = static_cast<char>(random());
                break;
            }
        }
        return out;
    }

private:
    static int Word(const QByteArray& b, qsizetype at) {
        return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
    }
    static void SetWord(QByteArray& b, qsizetype at, std::uint16_t v) {
        b[at] = static_cast<char>(v & 0xFF);
        b[at + 1] = static_cast<char>(v >> 8);
    }

    QByteArray m_file;
    std::vector<qsizetype> m_records;
};

TEST(DamagedWorkbook, MutatedRecordsLoadOrFailWithAMessage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    importtest::MakeSources(dir.path(), {QStringLiteral("school.xls")});
    importsrc::SetReaderStallLimit(1000);
    std::mt19937 random(20240507);
    for (const QString& original : {dir.filePath(QStringLiteral("school.xls")),
                                    importtest::ImportFile(QStringLiteral("formulas.xls"))}) {
        SCOPED_TRACE(original.toStdString());
        const WorkbookMutator mutator(importtest::ReadBytes(original));
        ASSERT_GT(mutator.Records(), 50u);
        const QString damaged = dir.filePath(QStringLiteral("damaged.xls"));
        int refused = 0;
        for (int v = 0; v < 80; ++v) {
            ASSERT_TRUE(importtest::WriteBytes(damaged, mutator.Variant(random)));
            SCOPED_TRACE(v);
            const QString outcome = TryEverything(damaged);
            EXPECT_TRUE(outcome == QStringLiteral("ok") ||
                        outcome == QString::number(importsrc::kUnreadableSource))
                << outcome.toStdString();
            if (outcome != QStringLiteral("ok"))
                ++refused;
        }
        EXPECT_GT(refused, 15);
    }
    importsrc::SetReaderStallLimit(10000);
}

// What the program logs while a test runs, gathered from Qt's message handler.
class LogCapture {
public:
    LogCapture() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&LogCapture::Take);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    static bool Contains(const QString& text) {
        return std::any_of(s_lines.begin(), s_lines.end(),
                           [&text](const QString& l) { return l.contains(text); });
    }

private:
    static void Take(QtMsgType, const QMessageLogContext&, const QString& message) { s_lines << message; }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

// An Access file copied in part: cut at page borders, it is refused, or read whole where the cut
// only took pages that no table uses; never read in part. libmdb's words on the missing pages
// go to the log, not into the message.
TEST(DamagedAccess, FilesCutShortAreRefusedOrReadWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray bytes =
        importtest::ReadBytes(importtest::AccessFile(QStringLiteral("compIndexTestV2000.mdb")));
    ASSERT_EQ(bytes.size() % 4096, 0);
    const QString cut = dir.filePath(QStringLiteral("cut.mdb"));
    int refused = 0;
    const LogCapture log;
    for (qsizetype pages = bytes.size() / 4096 - 1; pages >= 4; --pages) {
        SCOPED_TRACE(pages);
        ASSERT_TRUE(importtest::WriteBytes(cut, bytes.left(pages * 4096)));
        try {
            importsrc::SourceFile file(cut);
            db::Connection target;
            target.OpenFile(QStringLiteral(":memory:"));
            file.Load(QStringLiteral("Table1"), target);
            EXPECT_EQ(target.Execute(QStringLiteral("SELECT count(*), sum(CD_AGENTE) FROM Table1"))
                          .Field(1)
                          .ToInt(),
                      1563456);
            EXPECT_EQ(target.Execute(QStringLiteral("SELECT count(*) FROM Table1")).Field(0).ToInt(), 512);
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
            EXPECT_TRUE(e.Message().contains(cut)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("文件已损坏"))) << e.Message().toStdString();
            EXPECT_FALSE(e.Message().contains(QStringLiteral("beyond EOF"))) << e.Message().toStdString();
            EXPECT_FALSE(e.Message().contains(u'\n')) << e.Message().toStdString();
            ++refused;
        }
    }
    EXPECT_GT(refused, 20);
    EXPECT_TRUE(LogCapture::Contains(QStringLiteral("is beyond EOF")));
}

// A file that lists no table offers nothing to import, and an object of the catalogue without
// a name is a catalogue read from damaged bytes: both are refused, the file named.
TEST(DamagedAccess, FilesWithoutTablesOrWithNamelessObjectsAreRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    importsrc::SetReaderStallLimit(1000);
    const auto refusal = [](const QString& path) {
        try {
            importsrc::SourceFile file(path);
            return QStringLiteral("opened: ") + file.Tables().join(u',');
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
            EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
            return e.Message();
        }
    };

    // The one place the name of its only table is kept (UTF-16): its first character made a
    // NUL, or the name made one of the system tables' ("MSys…").
    const QByteArray bytes =
        importtest::ReadBytes(importtest::AccessFile(QStringLiteral("compIndexTestV2000.mdb")));
    const QByteArray table1("T\0a\0b\0l\0e\0001\0", 12);
    const qsizetype at = bytes.indexOf(table1);
    ASSERT_GT(at, 0);
    ASSERT_EQ(bytes.indexOf(table1, at + 1), -1);
    QByteArray changed = bytes;
    changed[at] = '\0';
    const QString nameless = dir.filePath(QStringLiteral("nameless.mdb"));
    ASSERT_TRUE(importtest::WriteBytes(nameless, changed));
    EXPECT_EQ(
        refusal(nameless),
        QStringLiteral("无法读取Access数据库“%1”：文件已损坏，其目录中有没有名称的对象。").arg(nameless));

    changed = bytes;
    changed.replace(at, 8, QByteArray("M\0S\0y\0s\0", 8));
    const QString noTable = dir.filePath(QStringLiteral("no-table.mdb"));
    ASSERT_TRUE(importtest::WriteBytes(noTable, changed));
    EXPECT_EQ(refusal(noTable), QStringLiteral("文件“%1”中没有数据表。").arg(noTable));
    importsrc::SetReaderStallLimit(10000);
}

// A long value (a memo text, an object's properties) longer than a page is kept on a chain of
// LVAL pages, each row starting with the row pointer (page × 256 + row) of the next part. The
// offset in the file of the first such pointer that leads to another LVAL page, or -1.
qsizetype LongValueChain(const QByteArray& file) {
    const bool jet4 = file.size() > 0x14 && file[0x14] != 0;
    const qsizetype page = jet4 ? 4096 : 2048;
    const qsizetype rowsAt = jet4 ? 12 : 8; // the row count, then each row's offset
    const qsizetype pages = file.size() / page;
    const auto word = [&file](qsizetype at) {
        return static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8;
    };
    const auto isLongValues = [&](std::uint32_t p) {
        return p > 0 && p < pages && file.mid(p * page + 4, 4) == QByteArray("LVAL");
    };
    for (qsizetype p = 1; p < pages; ++p) {
        if (!isLongValues(static_cast<std::uint32_t>(p)))
            continue;
        const qsizetype start = p * page;
        for (int r = 0, rows = word(start + rowsAt); r < rows; ++r) {
            const qsizetype row = start + (word(start + rowsAt + 2 + 2 * r) & 0x1FFF);
            if (row + 4 > start + page)
                continue;
            const std::uint32_t next =
                static_cast<std::uint32_t>(word(row)) | static_cast<std::uint32_t>(word(row + 2)) << 16;
            if ((next & 0xFF) == 0 && isLongValues(next >> 8))
                return row;
        }
    }
    return -1;
}

void SetRowPointer(QByteArray& file, qsizetype at, std::uint32_t page, std::uint8_t row) {
    const std::uint32_t pointer = page << 8 | row;
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<char>(pointer >> (8 * i) & 0xFF);
}

// The message a damaged Access file is refused with, or "read" when every table of it is read.
std::string AccessRefusal(const QString& path) {
    try {
        importsrc::SourceFile file(path);
        db::Connection target;
        target.OpenFile(QStringLiteral(":memory:"));
        for (const QString& table : file.Tables())
            file.Load(table, target);
        return "read";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.Code(), importsrc::kUnreadableSource);
        return e.Message().toStdString();
    }
}

// How the reading children that did not finish ended since `before`: reported the file, died,
// stalled, ran out of memory.
std::vector<unsigned long long> UnfinishedSince(const importsrc::ChildCounts& before) {
    const importsrc::ChildCounts now = importsrc::CountsOfChildren();
    return {now.reported - before.reported, now.died - before.died, now.stalled - before.stalled,
            now.outOfMemory - before.outOfMemory};
}

// The table definition of the first user table of a Jet 4 file: the offset of its page.
qsizetype FirstUserTableDefinition(const QByteArray& file) {
    for (qsizetype at = 4096; at + 4096 <= file.size(); at += 4096)
        if (file[at] == 0x02 && file[at + 0x28] == 0x4E)
            return at;
    return -1;
}

// A page pointer of a damaged file may lead far beyond its end, here to the page at 4,035,973,120
// bytes: libmdb says so and goes on with the page of nothing it read, from which it may chase
// memory without bound (the chain of a long value in a Jet 3 file) or give up on the table (the
// usage map of a Jet 4 table). The read ends at libmdb's word: the file is damaged, as the child
// says at once, not told by its running into its memory cap or going quiet.
TEST(DamagedAccess, APagePointerBeyondTheEndIsDamageFoundAtOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray chained = importtest::ReadBytes(importtest::AccessFile(QStringLiteral("testV1997.mdb")));
    const qsizetype chain = LongValueChain(chained);
    ASSERT_GT(chain, 0);
    SetRowPointer(chained, chain, 0x0F0901 * 2, 0);
    QByteArray mapped =
        importtest::ReadBytes(importtest::AccessFile(QStringLiteral("compIndexTestV2000.mdb")));
    const qsizetype table = FirstUserTableDefinition(mapped);
    ASSERT_GT(table, 0);
    SetRowPointer(mapped, table + 0x37, 0x0F0901, 0);

    for (const auto& [name, bytes] :
         {std::pair{QStringLiteral("chain.mdb"), chained}, std::pair{QStringLiteral("map.mdb"), mapped}}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        ASSERT_TRUE(importtest::WriteBytes(path, bytes));
        const LogCapture log;
        const importsrc::ChildCounts before = importsrc::CountsOfChildren();
        EXPECT_EQ(AccessRefusal(path),
                  QStringLiteral("无法读取Access数据库“%1”：文件已损坏，表中的数据读不出来。")
                      .arg(path)
                      .toStdString());
        EXPECT_EQ(UnfinishedSince(before), (std::vector<unsigned long long>{1, 0, 0, 0}))
            << "reported by the child";
        EXPECT_TRUE(LogCapture::Contains(QStringLiteral(" is beyond EOF")));
    }
}

} // namespace
