#include "controls/grid/GridCellCombo.h"

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridKeys.h"
#include "platform/gdi/System.h"
#include "platform/ui/Dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

#include <functional>

using namespace gdi;

namespace {

bool IsDialogKey(const QKeyEvent* e) {
    const int key = e->key();
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return || key == Qt::Key_Enter ||
           key == Qt::Key_Escape || (e->modifiers() & Qt::AltModifier);
}

// Keeps Tab, Enter, Escape and the Alt mnemonics from the dialog around the list; true when the
// event was taken.
bool TakeDialogKey(QEvent* e, const std::function<void(QKeyEvent*)>& onKey) {
    if (e->type() == QEvent::ShortcutOverride && IsDialogKey(static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            onKey(ke);
            return true;
        }
    }
    return false;
}

} // namespace

// ---- CGridComboEdit ----------------------------------------------------------------------------

CGridComboEdit::CGridComboEdit(CGridInPlaceList* pList) : QLineEdit(pList), m_pList(pList) {
    setObjectName(QStringLiteral("GridComboEdit"));
    ui::Dialog::SetDlgCtrlId(this, kEditId);
}

void CGridComboEdit::EditKey(QKeyEvent* e) {
    QLineEdit::keyPressEvent(e);
    e->accept();
}

bool CGridComboEdit::event(QEvent* e) {
    if (TakeDialogKey(e, [this](QKeyEvent* ke) { keyPressEvent(ke); }))
        return true;
    return QLineEdit::event(e);
}

void CGridComboEdit::keyPressEvent(QKeyEvent* e) {
    m_pList->HandleKey(e);
    e->accept();
}

void CGridComboEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    m_pList->FocusLost(e);
}

// ---- CGridInPlaceList --------------------------------------------------------------------------

CGridInPlaceList::CGridInPlaceList(QWidget* pParent, const Rect& rect, unsigned dwStyle, unsigned nID,
                                   int nRow, int nColumn, COLORREF crFore, COLORREF crBack,
                                   const QStringList& Items, const QString& sInitText, unsigned nFirstChar)
    : QComboBox(pParent), m_sInitText(sInitText), m_nRow(nRow), m_nColumn(nColumn), m_nID(nID) {
    setObjectName(QStringLiteral("GridInPlaceList"));
    ui::Dialog::SetDlgCtrlId(this, static_cast<int>(nID));
    const bool bPickOnly = (dwStyle & 0x3) == CBS_DROPDOWNLIST;
    setEditable(!bPickOnly);
    if (!bPickOnly) {
        m_pEdit = new CGridComboEdit(this);
        setLineEdit(m_pEdit);
        setCompleter(nullptr); // the list offers; it does not complete what is typed
    }
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(kVisibleLines);
    view()->installEventFilter(this);
    if (QWidget* pPopup = view()->parentWidget())
        pPopup->installEventFilter(this);

    auto* pGrid = qobject_cast<CGridCtrl*>(pParent);
    if (pGrid && pGrid->GetFont())
        setFont(pGrid->GetFont()->GetQFont());
    QPalette pal = palette();
    if (crFore != CLR_DEFAULT) {
        pal.setColor(QPalette::Text, ToQColor(crFore));
        pal.setColor(QPalette::ButtonText, ToQColor(crFore));
    }
    if (crBack != CLR_DEFAULT)
        pal.setColor(QPalette::Base, ToQColor(crBack));
    setPalette(pal);

    addItems(Items);
    // Only an option equal to the text is chosen: the text is never replaced by one that merely
    // begins with it, and an empty cell stays empty until the user picks.
    const int index = findText(sInitText);
    setCurrentIndex(index);
    if (index < 0 && m_pEdit)
        setEditText(sInitText);

    QPoint topLeft(rect.left, rect.top);
    if (pGrid)
        topLeft = pGrid->ClientToWidget(Point(rect.left, rect.top));
    setGeometry(QRect(topLeft, QSize(std::max(0, rect.Width()), std::max(0, rect.Height()))));
    show();

    if (m_pEdit) {
        m_pEdit->setFocus(Qt::OtherFocusReason);
        const bool bTyped = (nFirstChar & GK_CHAR) != 0;
        const unsigned code = nFirstChar & ~GK_CHAR;
        if (code == VK_RETURN || (!bTyped && code == VK_LBUTTON)) {
            m_pEdit->end(false);
        } else if (code == VK_BACK) {
            m_pEdit->end(false);
            m_pEdit->backspace();
        } else if ((!bTyped && IsNavigationKey(code)) || code == VK_TAB) {
            m_pEdit->selectAll();
        } else {
            m_pEdit->selectAll();
            TypeKey(nFirstChar);
        }
    } else {
        setFocus(Qt::OtherFocusReason);
    }
    showPopup();
}

