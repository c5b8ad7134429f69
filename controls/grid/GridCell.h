#pragma once
// The ordinary grid cell, which stores its own text and attributes, and the default cell that
// holds the values every cell of one kind (normal, fixed row, fixed column, corner) falls back on.

#include "controls/grid/GridCellBase.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class CGridCell : public CGridCellBase {
public:
    static constexpr const char* ClassName = "CGridCell";
    using BaseClass = CGridCellBase;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CGridCell>(); }

    // "Unset" for format and margin.
    static constexpr unsigned kUnset = static_cast<unsigned>(-1);

    CGridCell();
    ~CGridCell() override;
    using CGridCellBase::operator=;

    void SetText(const QString& text) override { m_strText = text; }
    void SetImage(int nImage) override { m_nImage = nImage; }
    void SetData(LPARAM lParam) override { m_lParam = lParam; }
    void SetFormat(unsigned nFormat) override { m_nFormat = nFormat; }
    void SetTextClr(gdi::COLORREF clr) override { m_crFgClr = clr; }
    void SetBackClr(gdi::COLORREF clr) override { m_crBkClr = clr; }
    void SetFont(const gdi::LOGFONT* plf) override;
    void SetMargin(unsigned nMargin) override { m_nMargin = nMargin; }
    void SetGrid(CGridCtrl* pGrid) override { m_pGrid = pGrid; }
    void SetCoords(int nRow, int nCol) override {}

    const QString& GetText() const override { return m_strText; }
    int GetImage() const override { return m_nImage; }
    LPARAM GetData() const override { return m_lParam; }
    unsigned GetFormat() const override;
    gdi::COLORREF GetTextClr() const override { return m_crFgClr; }
    gdi::COLORREF GetBackClr() const override { return m_crBkClr; }
    const gdi::LOGFONT* GetFont() const override;
    const gdi::Font* GetFontObject() const override;
    CGridCtrl* GetGrid() const override { return m_pGrid; }
    QWidget* GetEditWnd() const override { return m_pEditWnd; }
    unsigned GetMargin() const override;
    bool IsDefaultFont() const override { return !m_plfFont; }
    // An editor that went away without its end reaching the cell leaves no edit behind.
    bool IsEditing() const override { return m_bEditing && m_pEditWnd; }

    void Reset() override;
    // Opens a CGridInPlaceEdit over `rect`, aligned as the text is; while one is open, a typed
    // character goes to it.
    bool Edit(int nRow, int nCol, gdi::Rect rect, gdi::Point point, unsigned nID, unsigned nChar) override;
    void OnEndEdit() override;
    void EndEdit() override;

protected:
    QString m_strText;
    LPARAM m_lParam = 0;
    int m_nImage = -1;
    unsigned m_nFormat = kUnset;
    gdi::COLORREF m_crFgClr = gdi::CLR_DEFAULT;
    gdi::COLORREF m_crBkClr = gdi::CLR_DEFAULT;
    std::unique_ptr<gdi::LOGFONT> m_plfFont;
    unsigned m_nMargin = kUnset;
    bool m_bEditing = false;
    CGridCtrl* m_pGrid = nullptr;
    // The open editor; it deletes itself when its edit ends.
    QPointer<QWidget> m_pEditWnd;

private:
    // The realised font of m_plfFont, made when first asked for.
    mutable std::optional<gdi::Font> m_font;
};

class CGridDefaultCell : public CGridCell {
public:
    static constexpr const char* ClassName = "CGridDefaultCell";
    using BaseClass = CGridCell;
    const CRuntimeClass* GetRuntimeClass() const override { return RuntimeClass<CGridDefaultCell>(); }

    CGridDefaultCell();
    ~CGridDefaultCell() override;

    int GetWidth() const { return m_Size.cx; }
    int GetHeight() const { return m_Size.cy; }
    void SetWidth(int nWidth) { m_Size.cx = nWidth; }
    void SetHeight(int nHeight) { m_Size.cy = nHeight; }

    // A default cell is never edited and belongs to no place of the grid.
    unsigned GetState() const override { return m_nState | GCS_READONLY; }
    void SetState(unsigned) override {}
    void SetData(LPARAM) override {}
    void SetCoords(int, int) override {}

    // Re-creates the font object and measures it: margin = width of a blank, width = extent of
    // " XXXXXXXXXXXX ", height = 3/2 of its height.
    void SetFont(const gdi::LOGFONT* plf) override;
    const gdi::LOGFONT* GetFont() const override;
    const gdi::Font* GetFontObject() const override;

private:
    gdi::Size m_Size{30, 10};
    gdi::Font m_Font;
};
