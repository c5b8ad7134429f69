#include "report/ExportToXls.h"
#include "tests/report/TableSource.h"

#include "platform/drensil/Drensil.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

namespace {

constexpr std::time_t kNow = 1136073600; // 2006-01-01 00:00:00 UTC

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetExportClock([this] { return now; });
        drensil::SetFileOpener([this](const QString& path) {
            opened << path;
            waitCursorDuringOpen =
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            return true;
        });
    }
    void TearDown() override {
        SetExportClock({});
        drensil::SetFileOpener({});
    }

    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    ui::ScriptedMessageBoxes boxes;
    std::time_t now = kNow;
    QStringList opened;
    bool waitCursorDuringOpen = false;
};

} // namespace

TEST(XlsBytes, TabAfterEveryCellLineFeedAfterEveryRowInGbk) {
    EXPECT_EQ(XlsBytes(TableSource({{"a", "b"}, {"1", "2"}, {"3", "4"}})),
              QByteArray("a\tb\t\n1\t2\t\n3\t4\t\n"));
    EXPECT_EQ(XlsBytes(TableSource({{"", "", ""}})), QByteArray("\t\t\t\n"));
    // Texts go out unquoted, in code page 936, without the blanks that pad them on screen; what
    // GBK lacks keeps its GB18030 form.
    EXPECT_EQ(XlsBytes(TableSource({{QStringLiteral(" 1班"), QStringLiteral("a\tb"), QStringLiteral("😀")}})),
              QByteArray("1\xB0\xE0\ta\tb\t\x94\x39\xFC\x36\t\n"));
    EXPECT_EQ(XlsBytes(TableSource({{QStringLiteral("李𠀾")}})), QByteArray("\xC0\xEE\x95\x32\x88\x38\t\n"));
    EXPECT_EQ(
        XlsBytes(TableSource({{QStringLiteral("  78.50"), QStringLiteral(" -1.25 "), QStringLiteral("  ")}})),
        QByteArray("78.50\t-1.25\t\t\n"));
    EXPECT_TRUE(XlsBytes(TableSource(std::vector<QStringList>{})).isEmpty());
}

TEST_F(ExportTest, WritesTheFileNamedAfterTheSecondAndHandsItOn) {
    const TableSource grid(
        {{QStringLiteral("班级"), QStringLiteral("平均分")}, {QStringLiteral(" 1班"), " 78.50"}});
    const QString path = ExportToXls(nullptr, grid, QStringLiteral("标题"), dir.path(), {true, false});
    EXPECT_EQ(path, dir.filePath("1136073600.xls"));
    EXPECT_EQ(Read(path), XlsBytes(grid));
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_TRUE(waitCursorDuringOpen);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());

    // The same second again: the first file stays, the second takes the next free name.
    const TableSource other({{"x"}, {"y"}});
    EXPECT_EQ(ExportToXls(nullptr, other, "", dir.path()), dir.filePath("1136073600-2.xls"));
    EXPECT_EQ(Read(dir.filePath("1136073600-2.xls")), QByteArray("x\t\ny\t\n"));
    EXPECT_EQ(Read(path), XlsBytes(grid));
    EXPECT_EQ(ExportToXls(nullptr, other, "", dir.path()), dir.filePath("1136073600-3.xls"));
    EXPECT_FALSE(waitCursorDuringOpen);
}

TEST_F(ExportTest, WhenNothingOpensTheFileTheUserIsToldWhereItIs) {
    drensil::SetFileOpener([this](const QString& path) {
        opened << path;
        return false; // no application for .xls files
    });
    const QString path = ExportToXls(nullptr, TableSource({{"a"}, {"1"}}), "", dir.path());
    EXPECT_EQ(opened, QStringList{path});
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("已导出到：") + path + u'\n' + ExportedFileKind());
    EXPECT_TRUE(boxes.Boxes()[0].text.contains(QStringLiteral("以制表符分隔的文本，GBK编码")));
    EXPECT_EQ(boxes.Boxes()[0].caption, QStringLiteral("信息提示"));
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_OK | ui::MB_ICONINFORMATION);
    EXPECT_EQ(Read(path), QByteArray("a\t\n1\t\n"));
}

TEST_F(ExportTest, RowGuardSkipsTitleOnlyGridsUnlessAsked) {
    EXPECT_TRUE(
        ExportToXls(nullptr, TableSource(std::vector<QStringList>{{"a", "b"}}), "", dir.path()).isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(boxes.Texts(), QStringList{NothingToExportMessage()});
    EXPECT_TRUE(opened.isEmpty());
    // The basic-statistics dialog exports even an empty grid.
    EXPECT_FALSE(ExportToXls(nullptr, TableSource(std::vector<QStringList>{}), "", dir.path(), {false, false})
                     .isEmpty());
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(ExportTest, AFolderThatCannotTakeTheFileShowsTheErrorOnly) {
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const TableSource grid({{"a"}, {"1"}});
    // A folder path through a plain file fails even for root, unlike file permissions.
    for (const QString& folder : {dir.filePath("plain"), dir.filePath("missing")}) {
        boxes.Clear();
        EXPECT_TRUE(ExportToXls(nullptr, grid, "", folder).isEmpty());
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("报表输出到EXCEL出现错误！"));
        EXPECT_EQ(boxes.Boxes()[0].caption, QStringLiteral("信息提示"));
        EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_OK | ui::MB_ICONERROR);
    }
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(ExportTest, AWriteFailingPartWayRemovesTheFile) {
    // No file may grow past a few bytes (as on a full disk): the write fails part way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit limit{4, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QString written = ExportToXls(nullptr, TableSource({{"abcdef"}, {"123456"}}), "", dir.path());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(written.isEmpty());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, QStringLiteral("报表输出到EXCEL出现错误！"));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(opened.isEmpty());
}
