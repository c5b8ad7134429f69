#include "report/ReportProgress.h"

#include "controls/TextProgressBar.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

int g_showAfter = 1000;
// The first pages tell how long the rest will take.
constexpr qint64 kFirstLook = 200;
// The windows are redrawn this often while pages are made.
constexpr qint64 kRedrawEvery = 100;

} // namespace

CReportProgress::CReportProgress(QWidget* parent)
    : m_parent(parent ? parent : QApplication::activeWindow()), m_previous(report::CurrentPageProgress()) {
    report::SetPageProgress(this);
}

CReportProgress::~CReportProgress() {
    End();
    report::SetPageProgress(m_previous);
}

void CReportProgress::SetShowAfter(int milliseconds) {
    g_showAfter = std::max(0, milliseconds);
}

void CReportProgress::Begin(int pages) {
    End();
    m_pages = std::max(1, pages);
    m_clock.start();
    m_lastRedraw = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waiting = true;
}

void CReportProgress::PageMade(int made) {
    if (!m_waiting)
        return;
    const qint64 elapsed = m_clock.elapsed();
    if (!m_window) {
        // Shown once the pages so far say that all of them take more than the limit.
        const bool early = g_showAfter > 0 && elapsed < std::min<qint64>(kFirstLook, g_showAfter);
        if (early || made >= m_pages || elapsed * m_pages < qint64(g_showAfter) * std::max(1, made))
            return;
        // Over the preview when it is the one making the pages.
        QWidget* over =
            QApplication::activeModalWidget() ? QApplication::activeModalWidget() : m_parent.data();
        m_window = std::make_unique<QWidget>(over, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
        m_window->setObjectName(QStringLiteral("reportProgress"));
        m_window->setWindowTitle(QStringLiteral("打印"));
        m_window->setAttribute(Qt::WA_ShowWithoutActivating);
        auto* layout = new QVBoxLayout(m_window.get());
        layout->addWidget(new QLabel(QStringLiteral("正在生成打印页面，请稍候……"), m_window.get()));
        m_bar = new CTextProgressBar(m_window.get());
        m_bar->setFixedSize(300, 18);
        m_bar->SetRange(0, m_pages);
        layout->addWidget(m_bar);
        m_window->adjustSize();
        if (over) {
            const QRect frame = over->frameGeometry();
            m_window->move(frame.center() - m_window->rect().center());
        }
        m_window->show();
        m_lastRedraw = -kRedrawEvery;
    }
    m_bar->SetPos(made);
    if (elapsed - m_lastRedraw >= kRedrawEvery) {
        m_lastRedraw = elapsed;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void CReportProgress::End() {
    m_bar = nullptr;
    m_window.reset();
    if (m_waiting) {
        m_waiting = false;
        QApplication::restoreOverrideCursor();
    }
}
