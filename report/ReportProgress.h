#pragma once
// The wait while a report makes its pages: the wait cursor from the first page to the last and,
// when the pages take more than a second, a small window with the progress bar over the dialog
// that prints, its pages counted as they are made. The windows are redrawn meanwhile; what the
// user types or clicks waits until the pages are made.

#include "platform/report/Output.h"

#include <QElapsedTimer>
#include <QPointer>

#include <memory>

class CTextProgressBar;
class QWidget;

class CReportProgress final : public report::PageProgress {
public:
    // Tells the progress of the pages made while it lives, over `parent` (the active window when
    // null); the progress told before is told again afterwards.
    explicit CReportProgress(QWidget* parent);
    ~CReportProgress() override;
    CReportProgress(const CReportProgress&) = delete;
    CReportProgress& operator=(const CReportProgress&) = delete;

    void Begin(int pages) override;
    void PageMade(int made) override;
    void End() override;

    // The window, while it is shown (null otherwise).
    QWidget* Window() const { return m_window.get(); }
    CTextProgressBar* Bar() const { return m_bar; }

    // How long pages may take before the window shows (1,000 ms; tests make it 0).
    static void SetShowAfter(int milliseconds);

private:
    QPointer<QWidget> m_parent;
    report::PageProgress* m_previous;
    QElapsedTimer m_clock;
    qint64 m_lastRedraw = 0;
    int m_pages = 0;
    bool m_waiting = false;
    std::unique_ptr<QWidget> m_window;
    CTextProgressBar* m_bar = nullptr;
};
