#pragma once
// The skinned push button: an owner-drawn button that paints its own face in three state colours,
// a 3-D or flat border, an icon or a masked bitmap beside or above its caption, and the caption.
// A flat button lights up while the mouse is over it. It can act as a two-state check button,
// open a link when clicked, or drop down a popup menu whose choice it posts to its owner as a
// command; it carries its own tooltip, and it can paint over a saved copy of its parent's
// background so that it looks transparent on a dialog with a background picture.

#include "platform/gdi/Colour.h"
#include "platform/gdi/OwnerDraw.h"
#include "platform/gdi/Types.h"

#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QMenu;

namespace gdi {
class Dc;
}

// Button styles, as a dialog template gives them.
inline constexpr unsigned BS_PUSHBUTTON = 0x0;
inline constexpr unsigned BS_DEFPUSHBUTTON = 0x1;
inline constexpr unsigned BS_CHECKBOX = 0x2;
inline constexpr unsigned BS_AUTOCHECKBOX = 0x3;
inline constexpr unsigned BS_OWNERDRAW = 0xB;
inline constexpr unsigned BS_TYPEMASK = 0x1F;

// Button messages and dialog codes.
inline constexpr unsigned WM_GETDLGCODE = 0x0087;
inline constexpr unsigned BM_GETCHECK = 0x00F0;
inline constexpr unsigned BM_SETCHECK = 0x00F1;
inline constexpr unsigned BM_SETSTYLE = 0x00F4;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;
inline constexpr int DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr int DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr int DLGC_BUTTON = 0x2000;

class CSkinButton : public QPushButton {
    Q_OBJECT
public:
    // Results of the setters.
    enum Result {
        BTNST_OK = 0,
        BTNST_INVALIDRESOURCE = 1, // a resource or image that cannot be used
        BTNST_FAILEDMASK = 2,
        BTNST_INVALIDINDEX = 3,     // colour index outside 0 to 5
        BTNST_INVALIDPLACEMENT = 4, // image placement above 3
        BTNST_BADPARAM = 5,         // shade out of range, or no transparent background
        BTNST_INVALIDPRESSSTYLE = 6,
    };

    // The second image: a grey or a darkened copy of the first, made here.
    static constexpr int GREY_COPY = -2;
    static constexpr int DARK_COPY = -3;

    // State colours: background and text while hovered or pressed, at rest, while focused.
    enum StateColour {
        BTNST_COLOR_BK_IN = 0,
        BTNST_COLOR_FG_IN = 1,
        BTNST_COLOR_BK_OUT = 2,
        BTNST_COLOR_FG_OUT = 3,
        BTNST_COLOR_BK_FOCUS = 4,
        BTNST_COLOR_FG_FOCUS = 5,
        BTNST_MAX_COLORS = 6,
    };

    // Takes over a push button of template style `style` (a BS_ type and flags): a default push
    // button becomes the default button, a style with the check-box bit a check button.
    explicit CSkinButton(const QString& text = QString(), QWidget* parent = nullptr,
                         unsigned style = BS_PUSHBUTTON);
    ~CSkinButton() override;

    // Images. Icons come from the program's icon resources, at their own size when cx and cy are
    // 0; the second image is another icon, GREY_COPY, DARK_COPY or 0 for none. The first is shown
    // while hovered, pressed or checked, the second at rest.
    int SetIcon(int firstId, int secondId = 0);
    int LoadIcons(int firstId, int firstCx, int firstCy, int secondId, int secondCx, int secondCy);
    int SetIconHandles(const QImage& first, const QImage& second);
    int SetIconHandles(const QImage& first, int secondCode);
    // Bitmaps drawn through a mask: pixels of the transparent colour are left out.
    int LoadBitmaps(int firstId, gdi::COLORREF firstTransparent, int secondId = 0,
                    gdi::COLORREF secondTransparent = 0);
    int SetBitmapHandles(const QImage& first, gdi::COLORREF firstTransparent, const QImage& second,
                         gdi::COLORREF secondTransparent);
    int SetBitmapHandles(const QImage& first, gdi::COLORREF firstTransparent, int secondCode);

    int SetFlatLook(bool flat, bool repaint = true);
    int SetImagePlacement(int placement, bool repaint = true);
    int SetPressShift(int style, bool repaint = true);
    int SetFlatBorder(bool on, bool repaint = true);
    int SetFlatFocus(bool on, bool repaint = true);
    void SetHoverWhenInactive(bool on) { m_hoverWhenInactive = on; }

    // Check buttons only; an ordinary button keeps its state.
    int SetChecked(bool on, bool repaint = true);
    bool IsChecked() const { return m_checked; }

    int SetStateColour(int index, gdi::COLORREF colour, bool repaint = true);
    int GetStateColour(int index, gdi::COLORREF* colour) const;
    // Adds `shade` (-255 to 255) to each channel, held back so that no channel leaves 0 to 255.
    int ShadeStateColour(int index, int shade, bool repaint = true);
    int ResetStateColours(bool repaint = true);

    // A cursor resource shown over the button; 0 for none.
    int SetHoverCursor(int cursorId, bool repaint = true);
    // The link opened by a click, cut to 260 bytes; an empty text clears it.
    int SetLinkTarget(const QString& url);
    QString GetLinkTarget() const { return m_url; }