CGridInPlaceList::~CGridInPlaceList() = default;

int CGridInPlaceList::GetDroppedWidth() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(itemText(i)));
    const int width = widest + GetSystemMetrics(SM_CXVSCROLL) + fm.horizontalAdvance(QLatin1Char('0'));
    return std::min(width, kMaxDroppedWidth);
}

void CGridInPlaceList::showPopup() {
    view()->setMinimumWidth(GetDroppedWidth());
    QComboBox::showPopup();
}

QString CGridInPlaceList::GetResultText() const {
    if (m_pEdit)
        return m_pEdit->text();
    // A pick-only list on which nothing was picked keeps the cell's text.
    return currentIndex() >= 0 ? currentText() : m_sInitText;
}

void CGridInPlaceList::TypeKey(unsigned nKey) {
    if (!m_pEdit)
        return;
    if ((nKey & ~GK_CHAR) == VK_BACK) {
        m_pEdit->backspace();
        return;
    }
    const QString text = FirstKeyText(nKey);
    if (!text.isEmpty())
        m_pEdit->insert(text);
}

void CGridInPlaceList::RestoreInitText() {
    setCurrentIndex(findText(m_sInitText));
    if (m_pEdit)
        setEditText(m_sInitText);
}

void CGridInPlaceList::StepSelection(int delta) {
    if (count() == 0)
        return;
    const int current = currentIndex();
    const int next = current < 0 ? 0 : std::clamp(current + delta, 0, count() - 1);
    setCurrentIndex(next);
}

void CGridInPlaceList::HandleKey(QKeyEvent* e) {
    e->accept();
    const unsigned vk = VirtualKeyOf(e->key());
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
    switch (vk) {
    case VK_TAB:
    case VK_RETURN:
        ExitWith(vk);
        return;
    case VK_ESCAPE:
        RestoreInitText();
        ExitWith(VK_ESCAPE);
        return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
        if (ctrl) {
            ExitWith(vk);
        } else if ((vk == VK_LEFT || vk == VK_RIGHT) && m_pEdit) {
            m_pEdit->EditKey(e);
        } else {
            const int step = vk == VK_PRIOR                   ? -kVisibleLines
                             : vk == VK_NEXT                  ? kVisibleLines
                             : (vk == VK_UP || vk == VK_LEFT) ? -1
                                                              : 1;
            StepSelection(step);
        }
        return;
    default:
        break;
    }
    if (m_pEdit)
        m_pEdit->EditKey(e);
    else
        QComboBox::keyPressEvent(e); // a pick-only list searches its options by the typed letters
    e->accept();
}

bool CGridInPlaceList::event(QEvent* e) {
    if (TakeDialogKey(e, [this](QKeyEvent* ke) { HandleKey(ke); }))
        return true;
    return QComboBox::event(e);
}

