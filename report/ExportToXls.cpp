#include "report/ExportToXls.h"

#include "platform/db/FileGuard.h"
#include "platform/drensil/Drensil.h"
#include "platform/log/Log.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>

namespace {

constexpr int IDS_EXPORT_FAILED = 57652;
constexpr int IDS_INFO_CAPTION = 57656;
constexpr int IDS_EXPORTED_TO = 61501;

ExportClock& Clock() {
    static ExportClock clock;
    return clock;
}

class WaitCursor {
public:
    explicit WaitCursor(bool on) : m_on(on) {
        if (m_on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_on)
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_on;
};

// Creates (or truncates) and fills the file; a failure part-way leaves no file behind.
bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return false;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (written && file.error() == QFileDevice::NoError)
        return true;
    file.remove();
    return false;
}

} // namespace

QString ExportedFileKind() {
    return QStringLiteral("文件是以制表符分隔的文本，GBK编码（GBK没有的字符按GB18030写入）；"
                          "用电子表格程序打开时请选择制表符分隔和GBK字符集。");
}

QByteArray XlsBytes(const IReportRowSource& rows) {
    const int n = rows.GetRowCount();
    const int m = rows.GetColumnCount();
    QByteArray bytes;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < m; ++c) {
            // The grid pads numbers with blanks to line them up; a spreadsheet would read such a
            // cell as text, so the blanks are left out and numbers arrive as numbers.
            bytes += text::ToGb18030(rows.GetItemText(r, c).trimmed());
            bytes += '\t';
        }
        bytes += '\n';
    }
    return bytes;
}

QString XlsFilePath(const QString& directory, std::time_t t) {
    return QDir(directory).filePath(QString::asprintf("%lld.xls", static_cast<long long>(t)));
}

QString FreeXlsFilePath(const QString& directory, std::time_t t) {
    const QString first = XlsFilePath(directory, t);
    QString path = first;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(directory).filePath(QString::asprintf("%lld-%d.xls", static_cast<long long>(t), n));
    return path;
}

QString NothingToExportMessage() {
    return QStringLiteral("列表中没有数据，没有可以导出到电子表格的内容。");
}

QString ExportToXls(QWidget* parent, const IReportRowSource& rows, const QString& caption,
                    const QString& directory, const XlsExportOptions& options) {
    if (options.needsDataRows && rows.GetRowCount() < 2) {
        // A press that does nothing looks like a broken button: say why no file comes.
        ui::MessageBox(parent, NothingToExportMessage(), res::LoadString(IDS_INFO_CAPTION),
                       ui::MB_OK | ui::MB_ICONINFORMATION);
        return {};
    }
    const std::time_t now = Clock() ? Clock()() : std::time(nullptr);
    // Two exports in one second each keep their file.
    const QString path = FreeXlsFilePath(directory, now);
    if (db::IsDatabaseFile(path, db::FileUse::kWrite)) {
        ui::MessageBox(parent, db::DatabaseFileRefusal(), res::LoadString(IDS_INFO_CAPTION),
                       ui::MB_OK | ui::MB_ICONERROR);
        return {};
    }
    if (!WriteFile(path, XlsBytes(rows))) {
        ui::MessageBox(parent, res::LoadString(IDS_EXPORT_FAILED), res::LoadString(IDS_INFO_CAPTION),
                       ui::MB_OK | ui::MB_ICONERROR);
        return {};
    }
    // No application opens the file, or one reads it without its encoding: the user must know
    // where the file went and how to read it.
    const auto tellWhere = [parent = QPointer<QWidget>(parent), path] {
        qCInfo(vlog::report) << "no application opened" << path << "as it is written";
        ui::MessageBox(parent,
                       res::LoadString(IDS_EXPORTED_TO).arg(QDir::toNativeSeparators(path)) + u'\n' +
                           ExportedFileKind(),
                       res::LoadString(IDS_INFO_CAPTION), ui::MB_OK | ui::MB_ICONINFORMATION);
    };
    bool opened = false;
    {
        const WaitCursor wait(options.waitCursor);
        // The application's answer comes later, from the event loop: the window stays live while
        // a spreadsheet program starts.
        opened = drensil::SayHello(path, rows.GetRowCount(), rows.GetColumnCount(), caption,
                                   QStringLiteral("$"), [tellWhere](bool answered) {
                                       if (!answered)
                                           tellWhere();
                                   });
    }
    if (!opened)
        tellWhere();
    return path;
}

void SetExportClock(ExportClock clock) {
    Clock() = std::move(clock);
}
