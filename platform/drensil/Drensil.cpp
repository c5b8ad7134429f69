#include "platform/drensil/Drensil.h"

#include "platform/log/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>
#include <utility>
#include <vector>

namespace drensil {
namespace {

FileOpener& Opener() {
    static FileOpener opener;
    return opener;
}

// How long an opener has to answer. One that hands the file on (xdg-open on most desktops, a
// spreadsheet that passes it to its running instance) exits at once and says by its exit status
// whether the file was opened; one still running after this is the application itself with the
// file open.
constexpr int kOpenerAnswerMs = 2000;

// Openers started and not yet ended: those that have not answered yet and the applications
// holding an exported file open. A QProcess kills its process when it is destroyed, so one is let
// go only when it has ended; those still open when the program quits stay open, so the list is
// never destroyed either.
std::vector<QProcess*>& StillOpen() {
    static auto* const processes = new std::vector<QProcess*>;
    return *processes;
}

// The MIME type the desktop files the export under (application/vnd.ms-excel for .xls).
QString MimeTypeOf(const QString& file) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name() : QStringLiteral("application/vnd.ms-excel");
}

// The desktop entry of the desktop's default application for `mimeType`
// ("libreoffice-calc.desktop"), empty when the desktop names none or cannot say.
QString DesktopHandlerOf(const QString& mimeType) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return {};
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

// Starts `program` on the file without waiting for it: false when it cannot be started. Its
// outcome reaches `answered` (when given) from the event loop: false when it fails or crashes
// within kOpenerAnswerMs, true when it exits successfully by then or is still running (left
// running: the application has the file open, and the program goes on).
bool RunOpener(const QString& program, const QStringList& arguments, HelloAnswer answered) {
    auto process = std::make_unique<QProcess>();
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, arguments);
    if (!process->waitForStarted()) {
        qCInfo(vlog::report) << program << "could not be started:" << process->errorString();
        return false;
    }
    QProcess* open = process.release();
    StillOpen().push_back(open);
    // The answer is given once: by the exit within the answer time, or by the timer.
    auto answer = std::make_shared<HelloAnswer>(std::move(answered));
    QObject::connect(open, &QProcess::finished, open,
                     [open, program, answer](int code, QProcess::ExitStatus status) {
                         const bool opened = status == QProcess::NormalExit && code == 0;
                         if (!opened)
                             qCInfo(vlog::report) << program << "did not open the file, exit status" << code;
                         if (*answer)
                             std::exchange(*answer, {})(opened);
                         std::erase(StillOpen(), open);
                         open->deleteLater();
                     });
    QTimer::singleShot(kOpenerAnswerMs, open, [answer] {
        if (*answer)
            std::exchange(*answer, {})(true);
    });
    return true;
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

bool SayHello(const QString& path, int rows, int columns, const QString& caption, const QString& tail,
              HelloAnswer answered) {
    if (!QFileInfo(path).isFile())
        return false;
    if (Opener())
        return Opener()(path);
    const QString file = QFileInfo(path).absoluteFilePath();
    // A desktop that names no application for the file has nothing that opens it: xdg-open would
    // only fail later, where no one sees it.
    const QString handler = DesktopHandlerOf(MimeTypeOf(file));
    if (handler.isEmpty())
        return false;
    if (IsLibreOfficeEntry(handler)) {
        for (const char* name : {"soffice", "libreoffice"}) {
            const QString program = QStandardPaths::findExecutable(QLatin1String(name));
            if (!program.isEmpty())
                return RunOpener(program, LibreOfficeArguments(file), std::move(answered));
        }
    }
    // Any other application is given the file as it is: it takes the export for Western text, so
    // the user is told where the file is and how to read it whether or not the opener succeeds.
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty())
        RunOpener(xdgOpen, {file}, {});
    return false;
}

void SetFileOpener(FileOpener opener) {
    Opener() = std::move(opener);
}

} // namespace drensil
