// The help book: binding on the first request, the remembered failure, context pages.

#include "platform/help/Help.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class Recorder : public help::HelpPresenter {
public:
    Recorder() { help::SetHelpPresenter(this); }
    ~Recorder() override { help::SetHelpPresenter(nullptr); }
    void Show(QWidget*, const QUrl& page) override { shown.append(page); }
    void Close() override { ++closed; }
    QList<QUrl> shown;
    int closed = 0;
};

void Write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(HelpBook, ContextPagesAndTheDefaultPage) {
    QTemporaryDir dir;
    Write(dir.filePath("index.html"), "<p>index</p>");
    Write(dir.filePath("contexts.txt"), "# map\n0x20080\tmain.html\n131\tdialog.html\nbad line\n");
    Recorder shown;
    help::HelpBook book(dir.path());
    EXPECT_FALSE(book.IsBound());
    EXPECT_TRUE(book.Request(nullptr, help::HELP_CONTEXT, 0x20080));
    EXPECT_TRUE(book.Request(nullptr, help::HELP_CONTEXT, 131));
    EXPECT_TRUE(book.Request(nullptr, help::HELP_CONTEXT, 999));    // unknown id: the default page
    EXPECT_TRUE(book.Request(nullptr, help::HELP_FINDER, 0x20080)); // not a context request
    EXPECT_TRUE(book.Request(nullptr, help::HELP_QUIT, 0));
    ASSERT_EQ(shown.shown.size(), 4);
    EXPECT_EQ(shown.shown[0].fileName(), "main.html");
    EXPECT_EQ(shown.shown[1].fileName(), "dialog.html");
    EXPECT_EQ(shown.shown[2].fileName(), "index.html");
    EXPECT_EQ(shown.shown[3].fileName(), "index.html");
    EXPECT_EQ(shown.closed, 1);
    EXPECT_TRUE(book.IsBound());
}

TEST(HelpBook, AFailedBindingIsRememberedAndSaysSo) {
    QTemporaryDir dir;
    Recorder shown;
    ui::ScriptedMessageBoxes boxes;
    help::HelpBook book(dir.filePath("help"));
    EXPECT_FALSE(book.Request(nullptr, help::HELP_FINDER, 0));
    EXPECT_TRUE(book.HasFailed());
    // The pages appearing later change nothing for this run.
    ASSERT_TRUE(QDir(dir.path()).mkdir("help"));
    Write(dir.filePath("help/index.html"), "<p>index</p>");
    EXPECT_FALSE(book.Request(nullptr, help::HELP_CONTEXT, 1));
    EXPECT_FALSE(book.Request(nullptr, help::HELP_QUIT, 0)); // closing the help says nothing
    EXPECT_TRUE(shown.shown.isEmpty());
    const QString text = QStringLiteral("找不到帮助文件：%1").arg(dir.filePath("help/index.html"));
    EXPECT_EQ(boxes.Texts(), (QStringList{text, text}));
    EXPECT_EQ(boxes.Boxes()[0].type, ui::MB_ICONWARNING);
}

TEST(HelpBook, ContextPagesStayInsideTheHelpFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("help"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("help/sub"));
    Write(dir.filePath("help/index.html"), "<p>index</p>");
    Write(dir.filePath("secret.txt"), "not help");
    ASSERT_TRUE(QFile::link(dir.filePath("secret.txt"), dir.filePath("help/link.html")));
    Write(dir.filePath("help/contexts.txt"), "1\tsub/../page.html\n2\t../secret.txt\n3\t/etc/passwd\n"
                                             "4\tsub/../../secret.txt\n5\tlink.html\n6\tsub/deep.html\n"
                                             "7\tfile:///etc/passwd\n");
    help::HelpBook book(dir.filePath("help"));
    Recorder shown;
    for (quint32 id = 1; id <= 7; ++id)
        EXPECT_TRUE(book.Request(nullptr, help::HELP_CONTEXT, id));
    const QString help = QDir(dir.filePath("help")).absolutePath() + u'/';
    QStringList pages;
    for (const QUrl& url : shown.shown)
        pages << url.toLocalFile().mid(help.size());
    EXPECT_EQ(pages, (QStringList{"page.html", "index.html", "index.html", "index.html", "index.html",
                                  "sub/deep.html", "file:/etc/passwd"}));
}

TEST(HelpBook, ShippedPagesCoverEveryMappedContext) {
    const QString bin = qEnvironmentVariable("VELTORA_TEST_BIN");
    if (bin.isEmpty())
        GTEST_SKIP() << "VELTORA_TEST_BIN not set";
    const QDir helpDir(bin + "/help");
    QFile map(helpDir.filePath("contexts.txt"));
    ASSERT_TRUE(map.open(QIODevice::ReadOnly));
    for (const QByteArray& line : map.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> parts = line.split('\t');
        ASSERT_EQ(parts.size(), 2) << line.constData();
        EXPECT_TRUE(QFile::exists(helpDir.filePath(QString::fromUtf8(parts[1].trimmed()))))
            << line.constData();
    }
    EXPECT_TRUE(QFile::exists(helpDir.filePath("index.html")));
}

} // namespace
