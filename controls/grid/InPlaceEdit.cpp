#include "controls/grid/InPlaceEdit.h"

#include "controls/grid/GridCtrl.h"
#include "controls/grid/GridKeys.h"
#include "platform/ui/Sound.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

using namespace gdi;

namespace {

QRect WidgetRect(QWidget* parent, const Rect& rect) {
    QPoint topLeft(rect.left, rect.top);
    if (auto* pGrid = qobject_cast<CGridCtrl*>(parent))
        topLeft = pGrid->ClientToWidget(Point(rect.left, rect.top));
    return QRect(topLeft, QSize(std::max(0, rect.Width()), std::max(0, rect.Height())));
}

int ParentClientRight(QWidget* parent) {
    if (auto* pGrid = qobject_cast<CGridCtrl*>(parent)) {
        Rect client;
        pGrid->GetClientRect(&client);
        return client.right;
    }
    return parent ? parent->width() : 0;
}

bool IsDigitText(const QString& text) {
    for (const QChar ch : text)
        if (ch.unicode() >= 0x20 && (ch < QLatin1Char('0') || ch > QLatin1Char('9')))
            return false;
    return true;
}

} // namespace

CGridInPlaceEdit::CGridInPlaceEdit(QWidget* pParent, const Rect& rect, unsigned dwStyle, unsigned nID,
                                   int nRow, int nColumn, const QString& sInitText, unsigned nFirstChar)
    : QLineEdit(pParent), m_nRow(nRow), m_nColumn(nColumn), m_sInitText(sInitText), m_dwStyle(dwStyle),
      m_nID(nID), m_bExitOnArrows(nFirstChar != VK_LBUTTON), m_Rect(rect) {
    setObjectName(QStringLiteral("GridInPlaceEdit"));
    setFrame(false);
    setTextMargins(2, 0, 2, 0);
    if (auto* pGrid = qobject_cast<CGridCtrl*>(pParent); pGrid && pGrid->GetFont())
        setFont(pGrid->GetFont()->GetQFont());
    if (dwStyle & ES_RIGHT)
        setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    else if (dwStyle & ES_CENTER)
        setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (IsNumeric())
        setContextMenuPolicy(Qt::NoContextMenu); // its paste would bypass the digit filter
    setGeometry(WidgetRect(pParent, m_Rect));
    setText(sInitText);
    show();
    setFocus(Qt::OtherFocusReason);

    switch (ClassifyFirstKey(nFirstChar)) {
    case FirstKeyAction::CaretAtEnd:
        end(false);
        break;
    case FirstKeyAction::Backspace:
        end(false);
        backspace();
        break;
    case FirstKeyAction::SelectAll:
        selectAll();
        break;
    case FirstKeyAction::ReplaceWithKey:
        selectAll();
        InsertTyped(FirstKeyText(nFirstChar));
        break;
    }
}

CGridInPlaceEdit::~CGridInPlaceEdit() = default;

bool CGridInPlaceEdit::Refuses(const QString& text) const {
    return IsNumeric() && !IsDigitText(text);
}

void CGridInPlaceEdit::InsertTyped(const QString& text) {
    if (text.isEmpty())
        return;
    if (Refuses(text)) {
        ui::MessageBeep();
        return;
    }
    insert(text);
    FitToText();
}

void CGridInPlaceEdit::TypeKey(unsigned nKey) {
    if (ClassifyFirstKey(nKey) == FirstKeyAction::Backspace) {
        backspace();
        return;
    }
    if (ClassifyFirstKey(nKey) == FirstKeyAction::ReplaceWithKey || nKey == CharKey(U' '))
        InsertTyped(FirstKeyText(nKey));
}

void CGridInPlaceEdit::PasteText() {
    QString text = QApplication::clipboard()->text();
    if (IsNumeric()) {
        QString digits;
        for (const QChar ch : text)
            if (ch >= QLatin1Char('0') && ch <= QLatin1Char('9'))
                digits += ch;
        text = digits;
    }
    if (!text.isEmpty()) {
        insert(text);
        FitToText();
    }
}

