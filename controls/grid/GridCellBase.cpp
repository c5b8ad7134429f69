#include "controls/grid/GridCellBase.h"

#include "controls/grid/GridCell.h"
#include "controls/grid/GridCtrl.h"
#include "platform/gdi/System.h"
#include "platform/text/DisplayText.h"

#include <QStringList>

#include <algorithm>
#include <optional>

using namespace gdi;

CGridDefaultCell* CGridCellBase::GetDefaultCell() const {
    CGridCtrl* pGrid = GetGrid();
    if (!pGrid)
        return nullptr;
    return pGrid->GetDefaultCell(IsFixedRow(), IsFixedCol());
}

void CGridCellBase::Assign(const CGridCellBase& cell) {
    if (&cell == this)
        return;
    SetGrid(cell.GetGrid());
    SetText(cell.GetText());
    SetImage(cell.GetImage());
    SetData(cell.GetData());
    SetState(cell.GetState());
    SetFormat(cell.GetFormat());
    SetTextClr(cell.GetTextClr());
    SetBackClr(cell.GetBackClr());
    SetFont(cell.IsDefaultFont() ? nullptr : cell.GetFont());
    SetMargin(cell.GetMargin());
}

bool CGridCellBase::Draw(Dc* pDC, int nRow, int nCol, Rect rect, bool bEraseBkgnd) {
    CGridCtrl* pGrid = GetGrid();
    if (!pGrid || !pDC)
        return false;
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return false;
    CGridDefaultCell* pDefaultCell = GetDefaultCell();
    if (!pDefaultCell)
        return false;

    const int nSavedDC = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);

    COLORREF TextClr = ResolveColour(GetTextClr(), pDefaultCell->GetTextClr());
    COLORREF TextBkClr = ResolveColour(GetBackClr(), pDefaultCell->GetBackClr());
    if (GetBackClr() != CLR_DEFAULT)
        bEraseBkgnd = true;

    // Fills cover the grid-line pixels too; the lines are drawn over them afterwards.
    const Rect grown(rect.left, rect.top, rect.right + 1, rect.bottom + 1);
    if (!IsFocused() && !IsDropHighlighted()) {
        if (IsSelected()) {
            pDC->FillSolidRect(grown, GetSysColor(COLOR_HIGHLIGHT));
            pDC->SetTextColor(GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else {
            if (bEraseBkgnd)
                pDC->FillSolidRect(grown, TextBkClr);
            pDC->SetTextColor(TextClr);
        }
    } else {
        if (IsSelected()) {
            TextBkClr = GetSysColor(COLOR_HIGHLIGHT);
            TextClr = GetSysColor(COLOR_HIGHLIGHTTEXT);
            bEraseBkgnd = true;
        }
        if (bEraseBkgnd)
            pDC->FillSolidRect(grown, TextBkClr);
        if (pGrid->GetFrameFocusCell())
            pDC->FrameRect(pGrid->GetGridLines() != GVL_NONE ? rect : grown, Brush::Solid(TextClr));
        pDC->SetTextColor(TextClr);
        rect.DeflateRect(0, 1, 1, 1);
    }

    if (IsFixed() && pGrid->GetGridLines() != GVL_NONE) {
        const CGridCellId focus = pGrid->GetFocusCell();
        const bool bHeaderOfFocus =
            pGrid->GetTrackFocusCell() && pGrid->IsValid(focus) && (focus.row == nRow || focus.col == nCol);
        if (!bHeaderOfFocus) {
            // Raised: highlight along the top and left, dark shadow along the right and bottom.
            const Pen old = pDC->SelectPen(Pen{PS_SOLID, 1, GetSysColor(COLOR_3DHIGHLIGHT)});
            pDC->MoveTo(rect.left, rect.bottom);
            pDC->LineTo(rect.left, rect.top);
            pDC->LineTo(rect.right, rect.top);
            pDC->SelectPen(Pen{PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW)});
            pDC->MoveTo(rect.left, rect.bottom);
            pDC->LineTo(rect.right, rect.bottom);
            pDC->LineTo(rect.right, rect.top - 1);
            pDC->SelectPen(old);
        } else {
            pDC->DrawEdge(rect, BDR_SUNKENINNER, BF_RECT);
        }
        rect.DeflateRect(1, 1);
    }

    if (!pDC->IsPrinting()) {
        if (const Font* pFont = GetFontObject())
            pDC->SelectFont(*pFont);
    }

    const int margin = static_cast<int>(GetMargin());
    rect.DeflateRect(margin, 0);

    ImageList* pImageList = pGrid->GetImageList();
    IMAGEINFO Info;
    if (pImageList && GetImage() >= 0 && pImageList->GetImageInfo(GetImage(), &Info)) {
        const int nImageWidth = Info.rcImage.Width() + 1;
        const int nImageHeight = Info.rcImage.Height() + 1;
        if (rect.left + nImageWidth <= rect.right + 2 * margin &&
            rect.top + nImageHeight <= rect.bottom + 2 * margin)
            pImageList->Draw(pDC, GetImage(), rect.TopLeft(), ILD_NORMAL);
    }

    if (pGrid->GetSortColumn() == nCol && nRow == 0) {
        int size = pDC->GetTextExtent(QStringLiteral("M")).cy - 4;
        size = std::min(size, rect.Height() - 4);
        const LOGFONT* pLF = GetFont();
        const bool bVertical = pLF && pLF->lfEscapement == 900;
        if (size > 0 && rect.left + size < rect.right + 2 * margin) {
            const int bottom = rect.bottom - 2;
            const int top = bottom - size;
            const int left = bVertical ? rect.left + (rect.Width() - size) / 2 : rect.right - size;
            auto triangle = [&](int dx, int dy) {
                if (pGrid->GetSortAscending())
                    return std::vector<Point>{{left + size / 2 + dx, top + dy},
                                              {left + size + dx, bottom + dy},
                                              {left + dx, bottom + dy}};
                return std::vector<Point>{
                    {left + dx, top + dy}, {left + size + dx, top + dy}, {left + size / 2 + dx, bottom + dy}};
            };
            const Pen oldPen = pDC->SelectPen(Pen{PS_SOLID, 1, GetSysColor(COLOR_3DHIGHLIGHT)});
            const Brush oldBrush = pDC->SelectBrush(Brush::Null());
            pDC->Polygon(triangle(1, 1));
            pDC->SelectPen(Pen{PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW)});
            pDC->Polygon(triangle(0, 0));
            pDC->SelectPen(oldPen);
            pDC->SelectBrush(oldBrush);
            if (!bVertical)
                rect.right -= size;
        }
    }

    GetTextRect(&rect);
    pDC->DrawText(text::ForDisplay(GetText(), text::kDrawnLength), rect, GetFormat() | DT_NOPREFIX);

    pDC->RestoreDC(nSavedDC);
    return true;
}