bool CGridInPlaceList::eventFilter(QObject* watched, QEvent* e) {
    const bool bPopup = watched == view() || watched == view()->parentWidget();
    if (!bPopup)
        return QComboBox::eventFilter(watched, e);
    if (e->type() == QEvent::ShortcutOverride) {
        e->accept();
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        HandleKey(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QComboBox::eventFilter(watched, e);
}

void CGridInPlaceList::keyPressEvent(QKeyEvent* e) {
    HandleKey(e);
}

void CGridInPlaceList::keyReleaseEvent(QKeyEvent* e) {
    QComboBox::keyReleaseEvent(e);
    e->accept();
}

void CGridInPlaceList::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    FocusLost(e);
}

void CGridInPlaceList::FocusLost(QFocusEvent* e) {
    // Its own list dropping down takes the focus for a while; that is no end of the edit.
    if (m_bEnded || e->reason() == Qt::PopupFocusReason)
        return;
    QWidget* pNow = QApplication::focusWidget();
    if (pNow && (pNow == this || isAncestorOf(pNow) || pNow == view() || view()->isAncestorOf(pNow)))
        return;
    EndEdit();
}

void CGridInPlaceList::ExitWith(unsigned nKey) {
    m_nLastChar = nKey;
    if (QWidget* pParent = parentWidget())
        pParent->setFocus(Qt::OtherFocusReason);
    EndEdit();
}

void CGridInPlaceList::EndEdit() {
    if (m_bEnded)
        return;
    m_bEnded = true;
    hidePopup();

    GRIDDISPINFO dispinfo;
    dispinfo.hdr.hwndFrom = this;
    dispinfo.hdr.idFrom = m_nID;
    dispinfo.hdr.code = GVN_ENDLABELEDIT;
    dispinfo.item.mask = GVIF_TEXT | GVIF_PARAM;
    dispinfo.item.row = m_nRow;
    dispinfo.item.col = m_nColumn;
    dispinfo.item.strText = GetResultText();
    dispinfo.item.lParam = static_cast<LPARAM>(m_nLastChar);

    QPointer<CGridInPlaceList> self(this);
    SendNotify(parentWidget(), static_cast<int>(m_nID), &dispinfo.hdr);
    if (self) {
        hide();
        deleteLater();
    }
}

// ---- CGridCellCombo ----------------------------------------------------------------------------

CGridCellCombo::CGridCellCombo() = default;
CGridCellCombo::~CGridCellCombo() = default;

CGridInPlaceList* CGridCellCombo::GetInPlaceList() const {
    return qobject_cast<CGridInPlaceList*>(m_pEditWnd.data());
}

QWidget* CGridCellCombo::GetEditWnd() const {
    CGridInPlaceList* pList = GetInPlaceList();
    return pList ? pList->GetEdit() : nullptr;
}

bool CGridCellCombo::Draw(Dc* pDC, int nRow, int nCol, Rect rect, bool bEraseBkgnd) {
    CGridCtrl* pGrid = GetGrid();
    const int cx = GetSystemMetrics(SM_CXVSCROLL);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    const bool bButton =
        pGrid && pGrid->IsCellEditable(nRow, nCol) && !IsEditing() && rect.Width() > cx && rect.Height() > cy;
    if (!bButton) {
        if (!IsEditing())
            return CGridCell::Draw(pDC, nRow, nCol, rect, bEraseBkgnd);
        // The open list shows the text; the cell beneath it draws none.
        const QString saved = m_strText;
        m_strText.clear();
        const bool bResult = CGridCell::Draw(pDC, nRow, nCol, rect, bEraseBkgnd);
        m_strText = saved;
        return bResult;
    }
    Rect textRect = rect;
    textRect.right -= cx;
    const bool bResult = CGridCell::Draw(pDC, nRow, nCol, textRect, bEraseBkgnd);
    if (pDC)
        pDC->DrawFrameControl(Rect(rect.right - cx, rect.top, rect.right, rect.top + cy), DFC_SCROLL,
                              DFCS_SCROLLDOWN);
    return bResult;
}

Size CGridCellCombo::GetCellExtent(Dc* pDC) {
    Size size = CGridCell::GetCellExtent(pDC);
    size.cx += GetSystemMetrics(SM_CXVSCROLL);
    size.cy += GetSystemMetrics(SM_CYHSCROLL);
    return size;
}

bool CGridCellCombo::Edit(int nRow, int nCol, Rect rect, Point, unsigned nID, unsigned nChar) {
    if (IsEditing()) {
        if (CGridInPlaceList* pList = GetInPlaceList())
            pList->TypeKey(nChar);
        return true;
    }
    if (!GetGrid())
        return false;
    const CGridDefaultCell* pDefault = GetDefaultCell();
    const COLORREF crFore = ResolveColour(GetTextClr(), pDefault ? pDefault->GetTextClr() : CLR_DEFAULT);
    const COLORREF crBack = ResolveColour(GetBackClr(), pDefault ? pDefault->GetBackClr() : CLR_DEFAULT);
    m_bEditing = true;
    m_pEditWnd = new CGridInPlaceList(GetGrid(), rect, GetStyle(), nID, nRow, nCol, crFore, crBack, m_Strings,
                                      GetText(), nChar);
    return true;
}

void CGridCellCombo::EndEdit() {
    if (CGridInPlaceList* pList = GetInPlaceList())
        pList->EndEdit();
}
