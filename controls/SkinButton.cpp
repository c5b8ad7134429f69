#include "controls/SkinButton.h"

#include "controls/BitmapDialog.h"
#include "controls/Picture.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/System.h"
#include "platform/res/Menu.h"
#include "platform/res/StringTable.h"
#include "platform/text/Gbk.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Shell.h"
#include "platform/ui/Sound.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

namespace {

// Link texts and sound names are kept in records of this many bytes.
constexpr int kRecordBytes = 260;

QImage LoadImageResource(int id, const QString& type, int cx, int cy) {
    QByteArray data;
    if (!FindPictureResource(id, type, &data))
        return QImage();
    QImage image = LoadPictureData(data);
    if (image.isNull())
        return image;
    if (cx > 0 || cy > 0)
        image = image.scaled(cx > 0 ? cx : image.width(), cy > 0 ? cy : image.height(), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    return image;
}

// Every pixel through `change`, except those of `keep` (compared without alpha).
template <typename Change> QImage MapPixels(const QImage& source, gdi::COLORREF keep, Change change) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const gdi::COLORREF c = gdi::Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
            if (c == keep)
                continue;
            const gdi::COLORREF n = change(c);
            line[x] = qRgba(gdi::GetRValue(n), gdi::GetGValue(n), gdi::GetBValue(n), qAlpha(line[x]));
        }
    }
    return image;
}

void BuildMenu(QMenu* menu, const res::MenuItem& popup) {
    for (const res::MenuItem& item : popup.items) {
        switch (item.kind) {
        case res::MenuItem::Kind::Separator:
            menu->addSeparator();
            break;
        case res::MenuItem::Kind::Popup:
            BuildMenu(menu->addMenu(item.text), item);
            break;
        case res::MenuItem::Kind::Command:
            menu->addAction(item.text)->setData(item.id);
            break;
        }
    }
}

} // namespace

CSkinButton::CSkinButton(const QString& text, QWidget* parent, unsigned style) : QPushButton(text, parent) {
    // Every pixel is painted from the off-screen picture, the saved background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    ResetStateColours(false);
    PreSubclassWindow(style);
    // Connected first, so that the button's own handling runs before the dialog's.
    connect(this, &QPushButton::clicked, this, [this] { OnClicked(); });
}

CSkinButton::~CSkinButton() = default;

void CSkinButton::PreSubclassWindow(unsigned style) {
    m_styleType = style & BS_TYPEMASK;
    if (style & BS_CHECKBOX)
        m_isCheck = true;
    if (m_styleType == BS_DEFPUSHBUTTON) {
        m_isDefault = true;
        m_styleType = BS_PUSHBUTTON;
        setDefault(true);
    }
}

void CSkinButton::Repaint(bool repaint) {
    if (repaint)
        update();
}

// ---- images ------------------------------------------------------------------------------------

void CSkinButton::FreeImages() {
    m_icons = {};
    m_bitmaps = {};
}

QImage CSkinButton::GreyCopy(const QImage& image, gdi::COLORREF keep) {
    return MapPixels(image, keep, [](gdi::COLORREF c) { return gdi::Grey(c); });
}

QImage CSkinButton::DarkCopy(const QImage& image, gdi::COLORREF keep) {
    return MapPixels(image, keep, [](gdi::COLORREF c) { return gdi::Darken(c, 0.25); });
}

int CSkinButton::SetIcon(int firstId, int secondId) {
    return LoadIcons(firstId, 0, 0, secondId, 0, 0);
}

int CSkinButton::LoadIcons(int firstId, int firstCx, int firstCy, int secondId, int secondCx, int secondCy) {
    const QImage first =
        firstId ? LoadImageResource(firstId, QStringLiteral("ICON"), firstCx, firstCy) : QImage();
    if (firstId && first.isNull()) {
        FreeImages();
        update();
        return BTNST_INVALIDRESOURCE;
    }
    if (secondId == 0 || secondId == GREY_COPY || secondId == DARK_COPY)
        return SetIconHandles(first, secondId);
    const QImage second = LoadImageResource(secondId, QStringLiteral("ICON"), secondCx, secondCy);
    if (second.isNull()) {
        FreeImages();
        update();
        return BTNST_INVALIDRESOURCE;
    }
    return SetIconHandles(first, second);
}

