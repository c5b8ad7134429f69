#include "platform/report/Output.h"

#include "platform/report/Document.h"
#include "platform/report/PreviewDialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

#include <memory>

namespace report {

namespace {

bool Headless() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// The preview with its page, zoom and print tools (PreviewDialog); its print button prints the
// same document on the printer chosen there.
class ScreenOutput : public OutputService {
public:
    void Preview(Document& document, bool fitWidth) override {
        if (auto* pdf = Fallback())
            return pdf->Preview(document, fitWidth);
        ShowPreview(document, fitWidth);
        // The pages the preview drew are freed with it; that memory goes back to the system
        // now, not when the heap happens to shrink.
        ReturnFreedMemory();
    }

    void ShowPreview(Document& document, bool fitWidth) {
        QPrinter printer(QPrinter::HighResolution);
        document.SetupPrinter(printer);
        PreviewDialog dialog(document, printer, fitWidth, QApplication::activeWindow());
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            dialog.resize(screen->availableGeometry().size() * 0.85);
        dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
        ui::ExecDialog(dialog);
    }

    bool Print(Document& document, bool showPrintDialog) override {
        if (auto* pdf = Fallback())
            return pdf->Print(document, showPrintDialog);
        QPrinter printer(QPrinter::HighResolution);
        document.SetupPrinter(printer);
        if (showPrintDialog) {
            QPrintDialog dialog(&printer, QApplication::activeWindow());
            dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
            if (ui::ExecDialog(dialog) != QDialog::Accepted)
                return true;
        }
        if (document.Print(printer))
            return true;
        SayPrintFailed(QApplication::activeWindow(), printer);
        return false;
    }

private:
    // Without a display nothing may open: the report goes to a PDF file.
    PdfOutput* Fallback() {
        const QString env = qEnvironmentVariable("VELTORA_REPORT_PDF");
        if (env.isEmpty() && !Headless())
            return nullptr;
        const QString target =
            env.isEmpty() ? QDir::temp().filePath(
                                QStringLiteral("veltora-report-%1").arg(QCoreApplication::applicationPid()))
                          : env;
        if (!m_pdf || m_target != target) {
            m_pdf = std::make_unique<PdfOutput>(target, false);
            m_target = target;
        }
        return m_pdf.get();
    }

    std::unique_ptr<PdfOutput> m_pdf;
    QString m_target;
};

OutputService* g_service = nullptr;
PageProgress* g_progress = nullptr;

} // namespace

QString WriteFailureText(const QString& path) {
    const QString reason = ui::WriteFailureReason(path);
    return QStringLiteral("打印没有完成：无法写入文件“%1”%2")
        .arg(QDir::toNativeSeparators(path), reason.isEmpty() ? QStringLiteral("。") : u'：' + reason);
}

QString PrintFailureText(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return WriteFailureText(printer.outputFileName());
    return QStringLiteral("打印机无法打印。");
}

void SayPrintFailed(QWidget* parent, const QString& text) {
    ui::MessageBox(parent, text, QStringLiteral("信息提示"), ui::MB_OK | ui::MB_ICONERROR);
}

void SayPrintFailed(QWidget* parent, const QPrinter& printer) {
    SayPrintFailed(parent, PrintFailureText(printer));
}

PageProgress* CurrentPageProgress() {
    return g_progress;
}

void SetPageProgress(PageProgress* progress) {
    g_progress = progress;
}

OutputService& CurrentOutput() {
    static ScreenOutput screen;
    return g_service ? *g_service : screen;
}

void SetOutputService(OutputService* service) {
    g_service = service;
}

PdfOutput::PdfOutput(QString target, bool install) : m_target(std::move(target)), m_installed(install) {
    if (m_installed)
        SetOutputService(this);
}

PdfOutput::~PdfOutput() {
    if (m_installed && g_service == this)
        SetOutputService(nullptr);
}

void PdfOutput::Preview(Document& document, bool fitWidth) {
    ++m_previews;
    m_lastFitWidth = fitWidth;
    Write(document);
}

bool PdfOutput::Print(Document& document, bool) {
    ++m_prints;
    return Write(document);
}

bool PdfOutput::Write(Document& document) {
    QString path = m_target;
    if (!m_target.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        QDir().mkpath(m_target);
        path = QDir(m_target).filePath(QStringLiteral("report-%1.pdf").arg(m_written.size() + 1));
    }
    if (!document.WritePdf(path)) {
        SayPrintFailed(QApplication::activeWindow(), WriteFailureText(path));
        return false;
    }
    m_written << path;
    m_lastPages = document.PageCount();
    return true;
}

} // namespace report