bool CGridCellBase::GetTextRect(Rect* pRect) {
    CGridCtrl* pGrid = GetGrid();
    if (!pRect)
        return false;
    if (GetImage() >= 0 && pGrid && pGrid->GetImageList()) {
        IMAGEINFO Info;
        if (pGrid->GetImageList()->GetImageInfo(GetImage(), &Info))
            pRect->left += static_cast<int>(GetMargin()) + Info.rcImage.Width() + 1;
    }
    return true;
}

Size CGridCellBase::GetTextExtent(const QString& whole, Dc* pDC) {
    // A cell keeps its whole text; a text longer than any screen is wide is measured, as it is
    // drawn, by its first characters, so that a huge one costs no more than a long one.
    const QString szText = text::ForDisplay(whole, text::kDrawnLength);
    CGridDefaultCell* pDefCell = GetDefaultCell();
    if (!GetGrid() || !pDefCell)
        return Size(0, 0);
    const Size defaultSize(pDefCell->GetWidth(), pDefCell->GetHeight());
    if (szText.isEmpty())
        return defaultSize;

    // The grid window's context is a measuring one: same fonts, same metrics.
    std::optional<Dc> windowDc;
    if (!pDC) {
        windowDc.emplace();
        pDC = &*windowDc;
    }

    const int nSaved = pDC->SaveDC();
    if (const Font* pFont = GetFontObject())
        pDC->SelectFont(*pFont);

    Size size;
    const unsigned nFormat = GetFormat();
    if ((nFormat & DT_WORDBREAK) && !(nFormat & DT_SINGLELINE)) {
        int nMaxWidth = 0;
        for (const QString& line : szText.split(QLatin1Char('\n')))
            nMaxWidth = std::max(nMaxWidth, pDC->GetTextExtent(line).cx);
        Rect rcText(0, 0, nMaxWidth + 1, 0);
        pDC->DrawText(szText, rcText, nFormat | DT_CALCRECT);
        size = rcText.GetSize();
    } else {
        size = pDC->GetTextExtent(szText);
    }
    TEXTMETRIC tm;
    pDC->GetTextMetrics(&tm);
    pDC->RestoreDC(nSaved);

    const int margin = static_cast<int>(GetMargin());
    const LOGFONT* pLF = GetFont();
    if (pLF && (pLF->lfEscapement == 900 || pLF->lfEscapement == -900))
        return Size(size.cy + 2 * margin, size.cx + tm.tmOverhang + 8 * margin);
    return Size(size.cx + tm.tmOverhang + 4 * margin, size.cy + 2 * margin);
}

