// Files of the program folder are read only when they are regular files of a sane size: nothing
// that could block the start or exhaust its memory.

#include "data/ShippedFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class ReadRegularFile : public ::testing::Test {
protected:
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    void Write(const char* name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // Refused, with a reason.
    void ExpectRefused(const char* name, qint64 maxBytes = 1000) {
        QString why;
        EXPECT_FALSE(data::ReadRegularFile(Path(name), maxBytes, &why)) << name;
        EXPECT_FALSE(why.isEmpty()) << name;
    }

    QTemporaryDir m_dir;
};

TEST_F(ReadRegularFile, ReadsARegularFileOrALinkToOneUpToTheLimit) {
    Write("tips.txt", "第一条\n");
    EXPECT_EQ(data::ReadRegularFile(Path("tips.txt"), 1000), QByteArray("第一条\n"));
    ASSERT_TRUE(QFile::link(Path("tips.txt"), Path("link.txt")));
    EXPECT_EQ(data::ReadRegularFile(Path("link.txt"), 1000), QByteArray("第一条\n"));
    // Exactly at the limit is read; an empty file is a file.
    Write("ten.txt", "0123456789");
    EXPECT_EQ(data::ReadRegularFile(Path("ten.txt"), 10), QByteArray("0123456789"));
    Write("empty.txt", {});
    EXPECT_EQ(data::ReadRegularFile(Path("empty.txt"), 10), QByteArray());
    // A byte too many is not, nor what is no file. (FIFOs, devices and oversized files: the tests
    // of the tips file and of the background picture.)
    ExpectRefused("ten.txt", 9);
    ExpectRefused("missing.txt");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    ExpectRefused("folder");
}

} // namespace
