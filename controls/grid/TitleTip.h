#pragma once
// CGridTitleTip: a borderless popup over a cell whose text is clipped, showing the whole text.
// It lets every mouse event through to the grid below it (so a click on the tip is a click on
// the cell); the grid hides it when the pointer leaves the hover rectangle, on any click or key,
// on scrolling and when an edit begins.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Types.h"

#include <QString>
#include <QWidget>

#include <optional>

class CGridTitleTip : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* WindowClassName = "BreltTitleTip";

    CGridTitleTip();
    ~CGridTitleTip() override;

    // Attaches the tip to the window whose client coordinates Show takes.
    virtual bool Create(QWidget* pParentWnd);
    // Shows `strTitle` over `rectTitle` (parent client coordinates) when it does not fit there.
    // The hover rectangle defaults to the title rectangle.
    void Show(gdi::Rect rectTitle, const QString& strTitle, int xoffset = 0,
              const gdi::Rect* lpHoverRect = nullptr, const gdi::LOGFONT* lpLogFont = nullptr,
              gdi::COLORREF crTextClr = gdi::CLR_DEFAULT, gdi::COLORREF crBackClr = gdi::CLR_DEFAULT);
    void Hide();
    bool DestroyWindow();

    bool IsCreated() const { return m_bCreated; }
    // Shown text, padded with a blank on each side.
    const QString& GetText() const { return m_strText; }
    // The hover rectangle in the parent's client coordinates.
    const gdi::Rect& GetHoverRect() const { return m_rectHover; }
    // Called by the parent for each mouse move (client coordinates): outside the hover rectangle
    // the tip hides. True when it was visible and hid.
    bool OnParentMouseMove(gdi::Point point);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QWidget* m_pParentWnd = nullptr;
    gdi::Rect m_rectHover;
    bool m_bCreated = false;
    QString m_strText;
    std::optional<gdi::Font> m_font;
    gdi::COLORREF m_crText = gdi::CLR_DEFAULT;
    gdi::COLORREF m_crBack = gdi::CLR_DEFAULT;
};