    // The first popup of menu resource `menuId` drops down on a click; its choice is posted to
    // `owner` as WM_COMMAND. 0 removes the menu.
    int SetMenu(int menuId, QObject* owner, bool repaint = true);
    // Sent to `window` just before the menu opens: wParam the popup (QMenu*), lParam `parameter`.
    int SetMenuNotify(QObject* window, unsigned message, std::intptr_t parameter);

    // The sound of a hover or a click: a file name, or a resource name of `module` when one is
    // given; an empty name clears it.
    int SetButtonSound(const QString& name, const QString& module, bool forClick, bool asynchronous = true);

    void SetTooltipText(const QString& text, bool activate = true);
    void SetTooltipText(int stringId, bool activate = true);
    void ShowTooltip(bool on);
    void UseBalloonTooltip() { m_tooltipStyle |= 0x40; }
    QString GetTooltipText() const { return m_tooltipText; }

    bool IsDefaultButton() const { return m_isDefault; }
    // Resizes the button to its first image and drops the image margin.
    void FitToImage();

    // Paints over the parent's background from now on; the copy is taken anew at the next paint.
    int SetTransparent(bool repaint = true);
    // For a transparent button: takes the part of `picture` (the parent's client area, as the
    // bitmap dialog hands it out) under the button as its background. BTNST_BADPARAM when the
    // button is not transparent or there is no picture.
    int SetBkFromDC(const QImage& picture);

    // Paints the button's face for `itemState` (ODS_ bits) in the rectangle of its client area.
    virtual void DrawItem(gdi::Dc& dc, unsigned itemState);

    // The state of the current paint, for tests.
    bool IsHovered() const { return m_hover; }
    bool IsMenuShown() const { return m_menuShown; }
    QMenu* GetMenu() const { return m_menu.get(); }
    const QImage& GetIconImage(int entry) const { return m_icons.at(static_cast<std::size_t>(entry)).image; }
    const QImage& GetSavedBackground() const { return m_background; }
    unsigned GetSoundFlags(bool forClick) const { return m_sounds[forClick ? 1 : 0].flags; }

    // Copies of an image: every pixel grey, or darkened by a quarter; pixels of `keep` (a
    // bitmap's transparent colour) stay as they are.
    static QImage GreyCopy(const QImage& image, gdi::COLORREF keep = gdi::CLR_NONE);
    static QImage DarkCopy(const QImage& image, gdi::COLORREF keep = gdi::CLR_NONE);

protected:
    virtual void DrawBackground(gdi::Dc& dc, gdi::Rect& rect);
    virtual void DrawBorder(gdi::Dc& dc, const gdi::Rect& rect);
    virtual void DrawIcon(gdi::Dc& dc, bool hasCaption, const gdi::Rect& itemRect, gdi::Rect& captionRect,
                          bool pressed, bool disabled);
    virtual void DrawBitmap(gdi::Dc& dc, bool hasCaption, const gdi::Rect& itemRect, gdi::Rect& captionRect,
                            bool pressed, bool disabled);
    virtual void DrawText(gdi::Dc& dc, const QString& caption, const gdi::Rect& itemRect,
                          gdi::Rect& captionRect, bool pressed, bool disabled);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    struct Icon {
        QImage image;
    };
    struct Bitmap {
        QImage bitmap;
        QImage mask; // white where the bitmap is transparent, black elsewhere
    };
    struct Sound {
        QString name;
        QString module;
        unsigned flags = 0;
    };

    void PreSubclassWindow(unsigned style);
    void OnClicked();
    void Hover(const QPoint& pos, Qt::MouseButtons buttons);
    void EndHover();
    void Repaint(bool repaint);
    void FreeImages();
    gdi::Rect PlaceImage(bool hasCaption, const gdi::Rect& itemRect, gdi::Rect& captionRect, bool pressed,
                         int width, int height) const;
    int ChosenEntry(bool pressed, bool hasSecond) const;
    void SaveParentBackground();
    static Bitmap MakeMask(const QImage& bitmap, gdi::COLORREF transparent);

    gdi::Point m_imageMargin{3, 3};
    gdi::Point m_pressShift{1, 1};
    bool m_flat = true;
    bool m_hover = false;
    bool m_transparent = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;
    bool m_isDefault = false;
    bool m_isCheck = false;
    int m_placement = 0;
    bool m_flatBorder = true;
    bool m_flatFocus = false;
    std::array<gdi::COLORREF, BTNST_MAX_COLORS> m_colours{};
    QPointer<QObject> m_menuOwner;
    bool m_menuShown = false;
    std::unique_ptr<QMenu> m_menu;
    QString m_tooltipText;
    QImage m_background; // the parent's background under the button
    bool m_hoverWhenInactive = true;
    bool m_checked = false;
    unsigned m_styleType = 0x1F;
    unsigned m_tooltipStyle = 0;
    QString m_url;
    std::array<Icon, 2> m_icons;
    std::array<Bitmap, 2> m_bitmaps;
    QPointer<QObject> m_menuNotifyWindow;
    unsigned m_menuNotifyMessage = 0;
    std::intptr_t m_menuNotifyParameter = 0;
    std::array<Sound, 2> m_sounds; // 0 hover, 1 click
};
