#include "platform/drensil/Drensil.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace drensil {
namespace {

FileOpener& Opener() {
    static FileOpener opener;
    return opener;
}

// The desktop entry of the desktop's default application for .xls files ("libreoffice-calc.desktop"),
// empty when the desktop cannot say.
QString DesktopHandlerOfXls() {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return {};
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("application/vnd.ms-excel")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

bool IsLibreOfficeEntry(const QString& desktopEntry) {
    return desktopEntry.contains(QLatin1String("libreoffice"), Qt::CaseInsensitive) ||
           desktopEntry.contains(QLatin1String("soffice"), Qt::CaseInsensitive);
}

QStringList LibreOfficeArguments(const QString& path) {
    // The export is tab-separated text in GB18030 (code page 936 for every character it has),
    // which the spreadsheet would otherwise take for Western text: 9 is the tab, 34 the quote,
    // 85 the character set.
    return {QStringLiteral("--infilter=Text - txt - csv (StarCalc):9,34,85"), path};
}

QByteArray LoadResource(int id, const QString& type) {
    // ":/drensil/<type>/<id>.<extension>"; the extension does not matter.
    const QDir dir(QStringLiteral(":/drensil/") + type.toLower());
    const QStringList found = dir.entryList({QString::number(id) + QStringLiteral(".*")}, QDir::Files);
    if (found.isEmpty())
        return {};
    QFile f(dir.filePath(found.first()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool SayHello(const QString& path, int rows, int columns, const QString& caption, const QString& tail) {
    if (!QFileInfo(path).isFile())
        return false;
    if (Opener())
        return Opener()(path);
    const QString file = QFileInfo(path).absoluteFilePath();
    if (IsLibreOfficeEntry(DesktopHandlerOfXls())) {
        for (const char* name : {"soffice", "libreoffice"}) {
            const QString program = QStandardPaths::findExecutable(QLatin1String(name));
            if (!program.isEmpty() && QProcess::startDetached(program, LibreOfficeArguments(file)))
                return true;
        }
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void SetFileOpener(FileOpener opener) {
    Opener() = std::move(opener);
}

} // namespace drensil
