// The resource library: its pictures and SayHello's hand-over to the desktop.

#include "platform/drensil/Drensil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

TEST(Drensil, BuiltInPicturesAndIcon) {
    for (int id = 150; id <= 153; ++id) {
        const QByteArray data = drensil::LoadResource(id, QStringLiteral("JPG"));
        ASSERT_FALSE(data.isEmpty()) << id;
        QImage image;
        EXPECT_TRUE(image.loadFromData(data, "JPG")) << id;
        EXPECT_GE(image.width(), 1024) << id;
    }
    QImage icon;
    EXPECT_TRUE(icon.loadFromData(drensil::LoadResource(238, QStringLiteral("ICON"))));
    EXPECT_TRUE(drensil::LoadResource(154, QStringLiteral("JPG")).isEmpty());
    EXPECT_TRUE(drensil::LoadResource(150, QStringLiteral("GIF")).isEmpty());
}

TEST(Drensil, SayHelloOpensTheExportedFileOnly) {
    QStringList opened;
    drensil::SetFileOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    QTemporaryDir dir;
    const QString path = dir.filePath("1700000000.xls");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a\tb\t\n");
    }
    EXPECT_TRUE(drensil::SayHello(path, 1, 2, QStringLiteral("报表"), QStringLiteral("$")));
    EXPECT_FALSE(drensil::SayHello(dir.filePath("missing.xls"), 1, 2, QString(), QStringLiteral("$")));
    EXPECT_EQ(opened, QStringList{path});
    drensil::SetFileOpener({});
}

} // namespace
