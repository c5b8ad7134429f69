// Printing, print preview and text-file save and load of the grid.

#include "controls/grid/GridCtrl.h"
#include "controls/grid/ViewPrintPreview.h"
#include "platform/db/FileGuard.h"
#include "platform/report/Output.h"
#include "platform/report/PageChoice.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

using gdi::Dc;
using gdi::Rect;

namespace {

constexpr int kAppTitleId = 0xE000;
const char* const kPublisherAddress = "http://www.tavrin.com";

QString AppTitle() {
    const QString title = res::LoadString(kAppTitleId);
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

int MulDiv(int a, int b, int c) {
    return c == 0 ? 0 : static_cast<int>(static_cast<long long>(a) * b / c);
}

void MoveOrigin(Dc* pDC, int dx, int dy) {
    const gdi::Point org = pDC->GetWindowOrg();
    pDC->SetWindowOrg(org.x - dx, org.y - dy);
}

gdi::Font BoldCopy(const gdi::Font& font) {
    gdi::LOGFONT lf = font.GetLogFont();
    lf.lfWeight = 700;
    return gdi::Font(lf);
}

} // namespace

QString CGridCtrl::PrintWindowTitle() const {
    for (const QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (!w->windowTitle().isEmpty())
            return w->windowTitle();
    return {};
}

// ---- printing

bool CGridCtrl::Print(QPagedPaintDevice* pDevice) {
    if (!pDevice) {
        QPrinter printer(QPrinter::HighResolution);
        report::ApplyChosenPage(printer);
        QPrintDialog dialog(&printer, nullptr);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setPrintRange(QAbstractPrintDialog::AllPages);
        if (ui::ExecDialog(dialog) != QDialog::Accepted)
            return false;
        return Print(&printer);
    }

    QString docName = AppTitle();
    if (docName.isEmpty())
        docName = PrintWindowTitle();
    auto* pPrinter = dynamic_cast<QPrinter*>(pDevice);
    if (pPrinter && db::IsDatabaseFile(pPrinter->outputFileName(), db::FileUse::kWrite)) {
        ui::MessageBox(this, db::DatabaseFileRefusal(), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    if (pPrinter)
        pPrinter->setDocName(docName);

    QPainter painter;
    if (!painter.begin(pDevice))
        return false;
    Dc dc(&painter);
    dc.SetPrinting(true);

    CPrintInfo info;
    info.rectDraw = Rect(0, 0, dc.GetDeviceCaps(gdi::HORZRES), dc.GetDeviceCaps(gdi::VERTRES));
    OnBeginPrinting(&dc, &info);
    // A long grid takes a while to print: the program's progress (when one is shown) counts the
    // pages as they are made, and hears of the end on every way out.
    struct Told {
        report::PageProgress* progress = report::CurrentPageProgress();
        ~Told() {
            if (progress)
                progress->End();
        }
    } told;
    if (told.progress)
        told.progress->Begin(std::max(0, info.nMaxPage - info.nFromPage + 1));
    bool ok = true;
    for (int page = info.nFromPage; page <= info.nMaxPage && ok; ++page) {
        if (page > info.nFromPage)
            ok = pDevice->newPage();
        if (!ok)
            break;
        info.nCurPage = page;
        OnPrint(&dc, &info);
        if (told.progress)
            told.progress->PageMade(page - info.nFromPage + 1);
    }
    OnEndPrinting(&dc, &info);
    if (!ok && pPrinter)
        pPrinter->abort();
    // The printer or the file takes the last of the pages at the end: that can fail too.
    const bool ended = painter.end();
    return ok && ended;
}

void CGridCtrl::BeginPrintJob(Dc* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo)
        return;
    gdi::LOGFONT lf;
    lf.lfHeight = -10;
    lf.lfWeight = 400;
    lf.lfCharSet = 1;
    lf.lfOutPrecision = 2;
    lf.lfClipPrecision = 1;
    lf.lfFaceName = QStringLiteral("Arial");
    m_PrinterFont = gdi::Font(lf);

    const gdi::Font oldFont = pDC->SelectFont(*m_PrinterFont);
    const gdi::Size extent =
        pDC->GetTextExtent(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ").left(52));
    // A zero character size would collapse the layout (and divide by zero below).
    m_CharSize = gdi::Size(std::max(1, extent.cx / 52), std::max(1, extent.cy));
    pDC->SelectFont(oldFont);

    m_PaperSize = gdi::Size(pDC->GetDeviceCaps(gdi::HORZRES), pDC->GetDeviceCaps(gdi::VERTRES));
    m_nPageWidth = static_cast<int>(GetVirtualWidth()) + (m_nLeftMargin + m_nRightMargin) * m_CharSize.cx;
    m_nPageHeight = MulDiv(m_nPageWidth, m_PaperSize.cy, m_PaperSize.cx);
    m_nBodyHeight = m_nPageHeight - (m_nHeaderHeight + m_nFooterHeight + 2 * m_nGap) * m_CharSize.cy -
                    GetFixedRowHeight();

    m_nPageCount = static_cast<int>(GetPrintPageStarts().size());
    m_nBodyWidth = m_nPageWidth - GetFixedColumnWidth() - (m_nLeftMargin + m_nRightMargin) * m_CharSize.cx;
    pInfo->nMaxPage = m_nPageCount;
    pInfo->nCurPage = 1;
}

void CGridCtrl::PrintPage(Dc* pDC, CPrintInfo* pInfo) {
    if (!pDC || !pInfo || !m_PrinterFont)
        return;
    const int saved = pDC->SaveDC();
    pDC->SelectFont(*m_PrinterFont);
    pDC->SetMapMode(gdi::MM_ANISOTROPIC);
    pDC->SetWindowExt(m_nPageWidth, m_nPageHeight);
    pDC->SetViewportExt(m_PaperSize.cx, m_PaperSize.cy);
    pDC->SetWindowOrg(-m_nLeftMargin * m_CharSize.cx, 0);

    const int textWidth = m_nPageWidth - (m_nLeftMargin + m_nRightMargin) * m_CharSize.cx;
    pInfo->rectDraw = Rect(0, 0, textWidth, m_nHeaderHeight * m_CharSize.cy);
    PrintHeader(pDC, pInfo);
    MoveOrigin(pDC, 0, m_nHeaderHeight * m_CharSize.cy + m_nGap * m_CharSize.cy + GetFixedRowHeight());

    const std::vector<int> starts = GetPrintPageStarts();
    const auto page = static_cast<std::size_t>(std::max(1, pInfo->nCurPage) - 1);
    m_nCurrPrintRow = page < starts.size() ? starts[page] : GetRowCount();
    m_nCurrPrintCol = GetFixedColumnCount();

    PrintRowHeadings(pDC, pInfo);

    pInfo->rectDraw.bottom = GetFixedRowHeight();
    MoveOrigin(pDC, 0, -GetFixedRowHeight());
    m_nBodyWidth += GetFixedColumnWidth();
    PrintColumnHeadings(pDC, pInfo);
    m_nBodyWidth -= GetFixedColumnWidth();

    MoveOrigin(pDC, GetFixedColumnWidth(), GetFixedRowHeight());
    int top = 0;
    for (int row = m_nCurrPrintRow; row < GetRowCount(); ++row) {
        const int bottom = top + GetRowHeight(row);
        if (bottom > m_nBodyHeight && row != m_nCurrPrintRow)
            break;
        const int level = pDC->SaveDC();
        if (bottom > m_nBodyHeight)
            ClipToPrintBody(pDC);
        PrintRowCells(pDC, row, m_nCurrPrintCol, GetColumnCount(), top, row == m_nCurrPrintRow);
        pDC->RestoreDC(level);
        top = bottom;
    }

    pInfo->rectDraw = Rect(0, 0, textWidth, m_nFooterHeight * m_CharSize.cy);
    pDC->SetWindowOrg(-m_nLeftMargin * m_CharSize.cx, m_nFooterHeight * m_CharSize.cy - m_nPageHeight);
    PrintFooter(pDC, pInfo);
    pDC->SetWindowOrg(0, 0);
    pDC->RestoreDC(saved);
}

std::vector<int> CGridCtrl::GetPrintPageStarts() const {
    std::vector<int> starts{GetFixedRowCount()};
    int total = 0;
    for (int row = GetFixedRowCount(); row < GetRowCount(); ++row) {
        const int height = GetRowHeight(row);
        if (total > 0 && total + height > m_nBodyHeight) {
            starts.push_back(row);
            total = 0;
        }
        total += height;
    }
    return starts;
}

void CGridCtrl::ClipToPrintBody(Dc* pDC) const {
    // The body starts at the origin; the edges beyond the page are clipped by the paper anyway.
    pDC->IntersectClipRect(Rect(-m_nPageWidth, 0, 2 * m_nPageWidth, m_nBodyHeight));
}

void CGridCtrl::EndPrintJob(Dc*, CPrintInfo*) {
    m_PrinterFont.reset();
}

void CGridCtrl::PrintGridLines(Dc* pDC, const Rect& rect, bool bFirstRow, bool bFirstCol) {
    if (m_nGridLines == GVL_HORZ || m_nGridLines == GVL_BOTH) {
        pDC->MoveTo(rect.left, rect.bottom);
        pDC->LineTo(rect.right + 1, rect.bottom);
        if (bFirstRow) {
            pDC->MoveTo(rect.left, rect.top);
            pDC->LineTo(rect.right + 1, rect.top);
        }
    }
    if (m_nGridLines == GVL_VERT || m_nGridLines == GVL_BOTH) {
        pDC->MoveTo(rect.right, rect.top);
        pDC->LineTo(rect.right, rect.bottom + 1);
        if (bFirstCol) {
            pDC->MoveTo(rect.left, rect.top);
            pDC->LineTo(rect.left, rect.bottom + 1);
        }
    }
}

void CGridCtrl::PrintRowCells(Dc* pDC, int nRow, int nFirstCol, int nEndCol, int nTop, bool bFirstRow) {
    const int bottom = nTop + GetRowHeight(nRow);
    int left = 0;
    for (int col = nFirstCol; col < nEndCol; ++col) {
        const int right = left + GetColumnWidth(col);
        if (right > m_nBodyWidth)
            break;
        if (right > left) {
            const Rect rect(left, nTop, right - 1, bottom - 1);
            if (CGridCellBase* pCell = GetCell(nRow, col))
                pCell->PrintCell(pDC, nRow, col, rect);
            PrintGridLines(pDC, rect, bFirstRow, col == nFirstCol);
        }
        left = right;
    }
}

void CGridCtrl::PrintFixedColumns(Dc* pDC, CPrintInfo*) {
    int left = 0;
    for (int col = 0; col < GetFixedColumnCount(); ++col) {
        const int right = left + GetColumnWidth(col);
        int top = 0;
        for (int row = m_nCurrPrintRow; row < GetRowCount(); ++row) {
            const int bottom = top + GetRowHeight(row);
            if (bottom > m_nBodyHeight && row != m_nCurrPrintRow)
                break;
            const int level = pDC->SaveDC();
            if (bottom > m_nBodyHeight)
                ClipToPrintBody(pDC);
            const Rect rect(left, top, right - 1, bottom - 1);
            if (CGridCellBase* pCell = GetCell(row, col))
                pCell->PrintCell(pDC, row, col, rect);
            PrintGridLines(pDC, rect, row == m_nCurrPrintRow, col == 0);
            pDC->RestoreDC(level);
            top = bottom;
        }
        left = right;
    }
}

void CGridCtrl::PrintFixedRows(Dc* pDC, CPrintInfo*) {
    int top = 0;
    for (int row = 0; row < GetFixedRowCount(); ++row) {
        PrintRowCells(pDC, row, 0, GetColumnCount(), top, row == 0);
        top += GetRowHeight(row);
    }
}

void CGridCtrl::PrintPageHeader(Dc* pDC, CPrintInfo* pInfo) {
    const QString appTitle = AppTitle();
    const QString windowTitle = PrintWindowTitle();
    const gdi::Font oldFont = pDC->SelectFont(BoldCopy(*m_PrinterFont));
    pDC->SetBkMode(gdi::TRANSPARENT);
    Rect rect = pInfo->rectDraw;
    if (!windowTitle.isEmpty())
        pDC->DrawText(windowTitle, rect, 0x825);
    if (!appTitle.isEmpty())
        pDC->DrawText(appTitle, rect, 0x826);
    const gdi::Pen oldPen = pDC->SelectPen(gdi::Pen{gdi::PS_SOLID, 1, 0});
    pDC->MoveTo(rect.left, rect.bottom);
    pDC->LineTo(rect.right, rect.bottom);
    pDC->SelectPen(oldPen);
    pDC->SelectFont(oldFont);
}

void CGridCtrl::PrintPageFooter(Dc* pDC, CPrintInfo* pInfo) {
    Rect rect = pInfo->rectDraw;
    const gdi::Pen oldPen = pDC->SelectPen(gdi::Pen{gdi::PS_SOLID, 1, 0});
    pDC->MoveTo(rect.left, rect.top);
    pDC->LineTo(rect.right, rect.top);
    pDC->SelectPen(oldPen);
    const gdi::Font oldFont = pDC->SelectFont(BoldCopy(*m_PrinterFont));
    pDC->SetBkMode(gdi::TRANSPARENT);
    pDC->SetTextColor(0);
    pDC->DrawText(QString::fromLatin1(kPublisherAddress), rect, 0x824);
    pDC->DrawText(QStringLiteral("Page %1 of %2").arg(pInfo->nCurPage).arg(pInfo->nMaxPage), rect, 0x826);
    pDC->SelectFont(oldFont);
}

// ---- print preview

void CGridCtrl::PrintPreview() {
    if (m_pPreviewWnd) {
        m_pPreviewWnd->activateWindow();
        m_pPreviewWnd->setFocus();
        return;
    }
    QWidget* pMainWnd = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w) && dynamic_cast<ui::CommandTarget*>(w)) {
            pMainWnd = w;
            break;
        }
    if (!pMainWnd)
        pMainWnd = window();

    QPointer<CGridCtrl> self(this);
    CViewPrintPreview preview(this, pMainWnd);
    m_pPreviewWnd = &preview;
    m_bPrintPreviewRunning = true;
    ui::ExecDialog(preview);
    if (!self)
        return;
    m_pPreviewWnd = nullptr;
    m_bPrintPreviewRunning = false;
    if (pMainWnd)
        pMainWnd->show();
    if (preview.PrintRequested())
        ForwardPreviewPrint(preview.GetMainWnd());
}

void CGridCtrl::ForwardPreviewPrint(QWidget* pMainWnd) {
    if (auto* target = dynamic_cast<ui::CommandTarget*>(pMainWnd))
        target->OnCmdMsg(ui::ID_FILE_PRINT);
}

// ---- text files

bool CGridCtrl::Save(const QString& strFileName, QChar chSeparator) {
    if (db::IsDatabaseFile(strFileName, db::FileUse::kWrite)) {
        ui::MessageBox(this, db::DatabaseFileRefusal(), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    QFile file(strFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        ui::MessageBox(this, file.errorString(), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    // The program's text files are in code page 936.
    bool written = true;
    for (int row = 0; row < GetRowCount() && written; ++row) {
        QString line;
        for (int col = 0; col < GetColumnCount(); ++col) {
            line += GetItemText(row, col);
            line += col + 1 < GetColumnCount() ? chSeparator : QChar('\n');
        }
        const QByteArray bytes = text::ToGbk(line);
        written = file.write(bytes) == bytes.size();
    }
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        ui::MessageBox(this, QStringLiteral("Unable to save grid list"), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    return true;
}

bool CGridCtrl::Load(const QString& strFileName, QChar chSeparator) {
    if (GetVirtualMode())
        return false;
    if (db::IsDatabaseFile(strFileName, db::FileUse::kRead)) {
        ui::MessageBox(this, db::DatabaseFileRefusal(), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ui::MessageBox(this, file.errorString(), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    DeleteAllItems();
    bool first = true;
    // Whole lines: cutting long lines into pieces would turn one row into several. A trailing
    // empty field is kept, else an empty last heading would lose its whole column.
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        const QStringList fields = text::FromGbk(bytes).split(chSeparator);
        if (first) {
            for (const QString& field : fields)
                InsertColumn(field, 0x25, -1);
            first = false;
            continue;
        }
        const int row = InsertRow(fields.first(), -1);
        for (int col = 1; col < fields.size() && row >= 0; ++col)
            SetItemText(row, col, fields[col]);
    }
    const bool failed = file.error() != QFileDevice::NoError;
    AutoSizeColumns(GetAutoSizeStyle());
    if (failed) {
        ui::MessageBox(this, QStringLiteral("Unable to load grid data"), AppTitle(), ui::MB_ICONERROR);
        return false;
    }
    return true;
}
