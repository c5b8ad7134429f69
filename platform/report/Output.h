#pragma once
// Where a shown or printed report goes: the on-screen preview and the printer by default, a PDF
// file in headless runs. Tests install PdfOutput; a run without a display (the offscreen
// platform) or with VELTORA_REPORT_PDF set writes PDF files instead of opening any window.

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace report {

class Document;

class OutputService {
public:
    virtual ~OutputService() = default;
    virtual void Preview(Document& document, bool fitWidth) = 0;
    // False when the pages could not be made (the user has been told why); a print dialog
    // cancelled is no failure.
    virtual bool Print(Document& document, bool showPrintDialog) = 0;
};

// What the user is told when a print did not come about: the file at `path` that could not be
// written and why, or for a printer that it could not print (the file when it prints to one).
QString WriteFailureText(const QString& path);
QString PrintFailureText(const QPrinter& printer);
// Shows such a text in a message box over `parent`.
void SayPrintFailed(QWidget* parent, const QString& text);
void SayPrintFailed(QWidget* parent, const QPrinter& printer);

// Told while a document makes its pages for the preview, a printer or a PDF file: the number of
// pages, then each page made, then the end (also when the output fails). The program shows it.
class PageProgress {
public:
    virtual ~PageProgress() = default;
    virtual void Begin(int pages) = 0;
    virtual void PageMade(int made) = 0;
    virtual void End() = 0;
};

// The progress told, or null; the caller keeps ownership.
PageProgress* CurrentPageProgress();
void SetPageProgress(PageProgress* progress);

// The current service (never null).
OutputService& CurrentOutput();
// Replaces the service; nullptr restores the default. The caller keeps ownership.
void SetOutputService(OutputService* service);

// Headless output: every preview or print becomes a PDF file. `target` is a file path ending in
// ".pdf" (rewritten each time) or a directory that receives report-1.pdf, report-2.pdf, ...
class PdfOutput : public OutputService {
public:
    explicit PdfOutput(QString target, bool install = true);
    ~PdfOutput() override;

    void Preview(Document& document, bool fitWidth) override;
    bool Print(Document& document, bool showPrintDialog) override;

    const QStringList& Written() const { return m_written; }
    int LastPageCount() const { return m_lastPages; }
    bool LastFitWidth() const { return m_lastFitWidth; }
    int PreviewCount() const { return m_previews; }
    int PrintCount() const { return m_prints; }

private:
    // False, after telling the user, when the file cannot be written.
    bool Write(Document& document);

    QString m_target;
    bool m_installed;
    QStringList m_written;
    int m_lastPages = 0;
    bool m_lastFitWidth = false;
    int m_previews = 0;
    int m_prints = 0;
};

} // namespace report