int CSkinButton::SetIconHandles(const QImage& first, const QImage& second) {
    FreeImages();
    m_icons[0].image = first.convertToFormat(QImage::Format_ARGB32);
    if (!first.isNull())
        m_icons[1].image = second.isNull() ? QImage() : second.convertToFormat(QImage::Format_ARGB32);
    update();
    return BTNST_OK;
}

int CSkinButton::SetIconHandles(const QImage& first, int secondCode) {
    QImage second;
    if (secondCode == GREY_COPY)
        second = GreyCopy(first);
    else if (secondCode == DARK_COPY)
        second = DarkCopy(first);
    return SetIconHandles(first, second);
}

CSkinButton::Bitmap CSkinButton::MakeMask(const QImage& source, gdi::COLORREF transparent) {
    Bitmap b;
    b.bitmap = source.convertToFormat(QImage::Format_RGB32);
    b.mask = QImage(b.bitmap.size(), QImage::Format_RGB32);
    if (b.mask.isNull())
        return Bitmap{};
    const QRgb key =
        qRgb(gdi::GetRValue(transparent), gdi::GetGValue(transparent), gdi::GetBValue(transparent));
    for (int y = 0; y < b.bitmap.height(); ++y) {
        auto* pixels = reinterpret_cast<QRgb*>(b.bitmap.scanLine(y));
        auto* mask = reinterpret_cast<QRgb*>(b.mask.scanLine(y));
        for (int x = 0; x < b.bitmap.width(); ++x) {
            const bool clear = (pixels[x] & 0xFFFFFF) == (key & 0xFFFFFF);
            mask[x] = clear ? 0xFFFFFFFF : 0xFF000000;
            if (clear)
                pixels[x] = 0xFF000000; // so that SRCPAINT leaves the background showing through
        }
    }
    return b;
}

int CSkinButton::LoadBitmaps(int firstId, gdi::COLORREF firstTransparent, int secondId,
                             gdi::COLORREF secondTransparent) {
    const QImage first = firstId ? LoadImageResource(firstId, QStringLiteral("BITMAP"), 0, 0) : QImage();
    if (firstId && first.isNull()) {
        FreeImages();
        update();
        return BTNST_INVALIDRESOURCE;
    }
    if (secondId == 0 || secondId == GREY_COPY || secondId == DARK_COPY)
        return SetBitmapHandles(first, firstTransparent, secondId);
    const QImage second = LoadImageResource(secondId, QStringLiteral("BITMAP"), 0, 0);
    if (second.isNull()) {
        FreeImages();
        update();
        return BTNST_INVALIDRESOURCE;
    }
    return SetBitmapHandles(first, firstTransparent, second, secondTransparent);
}

int CSkinButton::SetBitmapHandles(const QImage& first, gdi::COLORREF firstTransparent, const QImage& second,
                                  gdi::COLORREF secondTransparent) {
    FreeImages();
    if (first.isNull()) {
        update();
        return BTNST_OK;
    }
    m_bitmaps[0] = MakeMask(first, firstTransparent);
    if (!second.isNull())
        m_bitmaps[1] = MakeMask(second, secondTransparent);
    if (m_bitmaps[0].mask.isNull() || (!second.isNull() && m_bitmaps[1].mask.isNull())) {
        FreeImages();
        update();
        return BTNST_FAILEDMASK;
    }
    update();
    return BTNST_OK;
}

int CSkinButton::SetBitmapHandles(const QImage& first, gdi::COLORREF firstTransparent, int secondCode) {
    QImage second;
    if (secondCode == GREY_COPY)
        second = GreyCopy(first, firstTransparent);
    else if (secondCode == DARK_COPY)
        second = DarkCopy(first, firstTransparent);
    return SetBitmapHandles(first, firstTransparent, second, firstTransparent);
}

void CSkinButton::FitToImage() {
    const QImage& image = !m_icons[0].image.isNull() ? m_icons[0].image : m_bitmaps[0].bitmap;
    if (!image.isNull())
        resize(image.size());
    m_imageMargin = {0, 0};
}

