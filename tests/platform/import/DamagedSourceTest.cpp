// Damaged source files of each kind: cut short or with bytes changed, they load or fail with a
// message naming the file, and never bring the program down or keep it waiting.

#include "platform/import/Source.h"
#include "tests/platform/import/SourceFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <random>
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

// An Access file copied in part: cut at page borders, it is refused, or read whole where the cut
// only took pages that no table uses; never read in part.
TEST(DamagedAccess, FilesCutShortAreRefusedOrReadWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray bytes =
        importtest::ReadBytes(importtest::AccessFile(QStringLiteral("compIndexTestV2000.mdb")));
    ASSERT_EQ(bytes.size() % 4096, 0);
    const QString cut = dir.filePath(QStringLiteral("cut.mdb"));
    int refused = 0;
    bool complaintShown = false;
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
            ++refused;
            // libmdb's own words on the missing page come behind the reason.
            complaintShown = complaintShown || e.Message().contains(QStringLiteral("is beyond EOF"));
        }
    }
    EXPECT_GT(refused, 20);
    EXPECT_TRUE(complaintShown);
}

} // namespace