void CGridInPlaceEdit::FitToText() {
    const int extent = fontMetrics().horizontalAdvance(text() + QStringLiteral("  "));
    if (extent <= m_Rect.Width())
        return;
    m_Rect.right = std::min(m_Rect.left + extent, ParentClientRight(parentWidget()));
    setGeometry(WidgetRect(parentWidget(), m_Rect));
}

bool CGridInPlaceEdit::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        switch (static_cast<QKeyEvent*>(e)->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // Neither a dialog's shortcuts nor its default button may take these from the editor.
            e->accept();
            return true;
        default:
            // Alt+letter would reach the dialog's mnemonics and end the edit under the user.
            if (static_cast<QKeyEvent*>(e)->modifiers() & Qt::AltModifier) {
                e->accept();
                return true;
            }
            break;
        }
    } else if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            // Before QWidget's focus chain sees it.
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        }
    }
    return QLineEdit::event(e);
}

void CGridInPlaceEdit::keyPressEvent(QKeyEvent* e) {
    e->accept();
    const unsigned vk = VirtualKeyOf(e->key());
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
    switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        if (m_bExitOnArrows || ctrl)
            ExitWith(vk);
        else
            QLineEdit::keyPressEvent(e);
        e->accept(); // Up and Down stay here even when the edit field does nothing with them
        return;
    case VK_TAB:
    case VK_RETURN:
        ExitWith(vk);
        return;
    case VK_ESCAPE:
        setText(m_sInitText);
        ExitWith(VK_ESCAPE);
        return;
    default:
        break;
    }

    if (e->matches(QKeySequence::Paste)) {
        PasteText();
        return;
    }
    if (Refuses(e->text())) {
        ui::MessageBeep();
        return;
    }
    QLineEdit::keyPressEvent(e);
    e->accept();
    if (!e->text().isEmpty())
        FitToText();
}

void CGridInPlaceEdit::keyReleaseEvent(QKeyEvent* e) {
    QLineEdit::keyReleaseEvent(e);
    e->accept();
}

void CGridInPlaceEdit::inputMethodEvent(QInputMethodEvent* e) {
    if (Refuses(e->commitString())) {
        ui::MessageBeep();
        e->setCommitString(QString());
    }
    QLineEdit::inputMethodEvent(e);
    if (!e->commitString().isEmpty())
        FitToText();
}

void CGridInPlaceEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // A popup of the editor's own (its context menu) is no end of the edit.
    if (e->reason() != Qt::PopupFocusReason)
        EndEdit();
}

void CGridInPlaceEdit::paintEvent(QPaintEvent* e) {
    QLineEdit::paintEvent(e);
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CGridInPlaceEdit::ExitWith(unsigned nKey) {
    m_nLastChar = nKey;
    if (QWidget* pParent = parentWidget())
        pParent->setFocus(Qt::OtherFocusReason);
    // The focus change ends the edit; in a window that is not active it brings no focus event.
    EndEdit();
}

void CGridInPlaceEdit::EndEdit() {
    static bool s_bAlreadyEnding = false;
    if (m_bEnded || s_bAlreadyEnding)
        return;
    m_bEnded = true;
    s_bAlreadyEnding = true;

    GRIDDISPINFO dispinfo;
    dispinfo.hdr.hwndFrom = this;
    dispinfo.hdr.idFrom = m_nID;
    dispinfo.hdr.code = GVN_ENDLABELEDIT;
    dispinfo.item.mask = GVIF_TEXT | GVIF_PARAM;
    dispinfo.item.row = m_nRow;
    dispinfo.item.col = m_nColumn;
    dispinfo.item.strText = text();
    dispinfo.item.lParam = static_cast<LPARAM>(m_nLastChar);

    QPointer<CGridInPlaceEdit> self(this);
    SendNotify(parentWidget(), static_cast<int>(m_nID), &dispinfo.hdr);
    s_bAlreadyEnding = false;
    if (self) {
        hide();
        deleteLater();
    }
}
