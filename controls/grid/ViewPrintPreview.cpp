#include "controls/grid/ViewPrintPreview.h"

#include "controls/grid/GridCtrl.h"
#include "platform/report/PageChoice.h"

#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

CViewPrintPreview::CViewPrintPreview(CGridCtrl* pGrid, QWidget* pMainWnd)
    : QDialog(nullptr), m_pGrid(pGrid), m_pMainWnd(pMainWnd) {
    setWindowTitle(QStringLiteral("Veltora打印预览"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* print = new QPushButton(QStringLiteral("打印(&P)..."), this);
    print->setObjectName(QStringLiteral("print"));
    auto* close = new QPushButton(QStringLiteral("关闭(&C)"), this);
    close->setObjectName(QStringLiteral("close"));
    bar->addWidget(print);
    bar->addWidget(close);
    bar->addStretch();
    layout->addLayout(bar);
    // The pages as they will print: on the page chosen with 报表打印设置.
    m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    report::ApplyChosenPage(*m_pPrinter);
    m_pPreview = new QPrintPreviewWidget(m_pPrinter.get(), this);
    layout->addWidget(m_pPreview, 1);
    connect(m_pPreview, &QPrintPreviewWidget::paintRequested, this, &CViewPrintPreview::OnPaintRequested);
    connect(print, &QPushButton::clicked, this, &CViewPrintPreview::OnFilePrint);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    setWindowState(Qt::WindowMaximized);
}

CViewPrintPreview::~CViewPrintPreview() {
    delete m_pPreview; // before the printer it draws on
}

void CViewPrintPreview::OnFilePrint() {
    // Printing itself is the owning dialog's business: it has the print dialog to ask with.
    m_bPrintRequested = true;
    accept();
}

void CViewPrintPreview::OnPaintRequested(QPrinter* pPrinter) {
    if (m_pGrid && pPrinter)
        m_pGrid->Print(pPrinter);
}