// ---- look ----------------------------------------------------------------------------------------

int CSkinButton::SetFlatLook(bool flat, bool repaint) {
    m_flat = flat;
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetImagePlacement(int placement, bool repaint) {
    if (placement < 0 || placement > 3)
        return BTNST_INVALIDPLACEMENT;
    m_placement = placement;
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetPressShift(int style, bool repaint) {
    if (style == 0)
        m_pressShift = {1, 1};
    else if (style == 1)
        m_pressShift = {0, 2};
    else
        return BTNST_INVALIDPRESSSTYLE;
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetFlatBorder(bool on, bool repaint) {
    m_flatBorder = on;
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetFlatFocus(bool on, bool repaint) {
    m_flatFocus = on;
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetChecked(bool on, bool repaint) {
    if (m_isCheck) {
        m_checked = on;
        Repaint(repaint);
    }
    return BTNST_OK;
}

int CSkinButton::SetStateColour(int index, gdi::COLORREF colour, bool repaint) {
    if (index < 0 || index >= BTNST_MAX_COLORS)
        return BTNST_INVALIDINDEX;
    m_colours[static_cast<std::size_t>(index)] = colour;
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::GetStateColour(int index, gdi::COLORREF* colour) const {
    if (index < 0 || index >= BTNST_MAX_COLORS)
        return BTNST_INVALIDINDEX;
    if (colour)
        *colour = m_colours[static_cast<std::size_t>(index)];
    return BTNST_OK;
}

int CSkinButton::ShadeStateColour(int index, int shade, bool repaint) {
    if (index < 0 || index >= BTNST_MAX_COLORS)
        return BTNST_INVALIDINDEX;
    if (shade < -255 || shade > 255)
        return BTNST_BADPARAM;
    gdi::COLORREF& c = m_colours[static_cast<std::size_t>(index)];
    const int r = gdi::GetRValue(c), g = gdi::GetGValue(c), b = gdi::GetBValue(c);
    // The channel nearest its bound limits the shade for all three, so the hue is kept.
    if (shade > 0)
        shade = std::min(shade, 255 - std::max({r, g, b}));
    else
        shade = std::max(shade, -std::min({r, g, b}));
    c = gdi::Rgb(r + shade, g + shade, b + shade);
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::ResetStateColours(bool repaint) {
    const gdi::COLORREF face = gdi::GetSysColor(gdi::COLOR_3DFACE);
    const gdi::COLORREF text = gdi::GetSysColor(gdi::COLOR_BTNTEXT);
    m_colours = {face, text, face, text, face, text};
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetHoverCursor(int cursorId, bool repaint) {
    unsetCursor();
    if (cursorId != 0) {
        const QImage image = LoadImageResource(cursorId, QStringLiteral("CURSOR"), 0, 0);
        if (image.isNull())
            return BTNST_INVALIDRESOURCE;
        setCursor(QCursor(QPixmap::fromImage(image)));
    }
    Repaint(repaint);
    return BTNST_OK;
}

// ---- link, menu, sound, tooltip ------------------------------------------------------------------

int CSkinButton::SetLinkTarget(const QString& url) {
    m_url = text::CutToGbkBytes(url, kRecordBytes);
    return BTNST_OK;
}

int CSkinButton::SetMenu(int menuId, QObject* owner, bool repaint) {
    m_menu.reset();
    m_menuOwner = owner;
    if (menuId != 0) {
        const std::optional<res::Menu> menu = res::LoadMenu(menuId);
        if (!menu || menu->items.empty() || menu->items.front().kind != res::MenuItem::Kind::Popup)
            return BTNST_INVALIDRESOURCE;
        m_menu = std::make_unique<QMenu>();
        BuildMenu(m_menu.get(), menu->items.front());
    }
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetMenuNotify(QObject* window, unsigned message, std::intptr_t parameter) {
    m_menuNotifyWindow = window;
    m_menuNotifyMessage = message;
    m_menuNotifyParameter = parameter;
    return BTNST_OK;
}

int CSkinButton::SetButtonSound(const QString& name, const QString& module, bool forClick,
                                bool asynchronous) {
    Sound& sound = m_sounds[forClick ? 1 : 0];
    if (name.isEmpty()) {
        sound = Sound{};
        return BTNST_OK;
    }
    sound.name = text::CutToGbkBytes(name, kRecordBytes);
    sound.module = module;
    sound.flags =
        (module.isEmpty() ? ui::SND_FILENAME : ui::SND_RESOURCE) | ui::SND_NODEFAULT | ui::SND_NOWAIT;
    if (asynchronous)
        sound.flags |= ui::SND_ASYNC;
    return BTNST_OK;
}

void CSkinButton::SetTooltipText(const QString& text, bool activate) {
    m_tooltipText = text;
    ShowTooltip(activate);
}

void CSkinButton::SetTooltipText(int stringId, bool activate) {
    const QString text = res::LoadString(stringId);
    if (!text.isEmpty())
        SetTooltipText(text, activate);
}

void CSkinButton::ShowTooltip(bool on) {
    setToolTip(on ? m_tooltipText : QString());
}

// ---- transparency ----------------------------------------------------------------------------------

int CSkinButton::SetTransparent(bool repaint) {
    m_transparent = true;
    m_background = QImage();
    Repaint(repaint);
    return BTNST_OK;
}

int CSkinButton::SetBkFromDC(const QImage& picture) {
    if (!m_transparent || picture.isNull())
        return BTNST_BADPARAM;
    const QImage part = picture.copy(geometry()).convertToFormat(QImage::Format_RGB32);
    // The dialog hands its background out after every paint; only a change needs a repaint.
    if (part != m_background) {
        m_background = part;
        update();
    }
    return BTNST_OK;
}

void CSkinButton::SaveParentBackground() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (const auto* dialog = qobject_cast<const CBitmapDialog*>(parent)) {
        m_background = dialog->ComposeBackground(dialog->size()).copy(geometry());
        return;
    }
    m_background = QImage(size(), QImage::Format_RGB32);
    m_background.fill(parent->palette().color(parent->backgroundRole()));
}

// ---- painting --------------------------------------------------------------------------------------

gdi::Rect CSkinButton::PlaceImage(bool hasCaption, const gdi::Rect& itemRect, gdi::Rect& captionRect,
                                  bool pressed, int width, int height) const {
    gdi::Rect image = itemRect;
    const auto centreX = [&] { image.left += (itemRect.Width() - width) / 2; };
    const auto centreY = [&] { image.top += (itemRect.Height() - height) / 2; };
    switch (m_placement) {
    case 0: // left of the caption
        if (hasCaption) {
            image.left += m_imageMargin.x;
            captionRect.left += m_imageMargin.x + width;
        } else {
            centreX();
        }
        centreY();
        break;
    case 1: // above the caption
        centreX();
        if (hasCaption) {
            image.top += m_imageMargin.y;
            captionRect.top += height;
        } else {
            centreY();
        }
        break;
    case 2: // right of the caption
        if (hasCaption) {
            captionRect.right = captionRect.right - (captionRect.left + m_imageMargin.x + width);
            captionRect.left = m_imageMargin.x;
            image.left = this->width() - m_imageMargin.x - width;
        } else {
            centreX();
        }
        centreY();
        break;
    default: // at the top-left corner
        break;
    }
    image.right = image.left + width;
    image.bottom = image.top + height;
    if (pressed && !m_isCheck)
        image.OffsetRect(m_pressShift.x, m_pressShift.y);
    return image;
}

int CSkinButton::ChosenEntry(bool pressed, bool hasSecond) const {
    // A check button shows its first image while checked or held down; hovering does not count.
    const bool active = m_isCheck ? pressed : (m_hover || pressed);
    return active || !hasSecond ? 0 : 1;
}

void CSkinButton::DrawItem(gdi::Dc& dc, unsigned itemState) {
    gdi::Rect itemRect(0, 0, width(), height());
    const bool selected = itemState & ODS_SELECTED;
    m_pressed = m_isCheck ? (selected || m_checked) : (selected || m_menuShown);
    m_focused = itemState & ODS_FOCUS;
    m_disabled = itemState & ODS_DISABLED;
    dc.SetBkMode(gdi::TRANSPARENT);

    if (m_transparent) {
        if (m_background.isNull())
            SaveParentBackground();
        if (!m_background.isNull()) {
            const gdi::BitmapDc saved(m_background);
            dc.BitBlt(0, 0, itemRect.Width(), itemRect.Height(), &saved, 0, 0, gdi::SRCCOPY);
        }
    } else {
        DrawBackground(dc, itemRect);
    }
    DrawBorder(dc, itemRect);

    const QString caption = text();
    const bool hasCaption = !caption.isEmpty();
    gdi::Rect captionRect = itemRect;
    if (!m_icons[0].image.isNull())
        DrawIcon(dc, hasCaption, itemRect, captionRect, m_pressed, m_disabled);
    if (!m_bitmaps[0].bitmap.isNull()) {
        dc.SetBkColor(gdi::Rgb(255, 255, 255));
        DrawBitmap(dc, hasCaption, itemRect, captionRect, m_pressed, m_disabled);
    }
    if (hasCaption)
        DrawText(dc, caption, itemRect, captionRect, m_pressed, m_disabled);

    if (m_focused && (!m_flat || m_flatFocus)) {
        gdi::Rect focus = itemRect;
        focus.DeflateRect(3, 3);
        dc.DrawFocusRect(focus);
    }
}

void CSkinButton::DrawBackground(gdi::Dc& dc, gdi::Rect& rect) {
    if (!m_flat && (m_focused || m_isDefault)) {
        dc.FrameRect(rect, gdi::Brush::Solid(gdi::Rgb(0, 0, 0)));
        rect.DeflateRect(1, 1);
    }
    std::size_t index = BTNST_COLOR_BK_OUT;
    if (m_hover || m_pressed)
        index = BTNST_COLOR_BK_IN;
    else if (m_focused)
        index = BTNST_COLOR_BK_FOCUS;
    dc.FillSolidRect(rect, m_colours[index]);
}

void CSkinButton::DrawBorder(gdi::Dc& dc, const gdi::Rect& rect) {
    using gdi::GetSysColor;
    if (m_pressed) {
        if (m_flat) {
            if (m_flatBorder)
                dc.Draw3dRect(rect, GetSysColor(gdi::COLOR_3DSHADOW), GetSysColor(gdi::COLOR_3DHIGHLIGHT));
        } else {
            dc.FrameRect(rect, gdi::Brush::Solid(GetSysColor(gdi::COLOR_3DSHADOW)));
        }
        return;
    }
    if (m_flat) {
        if (m_hover && m_flatBorder)
            dc.Draw3dRect(rect, GetSysColor(gdi::COLOR_3DHIGHLIGHT), GetSysColor(gdi::COLOR_3DSHADOW));
        return;
    }
    // The classic raised edge: light up the left side and along the top, dark along the bottom
    // and up the right side, each with a second, softer line one pixel inside.
    const auto line = [&dc](int colour, std::initializer_list<gdi::Point> points) {
        const gdi::Pen old = dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, GetSysColor(colour)});
        auto it = points.begin();
        dc.MoveTo(*it);
        for (++it; it != points.end(); ++it)
            dc.LineTo(*it);
        dc.SelectPen(old);
    };
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    line(gdi::COLOR_3DHIGHLIGHT, {{l, b - 1}, {l, t}, {r, t}});
    line(gdi::COLOR_3DLIGHT, {{l + 1, b - 2}, {l + 1, t + 1}, {r - 1, t + 1}});
    line(gdi::COLOR_3DDKSHADOW, {{l, b - 1}, {r - 1, b - 1}, {r - 1, t - 1}});
    line(gdi::COLOR_3DSHADOW, {{l + 1, b - 2}, {r - 2, b - 2}, {r - 2, t}});
}

void CSkinButton::DrawIcon(gdi::Dc& dc, bool hasCaption, const gdi::Rect& itemRect, gdi::Rect& captionRect,
                           bool pressed, bool disabled) {
    const int entry = ChosenEntry(pressed, !m_icons[1].image.isNull());
    const QImage& icon = m_icons[static_cast<std::size_t>(entry)].image;
    const gdi::Rect place =
        PlaceImage(hasCaption, itemRect, captionRect, pressed, icon.width(), icon.height());
    dc.DrawState(icon, place.TopLeft(), gdi::DST_ICON | (disabled ? gdi::DSS_DISABLED : 0));
}

void CSkinButton::DrawBitmap(gdi::Dc& dc, bool hasCaption, const gdi::Rect& itemRect, gdi::Rect& captionRect,
                             bool pressed, bool disabled) {
    const int entry = ChosenEntry(pressed, !m_bitmaps[1].bitmap.isNull());
    const Bitmap& b = m_bitmaps[static_cast<std::size_t>(entry)];
    const int w = b.bitmap.width(), h = b.bitmap.height();
    const gdi::Rect place = PlaceImage(hasCaption, itemRect, captionRect, pressed, w, h);
    const gdi::BitmapDc mask(b.mask);
    const gdi::BitmapDc bitmap(b.bitmap);
    if (disabled) {
        // The masked bitmap on white, then drawn embossed.
        gdi::BitmapDc composed(w, h, gdi::Rgb(255, 255, 255));
        composed.BitBlt(0, 0, w, h, &mask, 0, 0, gdi::SRCAND);
        composed.BitBlt(0, 0, w, h, &bitmap, 0, 0, gdi::SRCPAINT);
        dc.DrawState(composed.Image(), place.TopLeft(), gdi::DST_BITMAP | gdi::DSS_DISABLED);
        return;
    }
    dc.BitBlt(place.left, place.top, w, h, &mask, 0, 0, gdi::SRCAND);
    dc.BitBlt(place.left, place.top, w, h, &bitmap, 0, 0, gdi::SRCPAINT);
}

void CSkinButton::DrawText(gdi::Dc& dc, const QString& caption, const gdi::Rect& itemRect,
                           gdi::Rect& captionRect, bool pressed, bool disabled) {
    Q_UNUSED(itemRect);
    if (pressed && !m_isCheck)
        captionRect.OffsetRect(m_pressShift.x, m_pressShift.y);
    // The wrapped caption, measured, then centred in the caption rectangle.
    gdi::Rect centred = captionRect;
    dc.DrawText(caption, centred, gdi::DT_CALCRECT | gdi::DT_WORDBREAK | gdi::DT_CENTER);
    centred.OffsetRect((captionRect.Width() - centred.Width()) / 2,
                       (captionRect.Height() - centred.Height()) / 2);
    dc.SetBkMode(gdi::TRANSPARENT);
    constexpr unsigned format = gdi::DT_WORDBREAK | gdi::DT_CENTER;
    if (disabled) {
        centred.OffsetRect(1, 1);
        dc.SetTextColor(gdi::GetSysColor(gdi::COLOR_3DHIGHLIGHT));
        dc.DrawText(caption, centred, format);
        centred.OffsetRect(-1, -1);
        dc.SetTextColor(gdi::GetSysColor(gdi::COLOR_3DSHADOW));
        dc.DrawText(caption, centred, format);
        return;
    }
    std::size_t index = BTNST_COLOR_FG_OUT;
    if (m_hover || pressed)
        index = BTNST_COLOR_FG_IN;
    else if (m_focused)
        index = BTNST_COLOR_FG_FOCUS;
    dc.SetTextColor(m_colours[index]);
    dc.DrawText(caption, centred, format);
}

void CSkinButton::paintEvent(QPaintEvent*) {
    unsigned state = 0;
    if (isDown())
        state |= ODS_SELECTED;
    if (hasFocus())
        state |= ODS_FOCUS;
    if (!isEnabled())
        state |= ODS_DISABLED;
    QImage buffer(size(), QImage::Format_RGB32);
    if (buffer.isNull())
        return;
    {
        QPainter painter(&buffer);
        gdi::Dc dc(&painter);
        dc.SelectFont(gdi::Font(gdi::FromQFont(font())));
        DrawItem(dc, state);
    }
    QPainter(this).drawImage(0, 0, buffer);
}

// ---- input -------------------------------------------------------------------------------------------

void CSkinButton::OnClicked() {
    setFocus(Qt::MouseFocusReason);
    const Sound& click = m_sounds[1];
    if (!click.name.isEmpty())
        ui::PlaySound(click.name, click.module, click.flags);
    if (m_isCheck) {
        m_checked = !m_checked;
        update();
    } else if (m_menu) {
        m_menuShown = true;
        repaint();
        if (m_menuNotifyWindow)
            ui::SendMessage(m_menuNotifyWindow, m_menuNotifyMessage,
                            reinterpret_cast<std::uintptr_t>(m_menu.get()), m_menuNotifyParameter);
        const QAction* chosen = ui::TrackPopupMenu(*m_menu, mapToGlobal(QPoint(0, height())));
        m_menuShown = false;
        repaint();
        // Posted, so that the command runs after the menu has closed and this click has ended.
        bool ok = false;
        const int id = chosen ? chosen->data().toInt(&ok) : 0;
        if (ok && id != 0 && m_menuOwner)
            ui::PostMessage(m_menuOwner, ui::WM_COMMAND, static_cast<std::uintptr_t>(id & 0xFFFF), 0);
    } else if (!m_url.isEmpty()) {
        ui::ShellOpen(QUrl::fromUserInput(m_url));
    }
}

void CSkinButton::Hover(const QPoint& pos, Qt::MouseButtons buttons) {
    // While the left button is held from elsewhere, the button does not light up.
    if ((buttons & Qt::LeftButton) && !m_hover)
        return;
    if (m_flat) {
        const QWidget* reference = m_hoverWhenInactive ? this : QApplication::activeWindow();
        if (reference && rect().contains(pos)) {
            if (!m_hover) {
                m_hover = true;
                update();
                const Sound& sound = m_sounds[0];
                if (!sound.name.isEmpty())
                    ui::PlaySound(sound.name, sound.module, sound.flags);
            }
            return;
        }
    }
    EndHover();
}

void CSkinButton::EndHover() {
    if (m_flat && m_hover) {
        m_hover = false;
        update();
    }
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    Hover(event->position().toPoint(), event->buttons());
}

void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like the first, so it makes a second click.
    mousePressEvent(event);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    Hover(event->position().toPoint(), QApplication::mouseButtons());
}

void CSkinButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    EndHover();
}

void CSkinButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    EndHover();
}

void CSkinButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            // A disabled button cannot keep the focus: it goes to the next control, or to the
            // parent when there is none.
            if (hasFocus() && !focusNextChild() && parentWidget())
                parentWidget()->setFocus();
            EndHover();
        }
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            EndHover();
        break;
    default:
        break;
    }
}

void CSkinButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    // The saved background is the parent's picture under the button; it is taken anew when the
    // button sits elsewhere.
    if (m_transparent)
        m_background = QImage();
}

void CSkinButton::moveEvent(QMoveEvent* event) {
    QPushButton::moveEvent(event);
    if (m_transparent)
        m_background = QImage();
}

bool CSkinButton::event(QEvent* event) {
    if (ui::WindowMessage* m = ui::AsWindowMessage(event)) {
        switch (m->Message()) {
        case BM_GETCHECK:
            m->SetResult(m_checked ? BST_CHECKED : BST_UNCHECKED);
            return true;
        case BM_SETCHECK:
            m_checked = m->WParam() == BST_CHECKED || m->WParam() == BST_INDETERMINATE;
            update();
            return true;
        case BM_SETSTYLE: {
            const unsigned type = static_cast<unsigned>(m->WParam()) & BS_TYPEMASK;
            if (type == BS_DEFPUSHBUTTON || type == BS_PUSHBUTTON) {
                m_isDefault = type == BS_DEFPUSHBUTTON;
                setDefault(m_isDefault);
            }
            if (m->LParam())
                update();
            return true;
        }
        case WM_GETDLGCODE:
            m->SetResult(DLGC_BUTTON | (m_isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON));
            return true;
        default:
            break;
        }
    }
    if (event->type() == QEvent::ApplicationPaletteChange) {
        // The system colours changed: back to the default state colours, and a fresh background.
        ResetStateColours(true);
        m_background = QImage();
    }
    return QPushButton::event(event);
}
