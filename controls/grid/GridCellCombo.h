#pragma once
// CGridCellCombo: a cell with a drop-down button that edits through an in-place drop-down list of
// options (CGridInPlaceList). With CBS_DROPDOWN (the default) the list has an edit field
// (CGridComboEdit) and typed text is accepted; with CBS_DROPDOWNLIST only an option can be picked.
// The begin-edit notification is where a dialog usually fills the options.

#include "controls/grid/GridCell.h"
#include "platform/gdi/Colour.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>

inline constexpr unsigned CBS_SIMPLE = 0x0001;
inline constexpr unsigned CBS_DROPDOWN = 0x0002;
inline constexpr unsigned CBS_DROPDOWNLIST = 0x0003;

class CGridInPlaceList;

// The edit field of a drop-down list; it hands the keys that end the edit to its list.
class CGridComboEdit : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int kEditId = 1001;

    explicit CGridComboEdit(CGridInPlaceList* pList);

    // The field's own handling of a key (text editing), for the list that routes keys here.
    void EditKey(QKeyEvent* e);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    CGridInPlaceList* m_pList;
};

class CGridInPlaceList : public QComboBox {
    Q_OBJECT

public:
    // `rect` is in the parent grid's client coordinates; colours of CLR_DEFAULT keep the palette's.
    CGridInPlaceList(QWidget* pParent, const gdi::Rect& rect, unsigned dwStyle, unsigned nID, int nRow,
                     int nColumn, gdi::COLORREF crFore, gdi::COLORREF crBack, const QStringList& Items,
                     const QString& sInitText, unsigned nFirstChar);
    ~CGridInPlaceList() override;

    // Sends the text to the grid (GVN_ENDLABELEDIT, lParam = the exit key) and closes the list; a
    // second call does nothing.
    Q_INVOKABLE void EndEdit();

    // Width of the dropped list: the widest option, a scroll bar and a "0", at most 200 pixels.
    int GetDroppedWidth() const;
    CGridComboEdit* GetEdit() const { return m_pEdit; }
    unsigned GetExitKey() const { return m_nLastChar; }
    int GetRow() const { return m_nRow; }
    int GetColumn() const { return m_nColumn; }
    const QString& GetInitText() const { return m_sInitText; }
    // The text the edit would end with now.
    QString GetResultText() const;

    // Types a key into the edit field as if pressed (a character replaces the selection).
    void TypeKey(unsigned nKey);
    // The key handling shared by the list and its edit field.
    void HandleKey(QKeyEvent* e);
    // Ends the edit when the focus has gone to a window outside the list.
    void FocusLost(QFocusEvent* e);

    void showPopup() override;

    static constexpr int kVisibleLines = 4;
    static constexpr int kMaxDroppedWidth = 200;

protected:
    bool event(QEvent* e) override;
    // The dropped list takes the keyboard; its keys are the edit's, as in a drop-down whose list
    // never holds the focus.
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void ExitWith(unsigned nKey);
    void RestoreInitText();
    void StepSelection(int delta);

    CGridComboEdit* m_pEdit = nullptr;
    QString m_sInitText;
    int m_nRow;
    int m_nColumn;
    unsigned m_nID;
    unsigned m_nLastChar = 0;
    bool m_bEnded = false;
};

class CGridCellCombo : public CGridCell {
public:
    static constexpr const char* ClassName = "CGridCellCombo";
    using BaseClass = CGridCell;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CGridCellCombo>(); }

    CGridCellCombo();
    ~CGridCellCombo() override;

    // The options become a copy of `ar`.
    void SetOptions(const QStringList& ar) { m_Strings = ar; }
    const QStringList& GetOptions() const { return m_Strings; }
    // CBS_DROPDOWN or CBS_DROPDOWNLIST.
    void SetStyle(unsigned dwStyle) { m_dwStyle = dwStyle; }
    unsigned GetStyle() const { return m_dwStyle; }

    // The list's edit field; none for a pick-only list or while no edit is open.
    QWidget* GetEditWnd() const override;
    CGridInPlaceList* GetInPlaceList() const;
    bool Draw(gdi::Dc* pDC, int nRow, int nCol, gdi::Rect rect, bool bEraseBkgnd = true) override;
    gdi::Size GetCellExtent(gdi::Dc* pDC) override;
    bool Edit(int nRow, int nCol, gdi::Rect rect, gdi::Point point, unsigned nID, unsigned nChar) override;
    void EndEdit() override;

protected:
    QStringList m_Strings;
    unsigned m_dwStyle = CBS_DROPDOWN;
};
