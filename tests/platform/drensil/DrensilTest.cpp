// The resource library: its pictures and SayHello's hand-over to the desktop.

#include "platform/drensil/Drensil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

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

// Where the desktop's application for .xls files is LibreOffice, it is started with the options
// that read the export right; the desktop is asked through xdg-mime.
TEST(Drensil, LibreOfficeIsToldHowTheExportIsWritten) {
    EXPECT_TRUE(drensil::IsLibreOfficeEntry(QStringLiteral("libreoffice-calc.desktop")));
    EXPECT_TRUE(drensil::IsLibreOfficeEntry(QStringLiteral("org.libreoffice.LibreOffice.calc.desktop")));
    EXPECT_FALSE(drensil::IsLibreOfficeEntry(QStringLiteral("org.gnome.gnumeric.desktop")));
    EXPECT_FALSE(drensil::IsLibreOfficeEntry(QString()));

    // A desktop whose handler is LibreOffice, with stand-ins for xdg-mime and soffice.
    QTemporaryDir bin;
    const QString seen = bin.filePath("seen");
    const auto script = [&](const QString& name, const QByteArray& body) {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    };
    script("xdg-mime", "echo libreoffice-calc.desktop\n");
    script("soffice", "for a in \"$@\"; do echo \"$a\"; done > '" + seen.toUtf8() + ".part' && mv '" +
                          seen.toUtf8() + ".part' '" + seen.toUtf8() + "'\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);
    QTemporaryDir dir;
    const QString exported = dir.filePath("1136073600.xls");
    QFile f(exported);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("a\t\n");
    f.close();
    drensil::SetFileOpener({});
    EXPECT_TRUE(drensil::SayHello(exported, 1, 1, QString(), QStringLiteral("$")));
    qputenv("PATH", path);
    for (int i = 0; i < 100 && !QFile::exists(seen); ++i)
        QThread::msleep(20);
    QFile s(seen);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(s.readAll()).split(u'\n', Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("--infilter=Text - txt - csv (StarCalc):9,34,85"), exported}));
}
