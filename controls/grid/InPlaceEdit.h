#pragma once
// CGridInPlaceEdit: the edit field that a cell opens over itself to edit its text in place. It
// lives from the cell's Edit until it loses the focus; then it hands its text and the key that
// ended it to the grid (WM_NOTIFY GVN_ENDLABELEDIT with a GRIDDISPINFO, lParam = the key) and
// deletes itself. It keeps Tab, Enter and Escape to itself, also inside a dialog.

#include "platform/gdi/Types.h"

#include <QLineEdit>
#include <QString>

// Edit styles.
inline constexpr unsigned ES_LEFT = 0x0000;
inline constexpr unsigned ES_CENTER = 0x0001;
inline constexpr unsigned ES_RIGHT = 0x0002;
inline constexpr unsigned ES_NUMBER = 0x2000;

class CGridInPlaceEdit : public QLineEdit {
    Q_OBJECT

public:
    // `rect` is in the parent grid's client coordinates (the parent's own when it is no grid);
    // `nFirstChar` is the key that opened the editor (controls/grid/GridKeys.h).
    CGridInPlaceEdit(QWidget* pParent, const gdi::Rect& rect, unsigned dwStyle, unsigned nID, int nRow,
                     int nColumn, const QString& sInitText, unsigned nFirstChar);
    ~CGridInPlaceEdit() override;

    // Sends the text to the grid and closes the editor; a second call does nothing.
    Q_INVOKABLE void EndEdit();

    // Types a key as if it had been pressed: a character replaces the selection (for a numeric
    // editor only digits); Backspace deletes; other virtual keys do nothing.
    void TypeKey(unsigned nKey);
    // Pastes the clipboard's text at the caret (digits only in a numeric editor).
    void PasteText();

    int GetRow() const { return m_nRow; }
    int GetColumn() const { return m_nColumn; }
    unsigned GetLastChar() const { return m_nLastChar; }
    bool GetExitOnArrows() const { return m_bExitOnArrows; }
    bool IsNumeric() const { return (m_dwStyle & ES_NUMBER) != 0; }
    // The editor's rectangle in the grid's client coordinates (widened while typing).
    const gdi::Rect& GetEditRect() const { return m_Rect; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void ExitWith(unsigned nKey);
    void InsertTyped(const QString& text);
    // Widens the editor to its text plus two blanks, up to the grid's right edge.
    void FitToText();
    bool Refuses(const QString& text) const;

    int m_nRow;
    int m_nColumn;
    QString m_sInitText;
    unsigned m_dwStyle;
    unsigned m_nID;
    bool m_bExitOnArrows;
    unsigned m_nLastChar = 0;
    gdi::Rect m_Rect;
    bool m_bEnded = false;
};
