// Command maps, window messages and the replaceable services of platform/ui.

#include "platform/profile/Profile.h"
#include "platform/ui/Commands.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Random.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QObject>

namespace {

TEST(CommandMap, DispatchAndUpdate) {
    ui::CommandMap map;
    int runs = 0;
    map.On(10, [&] { ++runs; });
    map.OnUpdate(11, [](ui::CmdUI& cmd) { cmd.SetCheck(true); });
    EXPECT_TRUE(map.Dispatch(10));
    EXPECT_FALSE(map.Dispatch(12));
    EXPECT_EQ(runs, 1);

    ui::CmdUI state;
    state.enabled = false;
    EXPECT_TRUE(map.Update(10, state));
    EXPECT_TRUE(state.enabled);
    ui::CmdUI checked;
    EXPECT_TRUE(map.Update(11, checked));
    EXPECT_TRUE(checked.checkable && checked.checked);
    ui::CmdUI unknown;
    EXPECT_FALSE(map.Update(12, unknown));
}

TEST(CommandMap, AHandlerMayReplaceItselfWhileRunning) {
    ui::CommandMap map;
    int value = 0;
    map.On(1, [&] {
        map.On(1, [&] { value = 2; });
        value = 1;
    });
    map.Dispatch(1);
    EXPECT_EQ(value, 1);
    map.Dispatch(1);
    EXPECT_EQ(value, 2);
}

class Receiver : public QObject {
public:
    bool event(QEvent* e) override {
        if (ui::WindowMessage* m = ui::AsWindowMessage(e)) {
            received.push_back(m->Message());
            m->SetResult(static_cast<std::intptr_t>(m->WParam() + m->LParam()));
            return true;
        }
        return QObject::event(e);
    }
    std::vector<unsigned> received;
};

TEST(WindowMessages, SentAtOncePostedLater) {
    Receiver r;
    EXPECT_EQ(ui::SendMessage(&r, 0xA74, 2, 3), 5);
    EXPECT_EQ(r.received.size(), 1u);
    EXPECT_TRUE(ui::PostMessage(&r, 0x400));
    EXPECT_EQ(r.received.size(), 1u);
    QCoreApplication::sendPostedEvents(&r);
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(r.received[1], 0x400u);
    EXPECT_FALSE(ui::PostMessage(nullptr, 0x400));
    EXPECT_EQ(ui::SendMessage(nullptr, 0x400, 1, 1), 0);
}

TEST(FileDialog, FilterSyntaxAndScript) {
    EXPECT_EQ(ui::ToQtFilter(QStringLiteral("JPEG Files (*.jpg)|*.jpg|All Files (*.*)|*.*||")),
              QStringLiteral("JPEG Files (*.jpg);;All Files (*.*)"));
    EXPECT_EQ(ui::ToQtFilter(QStringLiteral("Pictures|*.jpg;*.gif||")),
              QStringLiteral("Pictures (*.jpg *.gif)"));
    ui::ScriptedFileDialogs dialogs;
    dialogs.SetNextAnswer(QStringLiteral("/tmp/a.jpg"));
    EXPECT_EQ(ui::GetOpenFileName(nullptr, QStringLiteral("x|*.x||")), QStringLiteral("/tmp/a.jpg"));
    EXPECT_EQ(ui::GetOpenFileName(nullptr, QStringLiteral("y|*.y||")), QString()); // cancelled
    EXPECT_EQ(dialogs.Filters().size(), 2);
}

TEST(Random, RuntimeSequenceAndSeam) {
    // The C runtime's generator: seed 1 starts 41, 18467, 6334.
    ui::Srand(1);
    EXPECT_EQ(ui::Rand(), 41);
    EXPECT_EQ(ui::Rand(), 18467);
    EXPECT_EQ(ui::Rand(), 6334);
    ui::SetRandomSource([] { return 7; });
    EXPECT_EQ(ui::Rand(), 7);
    ui::SetRandomSource({});
}

} // namespace

TEST(FileDialog, OpensInTheFolderLastUsedElseTheHomeFolder) {
    profile::UseMemoryStore();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Nothing chosen yet: the home folder, not the working folder.
    const QString working = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(ui::StartFolder(), QDir::homePath());
    QDir::setCurrent(working);
    EXPECT_EQ(ui::StartPath(QStringLiteral("a.bmp")), QDir(QDir::homePath()).filePath("a.bmp"));

    const QString sub = dir.filePath("sheets");
    ASSERT_TRUE(QDir().mkpath(sub));
    ui::RememberFolderOf(QDir(sub).filePath("scores.xls"));
    EXPECT_EQ(ui::StartFolder(), sub);
    EXPECT_EQ(ui::StartPath(QStringLiteral("a.bmp")), QDir(sub).filePath("a.bmp"));
    EXPECT_EQ(ui::StartPath(dir.filePath("b.bmp")), dir.filePath("b.bmp")); // a full path stays
    ui::RememberFolderOf(QString()); // cancelled: the folder stays
    EXPECT_EQ(ui::StartFolder(), sub);

    // A folder that is gone is not offered.
    ASSERT_TRUE(QDir(sub).removeRecursively());
    EXPECT_EQ(ui::StartFolder(), QDir::homePath());
}