Size CGridCellBase::GetCellExtent(Dc* pDC) {
    Size size = GetTextExtent(GetText(), pDC);
    CGridCtrl* pGrid = GetGrid();
    IMAGEINFO Info;
    if (GetImage() >= 0 && pGrid && pGrid->GetImageList() &&
        pGrid->GetImageList()->GetImageInfo(GetImage(), &Info)) {
        size.cx += Info.rcImage.Width() + 1;
        size.cy = std::max(size.cy, Info.rcImage.Height() + 1);
    }
    return size;
}

bool CGridCellBase::PrintCell(Dc* pDC, int nRow, int nCol, Rect rect) {
    CGridCtrl* pGrid = GetGrid();
    if (!pGrid || !pDC)
        return false;
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return false;
    CGridDefaultCell* pDefaultCell = GetDefaultCell();

    const int nSavedDC = pDC->SaveDC();
    pDC->SetBkMode(TRANSPARENT);

    COLORREF crFG = 0;
    COLORREF crBG = CLR_DEFAULT; // none
    if (pGrid->GetShadedPrintOut()) {
        const COLORREF defBk = pDefaultCell ? pDefaultCell->GetBackClr() : CLR_DEFAULT;
        const COLORREF defFg = pDefaultCell ? pDefaultCell->GetTextClr() : 0;
        if (IsFixed())
            crBG = GetBackClr() != CLR_DEFAULT ? GetBackClr() : defBk;
        else
            crBG = (GetBackClr() != CLR_DEFAULT && GetBackClr() != defBk) ? GetBackClr() : CLR_DEFAULT;
        crFG = GetBackClr() != CLR_DEFAULT ? GetTextClr() : defFg;
        if (crFG == CLR_DEFAULT)
            crFG = defFg;
    }

    if (crBG == CLR_DEFAULT) {
        if (pDC->GetDeviceCaps(NUMCOLORS) == 2)
            crFG = Rgb(static_cast<int>(GetRValue(crFG) * 0.30), static_cast<int>(GetGValue(crFG) * 0.59),
                       static_cast<int>(GetBValue(crFG) * 0.11));
    } else {
        pDC->FillSolidRect(Rect(rect.left, rect.top, rect.right + 1, rect.bottom + 1), crBG);
    }

    pDC->SetTextColor(crFG);
    if (const Font* pFont = GetFontObject())
        pDC->SelectFont(*pFont);

    if (IsFixed() && pGrid->GetGridLines() != GVL_NONE) {
        const Pen old = pDC->SelectPen(Pen{PS_SOLID, 1, GetSysColor(COLOR_3DHIGHLIGHT)});
        pDC->MoveTo(rect.left, rect.bottom);
        pDC->LineTo(rect.left, rect.top);
        pDC->LineTo(rect.right, rect.top);
        pDC->SelectPen(Pen{PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW)});
        pDC->MoveTo(rect.left, rect.bottom);
        pDC->LineTo(rect.right, rect.bottom);
        pDC->LineTo(rect.right, rect.top - 1);
        pDC->SelectPen(old);
        rect.DeflateRect(1, 1);
    }

    const int margin = static_cast<int>(GetMargin());
    rect.DeflateRect(margin, 0);
    ImageList* pImageList = pGrid->GetImageList();
    IMAGEINFO Info;
    if (pImageList && GetImage() >= 0 && pImageList->GetImageInfo(GetImage(), &Info)) {
        pImageList->Draw(pDC, GetImage(), rect.TopLeft(), ILD_NORMAL);
        rect.left += margin + Info.rcImage.Width();
    }

    pDC->DrawText(text::ForDisplay(GetText(), text::kDrawnLength), rect, GetFormat() | DT_NOPREFIX);
    pDC->RestoreDC(nSavedDC);
    return true;
}

bool CGridCellBase::OnSetCursor() {
    if (CGridCtrl* pGrid = GetGrid())
        pGrid->setCursor(Qt::ArrowCursor);
    return true;
}

LRESULT CGridCellBase::NotifyParent(int nRow, int nCol, int nMessage) {
    CGridCtrl* pGrid = GetGrid();
    return pGrid ? pGrid->SendMessageToParent(nRow, nCol, nMessage) : 0;
}
