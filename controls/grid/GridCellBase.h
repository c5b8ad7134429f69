#pragma once
// The interface of every grid cell, with the drawing, measuring and printing that all cells share.
// Derived classes store the attributes; a value a cell leaves unset (CLR_DEFAULT, format or
// margin -1, no font) is taken from the grid's default cell of the cell's kind.

#include "controls/grid/GridNotify.h"
#include "controls/grid/RuntimeClass.h"
#include "platform/gdi/Colour.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Types.h"

#include <QString>

class CGridCtrl;
class CGridDefaultCell;
class QWidget;

class CGridCellBase : public CObject {
public:
    static constexpr const char* ClassName = "CGridCellBase";
    using BaseClass = CObject;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CGridCellBase>(); }

    CGridCellBase() = default;
    ~CGridCellBase() override = default;
    CGridCellBase(const CGridCellBase&) = delete;
    // Copies the attributes through the virtual interface (Assign).
    CGridCellBase& operator=(const CGridCellBase& cell) {
        Assign(cell);
        return *this;
    }

    // Attributes.
    virtual void SetText(const QString& text) = 0;
    virtual void SetImage(int nImage) = 0;
    virtual void SetData(LPARAM lParam) = 0;
    virtual void SetState(unsigned nState) { m_nState = nState; }
    virtual void SetFormat(unsigned nFormat) = 0;
    virtual void SetTextClr(gdi::COLORREF clr) = 0;
    virtual void SetBackClr(gdi::COLORREF clr) = 0;
    // Null drops the cell's own font.
    virtual void SetFont(const gdi::LOGFONT* plf) = 0;
    virtual void SetMargin(unsigned nMargin) = 0;
    virtual void SetGrid(CGridCtrl* pGrid) = 0;
    virtual void SetCoords(int nRow, int nCol) = 0;

    // A reference to the cell's own text; valid until the text changes.
    virtual const QString& GetText() const = 0;
    virtual QString GetTipText() const { return GetText(); }
    virtual int GetImage() const = 0;
    virtual LPARAM GetData() const = 0;
    virtual unsigned GetState() const { return m_nState; }
    virtual unsigned GetFormat() const = 0;
    virtual gdi::COLORREF GetTextClr() const = 0;
    virtual gdi::COLORREF GetBackClr() const = 0;
    virtual const gdi::LOGFONT* GetFont() const = 0;
    virtual const gdi::Font* GetFontObject() const = 0;
    virtual CGridCtrl* GetGrid() const = 0;
    virtual QWidget* GetEditWnd() const = 0;
    virtual unsigned GetMargin() const = 0;
    // The grid's default cell for this cell's kind (fixed row? fixed column?), null without grid.
    virtual CGridDefaultCell* GetDefaultCell() const;
    virtual bool IsDefaultFont() const = 0;
    virtual bool IsEditing() const = 0;

    virtual bool IsFocused() const { return m_nState & GCS_FOCUSED; }
    virtual bool IsFixed() const { return m_nState & GCS_FIXED; }
    virtual bool IsFixedCol() const { return m_nState & GCS_FIXEDCOL; }
    virtual bool IsFixedRow() const { return m_nState & GCS_FIXEDROW; }
    virtual bool IsSelected() const { return m_nState & GCS_SELECTED; }
    virtual bool IsReadOnly() const { return m_nState & GCS_READONLY; }
    virtual bool IsModified() const { return m_nState & GCS_MODIFIED; }
    virtual bool IsDropHighlighted() const { return m_nState & GCS_DROPHILITED; }

    // Copies grid, text, image, data, state, format, colours, font and margin from `cell`.
    virtual void Assign(const CGridCellBase& cell);
    virtual void Reset() { m_nState = 0; }

    // Drawing and measuring; `rect` is the cell's rectangle with right and bottom included.
    virtual bool Draw(gdi::Dc* pDC, int nRow, int nCol, gdi::Rect rect, bool bEraseBkgnd = true);
    virtual bool GetTextRect(gdi::Rect* pRect);
    virtual bool GetTipTextRect(gdi::Rect* pRect) { return GetTextRect(pRect); }
    // The size the cell needs to show `text`; with a null DC the grid's is used.
    virtual gdi::Size GetTextExtent(const QString& text, gdi::Dc* pDC = nullptr);
    virtual gdi::Size GetCellExtent(gdi::Dc* pDC);

    // Editing: the in-place editor is opened by the cell; the base cell cannot be edited.
    virtual bool Edit(int nRow, int nCol, gdi::Rect rect, gdi::Point point, unsigned nID, unsigned nChar) {
        return false;
    }
    virtual bool ValidateEdit(const QString& str) { return true; }
    virtual void EndEdit() {}

    virtual bool PrintCell(gdi::Dc* pDC, int nRow, int nCol, gdi::Rect rect);

    virtual void OnEndEdit() {}
    virtual void OnMouseEnter() {}
    virtual void OnMouseOver() {}
    virtual void OnMouseLeave() {}
    // Points are relative to the cell's top-left corner.
    virtual void OnClick(gdi::Point pointCellRelative) {}
    virtual void OnClickDown(gdi::Point pointCellRelative) {}
    virtual void OnRClick(gdi::Point pointCellRelative) {}
    virtual void OnDblClick(gdi::Point pointCellRelative) {}
    // Sets the cursor for the cell; true when it did.
    virtual bool OnSetCursor();

    // Sends a grid notification about this cell to the grid's owner; 0 without grid.
    LRESULT NotifyParent(int nRow, int nCol, int nMessage);

protected:
    unsigned m_nState = 0;
};
