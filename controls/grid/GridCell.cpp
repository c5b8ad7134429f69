#include "controls/grid/GridCell.h"

#include "controls/grid/GridCtrl.h"
#include "controls/grid/InPlaceEdit.h"
#include "platform/gdi/System.h"

#include <QMetaObject>
#include <QWidget>

using namespace gdi;

CGridCell::CGridCell() = default;
CGridCell::~CGridCell() = default;

void CGridCell::SetFont(const LOGFONT* plf) {
    m_font.reset();
    if (plf)
        m_plfFont = std::make_unique<LOGFONT>(*plf);
    else
        m_plfFont.reset();
}

unsigned CGridCell::GetFormat() const {
    if (m_nFormat != kUnset)
        return m_nFormat;
    const CGridDefaultCell* pDefaultCell = GetDefaultCell();
    if (!pDefaultCell || pDefaultCell == this)
        return 0;
    return pDefaultCell->GetFormat();
}

const LOGFONT* CGridCell::GetFont() const {
    if (m_plfFont)
        return m_plfFont.get();
    const CGridDefaultCell* pDefaultCell = GetDefaultCell();
    if (!pDefaultCell || pDefaultCell == this)
        return nullptr;
    return pDefaultCell->GetFont();
}

const Font* CGridCell::GetFontObject() const {
    if (m_plfFont) {
        if (!m_font)
            m_font.emplace(*m_plfFont);
        return &*m_font;
    }
    const CGridDefaultCell* pDefaultCell = GetDefaultCell();
    if (!pDefaultCell || pDefaultCell == this)
        return nullptr;
    return pDefaultCell->GetFontObject();
}

unsigned CGridCell::GetMargin() const {
    if (m_nMargin != kUnset)
        return m_nMargin;
    const CGridDefaultCell* pDefaultCell = GetDefaultCell();
    if (!pDefaultCell || pDefaultCell == this)
        return 0;
    return pDefaultCell->GetMargin();
}

void CGridCell::Reset() {
    CGridCellBase::Reset();
    m_strText.clear();
    m_nImage = -1;
    m_nFormat = kUnset;
    m_crFgClr = CLR_DEFAULT;
    m_crBkClr = CLR_DEFAULT;
    m_plfFont.reset();
    m_font.reset();
    m_nMargin = kUnset;
    m_bEditing = false;
    m_pGrid = nullptr;
    m_pEditWnd = nullptr;
}

bool CGridCell::Edit(int nRow, int nCol, Rect rect, Point, unsigned nID, unsigned nChar) {
    if (IsEditing()) {
        if (auto* pEdit = qobject_cast<CGridInPlaceEdit*>(m_pEditWnd.data()))
            pEdit->TypeKey(nChar);
        return true;
    }
    if (!GetGrid())
        return false;
    const unsigned nFormat = GetFormat();
    const unsigned dwStyle = (nFormat & DT_RIGHT) ? ES_RIGHT : (nFormat & DT_CENTER) ? ES_CENTER : ES_LEFT;
    m_bEditing = true;
    m_pEditWnd = new CGridInPlaceEdit(GetGrid(), rect, dwStyle, nID, nRow, nCol, GetText(), nChar);
    return true;
}

void CGridCell::OnEndEdit() {
    m_bEditing = false;
    m_pEditWnd = nullptr;
}

void CGridCell::EndEdit() {
    // An in-place editor offers an invokable EndEdit() that hands its text back to the grid.
    if (m_pEditWnd)
        QMetaObject::invokeMethod(m_pEditWnd.data(), "EndEdit");
}

CGridDefaultCell::CGridDefaultCell() {
    m_nFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    m_crFgClr = CLR_DEFAULT;
    m_crBkClr = CLR_DEFAULT;
    m_Size = Size(30, 10);
    const LOGFONT lf = GetMessageFont();
    SetFont(&lf);
}

CGridDefaultCell::~CGridDefaultCell() = default;

void CGridDefaultCell::SetFont(const LOGFONT* plf) {
    if (!plf)
        return;
    m_Font = Font(*plf);
    CGridCell::SetFont(plf);

    Dc screen;
    screen.SelectFont(m_Font);
    SetMargin(static_cast<unsigned>(screen.GetTextExtent(QStringLiteral(" ")).cx));
    m_Size = screen.GetTextExtent(QStringLiteral(" XXXXXXXXXXXX "));
    m_Size.cy = m_Size.cy * 3 / 2;
}

const LOGFONT* CGridDefaultCell::GetFont() const {
    return m_plfFont.get();
}

const Font* CGridDefaultCell::GetFontObject() const {
    return &m_Font;
}
