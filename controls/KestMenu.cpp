#include "controls/KestMenu.h"

#include "controls/Picture.h"
#include "platform/gdi/Dc.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/System.h"
#include "platform/res/Menu.h"
#include "platform/res/Toolbar.h"

#include <QAction>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

#include <algorithm>
#include <map>
#include <set>

using gdi::COLORREF;

int KestMenu::s_imageWidth = 16;
int KestMenu::s_imageHeight = 15;
std::unique_ptr<gdi::ImageList> KestMenu::s_sharedImages;
std::vector<int> KestMenu::s_sharedImageCommands;
int KestMenu::s_drawModeUnthemed = 1;
int KestMenu::s_drawModeThemed = 1;
bool KestMenu::s_fullColourImagesSeen = false;

namespace {

// The size of the lists that bitmaps given to the menu are put in.
constexpr int kBitmapWidth = 16;
constexpr int kBitmapHeight = 15;

// The colour count of a BMP file: its colour-table size when given, else 2, 16 or 256 for 1, 4
// or 8 bits a pixel, else 0.
int BitmapColourCount(const QByteArray& data) {
    if (data.size() < 26 || !data.startsWith("BM"))
        return 0;
    const auto word = [&data](int at) {
        return static_cast<quint8>(data[at]) | static_cast<quint8>(data[at + 1]) << 8;
    };
    const auto dword = [&](int at) {
        return static_cast<quint32>(word(at)) | static_cast<quint32>(word(at + 2)) << 16;
    };
    const quint32 header = dword(14);
    const bool core = header == 12;
    const int bits = word(core ? 24 : 28);
    if (!core && data.size() >= 50 && dword(46) != 0)
        return static_cast<int>(dword(46));
    switch (bits) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

// The icon menu of each real menu, and every submenu an icon menu made.
std::map<const QMenu*, KestMenu*>& Objects() {
    static std::map<const QMenu*, KestMenu*> objects;
    return objects;
}
std::set<const QMenu*>& SubMenuHandles() {
    static std::set<const QMenu*> handles;
    return handles;
}

COLORREF Sys(int index) {
    return gdi::GetSysColor(index);
}

COLORREF MenuBackground() {
    return Sys(gdi::IsThemedLook() ? gdi::COLOR_3DFACE : gdi::COLOR_MENU);
}
COLORREF ItemBackground() {
    return gdi::Darken(Sys(gdi::COLOR_WINDOW), 0.02);
}
COLORREF BarColour() {
    return gdi::IsThemedLook() ? Sys(gdi::COLOR_3DFACE) : gdi::Lighten(Sys(gdi::COLOR_3DFACE), 0.25);
}
COLORREF SelectionColour() {
    return gdi::Lighten(Sys(gdi::COLOR_HIGHLIGHT), gdi::IsThemedLook() ? 0.7 : 0.85);
}

gdi::Brush SolidBrush(COLORREF c) {
    return gdi::Brush::Solid(c);
}

// `image` drawn on the face colour, as an opaque bitmap.
QImage OnFace(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(gdi::ToQColor(Sys(gdi::COLOR_3DFACE)));
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

// `image` on the face colour with every pixel that is not the face colour passed through `map`,
// and the face-coloured ones set to `background` unless that is a sentinel.
template <class Map> QImage MapForeground(const QImage& image, Map map, COLORREF background = gdi::CLR_NONE) {
    QImage out = OnFace(image);
    const QRgb face = gdi::ToQColor(Sys(gdi::COLOR_3DFACE)).rgb() & 0xFFFFFF;
    const QRgb back = gdi::IsSentinel(background) ? 0 : gdi::ToQColor(background).rgb();
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == face) {
                if (back)
                    line[x] = back;
                continue;
            }
            const COLORREF c = map(gdi::Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
            line[x] = gdi::ToQColor(c).rgb();
        }
    }
    return out;
}

// The label before the first tab and the accelerator after the last one.
std::pair<QString, QString> SplitAtTab(const QString& text) {
    const qsizetype first = text.indexOf(u'\t');
    if (first < 0)
        return {text, QString()};
    return {text.left(first), text.mid(text.lastIndexOf(u'\t') + 1)};
}

// How the item state of a popup's action reads as MF_ flags.
unsigned StateOf(const QAction* action) {
    unsigned state = 0;
    if (!action->isEnabled())
        state |= MF_GRAYED;
    if (action->isChecked())
        state |= MF_CHECKED;
    return state;
}

// The popups' style: each item is measured and drawn by the icon menu that owns the popup; the
// popup's frame and the space around the items take the menu's colours.
class KestMenuStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
        case PM_MenuPanelWidth:
            return KestMenu::IsXPStyle() ? 1 : 2;
        case PM_MenuHMargin:
            return 0;
        case PM_MenuVMargin:
            return 1;
        case PM_MenuDesktopFrameWidth:
            return 0;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return KestMenu::GetHiliteDisabled();
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        KestMenu* menu = KestMenu::FromHandle(qobject_cast<const QMenu*>(widget));
        if (type != CT_MenuItem || !item || !menu)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        KestMenuData data;
        data.text = item->text;
        data.flags =
            MF_OWNERDRAW | (item->menuItemType == QStyleOptionMenuItem::Separator ? MF_SEPARATOR : 0u);
        MEASUREITEMSTRUCT mis;
        mis.itemData = &data;
        menu->MeasureItem(&mis);
        // The menu widens an owner-drawn item by the check-mark width, as Windows does; the
        // accelerator's gap and the submenu arrow live there.
        const int width =
            mis.itemWidth > 0 ? mis.itemWidth + gdi::GetSystemMetrics(gdi::SM_CXMENUCHECK) - 1 : 1;
        return QSize(width, mis.itemHeight);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelMenu || element == PE_FrameMenu) {
            gdi::Dc dc(painter);
            gdi::Rect r = gdi::Rect::FromQRect(option->rect);
            if (element == PE_PanelMenu)
                FillPanel(dc, r);
            if (KestMenu::IsXPStyle())
                dc.FrameRect(r, SolidBrush(Sys(gdi::COLOR_3DSHADOW)));
            else
                dc.DrawEdge(r, gdi::EDGE_RAISED, gdi::BF_RECT);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* menu = qobject_cast<const QMenu*>(widget);
        KestMenu* owner = KestMenu::FromHandle(menu);
        if (owner && element == CE_MenuEmptyArea) {
            gdi::Dc dc(painter);
            FillPanel(dc, gdi::Rect::FromQRect(option->rect));
            return;
        }
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!owner || element != CE_MenuItem || !item) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const QAction* action = menu->actionAt(option->rect.center());
        const int position = static_cast<int>(menu->actions().indexOf(const_cast<QAction*>(action)));
        if (position < 0 || position >= static_cast<int>(owner->Items().size()))
            return;
        gdi::Dc dc(painter);
        dc.SelectFont(gdi::Font(gdi::GetMenuFont()));
        DRAWITEMSTRUCT dis;
        dis.pDC = &dc;
        dis.rcItem = gdi::Rect::FromQRect(option->rect);
        dis.itemData = owner->Items()[static_cast<std::size_t>(position)].get();
        if (item->state & State_Selected)
            dis.itemState |= ODS_SELECTED;
        if (!(item->state & State_Enabled))
            dis.itemState |= ODS_GRAYED;
        if (item->checked)
            dis.itemState |= ODS_CHECKED;
        dis.radioCheck = item->checkType == QStyleOptionMenuItem::Exclusive;
        owner->DrawItem(&dis);
        if (item->menuItemType == QStyleOptionMenuItem::SubMenu)
            DrawSubMenuArrow(dc, dis);
    }

private:
    static void FillPanel(gdi::Dc& dc, const gdi::Rect& r) {
        if (!KestMenu::IsXPStyle()) {
            dc.FillSolidRect(r, MenuBackground());
            return;
        }
        dc.FillSolidRect(r, ItemBackground());
        const int column = KestMenu::ImageWidth() + 7;
        dc.FillSolidRect(gdi::Rect(r.left, r.top, r.left + column + 1, r.bottom), BarColour());
    }

    // The arrow of an entry that opens a submenu, which the menu draws beside the item's own
    // drawing: a small solid triangle at the right, in the item's text colour.
    static void DrawSubMenuArrow(gdi::Dc& dc, const DRAWITEMSTRUCT& dis) {
        const gdi::Rect& r = dis.rcItem;
        COLORREF colour = Sys(gdi::COLOR_MENUTEXT);
        if (dis.itemState & ODS_GRAYED)
            colour = Sys(gdi::COLOR_GRAYTEXT);
        else if ((dis.itemState & ODS_SELECTED) && !KestMenu::IsXPStyle())
            colour = Sys(gdi::COLOR_HIGHLIGHTTEXT);
        const int x = r.right - 10;
        const int y = (r.top + r.bottom) / 2;
        dc.SaveDC();
        dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, colour});
        dc.SelectBrush(SolidBrush(colour));
        dc.Polygon({gdi::Point(x, y - 3), gdi::Point(x + 3, y), gdi::Point(x, y + 3)});
        dc.RestoreDC(-1);
    }
};

QMenu* NewPopupMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    auto* style = new KestMenuStyle;
    style->setParent(menu);
    menu->setStyle(style);
    menu->setFont(gdi::ToQFont(gdi::GetMenuFont()));
    return menu;
}

} // namespace

// ---- life -----------------------------------------------------------------------------------------

KestMenu::KestMenu() = default;

KestMenu::~KestMenu() {
    DestroyMenu();
}

void KestMenu::Attach(QMenu* menu, bool owned) {
    m_hMenu = menu;
    if (owned)
        m_ownedMenu.reset(menu);
    Objects()[menu] = this;
}

QMenu* KestMenu::Detach() {
    return m_ownedMenu.release();
}

KestMenu* KestMenu::FromHandle(const QMenu* menu) {
    const auto it = Objects().find(menu);
    return it == Objects().end() ? nullptr : it->second;
}

bool KestMenu::CreatePopupMenu() {
    DestroyMenu();
    Attach(NewPopupMenu(nullptr), true);
    return true;
}

KestMenu* KestMenu::NewSubMenu() {
    auto sub = std::make_unique<KestMenu>();
    sub->m_maskColour = m_maskColour;
    sub->m_useMaskColour = m_useMaskColour;
    sub->m_monoDisabledImages = m_monoDisabledImages;
    sub->m_checkImageSelId = m_checkImageSelId;
    sub->m_checkImageId = m_checkImageId;
    sub->m_checkImages = m_checkImages;
    sub->m_checkImagesBorrowed = true;
    sub->Attach(NewPopupMenu(m_hMenu), false);
    SubMenuHandles().insert(sub->m_hMenu);
    m_subMenus.push_back(std::move(sub));
    return m_subMenus.back().get();
}

bool KestMenu::DestroyMenu() {
    if (m_hMenu)
        SubMenuHandles().erase(m_hMenu);
    for (const auto& sub : m_subMenus)
        SubMenuHandles().erase(sub->m_hMenu);
    m_subMenus.clear();
    m_items.clear();
    m_pendingRecords.clear();
    m_checkImages.reset();
    m_checkImagesBorrowed = false;
    for (auto it = Objects().begin(); it != Objects().end();)
        it = it->second == this ? Objects().erase(it) : std::next(it);
    const bool had = m_hMenu || m_ownedMenu;
    if (m_ownedMenu)
        m_ownedMenu.reset();
    else if (m_hMenu && m_hMenu->parent() && FromHandle(qobject_cast<QMenu*>(m_hMenu->parent())))
        delete m_hMenu.data(); // a submenu this tree made
    m_hMenu = nullptr;
    m_loadedFromResource = false;
    return had;
}

// ---- building -------------------------------------------------------------------------------------

bool KestMenu::LoadMenu(int id) {
    const auto menu = res::LoadMenu(id);
    return menu && LoadMenu(*menu);
}

bool KestMenu::LoadMenu(const QString& name) {
    QString number = name;
    if (number.startsWith(u'#'))
        number.remove(0, 1);
    bool ok = false;
    const int id = number.toInt(&ok);
    return ok && id > 0 && LoadMenu(id);
}

bool KestMenu::LoadMenu(const res::Menu& menu) {
    DestroyMenu();
    Attach(new QMenu, true);
    BuildPopup(menu.items);
    RevertTopLevel();
    m_loadedFromResource = true;
    return true;
}

// Each popup of the parsed tree ends where its block ends; its labels are padded then.
void KestMenu::BuildPopup(const std::vector<res::MenuItem>& items) {
    for (const res::MenuItem& item : items) {
        switch (item.kind) {
        case res::MenuItem::Kind::Popup: {
            KestMenu* sub = NewSubMenu();
            AddRecord(-1, item.text, 0, 0, sub, -1);
            sub->BuildPopup(item.items);
            break;
        }
        case res::MenuItem::Kind::Separator:
            AppendItem(QString(), 0, 0);
            break;
        case res::MenuItem::Kind::Command:
            AppendItem(item.text, 0, item.id);
            break;
        }
    }
    PadAccelerators();
}

KestMenu* KestMenu::AddPopup(const QString& text) {
    if (!m_hMenu)
        return nullptr;
    KestMenu* sub = NewSubMenu();
    AddRecord(-1, text, 0, 0, sub, -1);
    return sub;
}

bool KestMenu::AppendItem(const QString& text, unsigned flags, int id, int toolbarId) {
    return AddRecord(-1, text, flags, id, nullptr, ToolbarImage(id, toolbarId));
}

bool KestMenu::AppendItem(const QString& text, unsigned flags, int id, const gdi::ImageList* list,
                          int index) {
    if (!AddRecord(-1, text, flags, id, nullptr, -1))
        return false;
    KestMenuData& record = *m_items.back();
    if (AddIconVariants(list, index, &record.ownImages)) {
        record.nOwnImage = 0;
        record.nOwnImageMark = 0;
    }
    return true;
}

bool KestMenu::AppendItem(const QString& text, unsigned flags, int id, const QImage* bitmap) {
    const auto list = bitmap ? BitmapList(*bitmap) : nullptr;
    return AppendItem(text, flags, id, list.get(), 0);
}

bool KestMenu::AddIconVariants(const gdi::ImageList* source, int index,
                               std::unique_ptr<gdi::ImageList>* destination) {
    if (!source || !destination || index < 0 || index >= source->GetImageCount())
        return false;
    const QImage image = source->Image(index);
    const gdi::Size size = source->GetImageSize();
    auto list = std::make_unique<gdi::ImageList>(size.cx, size.cy);
    list->Add(image);
    if (IsXPStyle() && s_xpImageVariants) {
        const COLORREF face = Sys(gdi::COLOR_3DFACE);
        list->Add(FadedImage(image), face);
        list->Add(ShadowImage(image), face);
        list->Add(DisabledImage(image), face);
    }
    *destination = std::move(list);
    return true;
}

// The menu and position an insertion goes to: this menu at `position`, or the popup holding the
// command `position` at that item.
bool KestMenu::FindInsertPosition(int position, unsigned flags, KestMenu** menu, int* at) {
    if (flags & MF_BYPOSITION) {
        *menu = this;
        *at = position;
        return true;
    }
    return FindPosition(position, menu, at);
}

bool KestMenu::InsertItem(int position, const QString& text, unsigned flags, int id, int toolbarId) {
    KestMenu* owner = nullptr;
    int at = -1;
    if (!FindInsertPosition(position, flags, &owner, &at))
        return false;
    return owner->AddRecord(at, text, flags | MF_BYPOSITION, id, nullptr, ToolbarImage(id, toolbarId));
}

bool KestMenu::InsertItem(int position, const QString& text, unsigned flags, int id,
                          const gdi::ImageList* list, int index) {
    return InsertImageItem(position, text, flags, id, list, index);
}

bool KestMenu::InsertItem(int position, const QString& text, unsigned flags, int id, const QImage* bitmap) {
    const auto list = bitmap ? BitmapList(*bitmap) : nullptr;
    return InsertImageItem(position, text, flags, id, list.get(), 0);
}

bool KestMenu::InsertImageItem(int position, const QString& text, unsigned flags, int id,
                               const gdi::ImageList* list, int index) {
    KestMenu* owner = nullptr;
    int at = -1;
    if (!FindInsertPosition(position, flags, &owner, &at))
        return false;
    // A separator carries no image.
    const int image = list && id != 0 ? AppendBitmapImages(*list, index, id) : -1;
    return owner->AddRecord(at, text, flags | MF_BYPOSITION, id, nullptr, image);
}

bool KestMenu::AppendMenu(unsigned flags, int id, const QString& text, int toolbarId) {
    return AppendItem(text, flags, id, toolbarId);
}

bool KestMenu::AppendMenu(unsigned flags, int id, const QString& text, const gdi::ImageList* list,
                          int index) {
    return AppendItem(text, flags, id, list, index);
}

bool KestMenu::AppendMenu(unsigned flags, int id, const QString& text, const QImage* bitmap) {
    return AppendItem(text, flags, id, bitmap);
}

bool KestMenu::InsertMenu(int position, unsigned flags, int id, const QString& text, int toolbarId) {
    return InsertItem(position, text, flags, id, toolbarId);
}

bool KestMenu::InsertMenu(int position, unsigned flags, int id, const QString& text,
                          const gdi::ImageList* list, int index) {
    return InsertItem(position, text, flags, id, list, index);
}

bool KestMenu::InsertMenu(int position, unsigned flags, int id, const QString& text, const QImage* bitmap) {
    return InsertItem(position, text, flags, id, bitmap);
}

bool KestMenu::AddRecord(int position, const QString& text, unsigned flags, int id, KestMenu* subMenu,
                         int sharedImage) {
    if (!m_hMenu)
        return false;
    auto record = std::make_unique<KestMenuData>();
    if (subMenu) {
        flags = (flags & ~MF_SEPARATOR) | MF_POPUP | MF_OWNERDRAW;
        record->hSubMenu = subMenu->m_hMenu;
    } else if (id == 0) {
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    } else {
        flags |= MF_OWNERDRAW;
    }
    record->text = id == 0 && !subMenu ? QString() : text;
    record->flags = flags;
    record->nID = subMenu ? 0 : id;
    record->nSharedImage = sharedImage;

    QAction* action = nullptr;
    if (subMenu) {
        action = subMenu->m_hMenu->menuAction();
        action->setText(record->text);
    } else {
        action = new QAction(record->text, m_hMenu);
        if (id == 0)
            action->setSeparator(true);
        else
            action->setData(id);
    }
    const QList<QAction*> actions = m_hMenu->actions();
    if (position < 0 || position >= actions.size()) {
        m_hMenu->addAction(action);
        m_items.push_back(std::move(record));
    } else {
        const int start = MenuStart();
        const int index = std::clamp(position - start, 0, static_cast<int>(m_items.size()));
        m_hMenu->insertAction(actions[position], action);
        m_items.insert(m_items.begin() + index, std::move(record));
    }
    if (m_loadedFromResource)
        RevertTopLevel();
    return true;
}

int KestMenu::ToolbarImage(int id, int toolbarId) const {
    if (id == 0)
        return -1;
    if (toolbarId < 0) {
        const auto it = std::find(s_sharedImageCommands.begin(), s_sharedImageCommands.end(), id);
        return it == s_sharedImageCommands.end() ? -1 : static_cast<int>(it - s_sharedImageCommands.begin());
    }
    const auto toolbar = res::LoadToolbar(toolbarId);
    if (!toolbar)
        return -1;
    const std::vector<int> buttons = toolbar->Buttons();
    const auto it = std::find(buttons.begin(), buttons.end(), id);
    const int index = it == buttons.end() ? 0 : static_cast<int>(it - buttons.begin());
    gdi::ImageList list(s_imageWidth, s_imageHeight);
    if (!LoadBitmapIntoList(list, SystemColouredBitmap(toolbar->strip, false)))
        return -1;
    return AppendBitmapImages(list, index, id);
}

bool KestMenu::AddToolbarImages(int toolbarId) {
    const auto toolbar = res::LoadToolbar(toolbarId);
    return toolbar && AddToolbarImages(*toolbar);
}

bool KestMenu::AddToolbarImages(const res::Toolbar& toolbar) {
    gdi::ImageList list(s_imageWidth, s_imageHeight);
    if (!LoadBitmapIntoList(list, SystemColouredBitmap(toolbar.strip, false)))
        return false;
    const std::vector<int> buttons = toolbar.Buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (FindItem(buttons[i]).second >= 0)
            ModifyItem(QString(), buttons[i], &list, static_cast<int>(i));
    return true;
}

bool KestMenu::AddImagesFromToolbars(const std::vector<int>& toolbarIds) {
    bool all = true;
    for (const int id : toolbarIds)
        all = AddToolbarImages(id) && all;
    return all;
}

bool KestMenu::ModifyItem(const QString& text, int id, int toolbarId) {
    // An image that cannot be had leaves the item without one; the item still changes.
    return ModifyRecords(text, id, ToolbarImage(id, toolbarId));
}

bool KestMenu::ModifyItem(const QString& text, int id, const gdi::ImageList* list, int index) {
    return ModifyRecords(text, id, list && id != 0 ? AppendBitmapImages(*list, index, id) : -1);
}

bool KestMenu::ModifyItem(const QString& text, int id, const QImage* bitmap) {
    const auto list = bitmap ? BitmapList(*bitmap) : nullptr;
    return ModifyItem(text, id, list.get(), 0);
}

bool KestMenu::ModifyItem(const QString& text, int id, COLORREF fill, COLORREF border, int hatch,
                          const gdi::Size* size) {
    const QImage swatch =
        ColourSwatch(fill, border, hatch, size ? *size : gdi::Size(s_imageWidth, s_imageHeight));
    return ModifyItem(text, id, &swatch);
}

bool KestMenu::ModifyRecords(const QString& text, int id, int sharedImage) {
    const auto change = [&](KestMenuData& record) {
        if (!text.isNull())
            record.text = text;
        record.nSharedImage = sharedImage;
        record.flags = (record.flags & ~MF_BYPOSITION) | MF_OWNERDRAW;
    };
    const auto isRecordOf = [id](const KestMenuData& r) { return !(r.flags & MF_POPUP) && r.nID == id; };
    std::vector<std::pair<QMenu*, int>> found;
    bool any = false;
    for (auto at = FindItem(id); at.second >= 0; at = FindNextItem(id, found)) {
        found.push_back(at);
        KestMenu* owner = FromHandle(at.first);
        const auto recordAt = [&]() -> KestMenuData* {
            const int index = at.second - owner->MenuStart();
            if (index < 0 || index >= static_cast<int>(owner->m_items.size()))
                return nullptr;
            KestMenuData* record = owner->m_items[static_cast<std::size_t>(index)].get();
            return isRecordOf(*record) ? record : nullptr;
        };
        KestMenuData* record = recordAt();
        if (!record) {
            // An item that other code put there: its popup's records are brought in step, which
            // makes one for it.
            owner->ReconcileRecords();
            record = recordAt();
        }
        if (!record)
            continue;
        change(*record);
        if (!text.isNull())
            owner->ActionAt(at.second)->setText(text);
        any = true;
    }
    if (any)
        return true;
    const auto pending = std::find_if(m_pendingRecords.begin(), m_pendingRecords.end(),
                                      [&](const auto& r) { return isRecordOf(*r); });
    if (pending == m_pendingRecords.end()) {
        auto record = std::make_unique<KestMenuData>();
        record->nID = id;
        m_pendingRecords.push_back(std::move(record));
        change(*m_pendingRecords.back());
    } else {
        change(**pending);
    }
    return false;
}

bool KestMenu::ModifyItemByText(const QString& text, const QString& find, int bitmapId) {
    KestMenuData* record = FindItemByText(find);
    if (!record)
        return false;
    if (!text.isNull()) {
        record->text = text;
        KestMenu* owner = nullptr;
        int index = -1;
        if (FindRecord(record, &owner, &index))
            if (QAction* action = owner->ActionAt(index + owner->MenuStart()))
                action->setText(text);
    }
    auto list = std::make_unique<gdi::ImageList>(s_imageWidth, s_imageHeight);
    if (LoadBitmapIntoList(*list, LoadBitmapResource(bitmapId))) {
        record->ownImages = std::move(list);
        record->nOwnImage = 0;
        record->nOwnImageMark = 0;
    }
    return true;
}

bool KestMenu::FindRecord(const KestMenuData* record, KestMenu** menu, int* index) {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == record) {
            *menu = this;
            *index = static_cast<int>(i);
            return true;
        }
    }
    for (const auto& sub : m_subMenus)
        if (sub->FindRecord(record, menu, index))
            return true;
    return false;
}

void KestMenu::LoadCheckImages(int id, int selectedId) {
    if (id <= 0 || selectedId <= 0)
        return;
    m_checkImageId = id;
    m_checkImageSelId = selectedId;
    gdi::ImageList list(kBitmapWidth, kBitmapHeight);
    bool loaded = true;
    for (int k = 0; k < 2 && loaded; ++k) {
        const QImage bitmap = LoadBitmapResource(k == 0 ? id : selectedId);
        loaded = !bitmap.isNull() && list.Add(bitmap, MaskColour()) >= 0;
    }
    if (!loaded) {
        m_checkImages.reset();
        m_checkImagesBorrowed = false;
        return;
    }
    // Popups that share the list see the new images.
    if (m_checkImages && !m_checkImagesBorrowed)
        *m_checkImages = std::move(list);
    else
        m_checkImages = std::make_shared<gdi::ImageList>(std::move(list));
    m_checkImagesBorrowed = false;
}

// ---- images ---------------------------------------------------------------------------------------

COLORREF KestMenu::MaskColour() const {
    return m_useMaskColour ? m_maskColour : Sys(gdi::COLOR_3DFACE);
}

std::unique_ptr<gdi::ImageList> KestMenu::BitmapList(const QImage& bitmap) const {
    auto list = std::make_unique<gdi::ImageList>(kBitmapWidth, kBitmapHeight);
    if (list->Add(bitmap, MaskColour()) < 0)
        return nullptr;
    return list;
}

// A bitmap of 16 colours has its black, greys and white mapped to the system colours; a
// full-colour one has its light grey turned into the face colour. Either is then on the face
// colour, which is the usual mask.
QImage KestMenu::SystemColouredBitmap(const QImage& bitmap, bool sixteenColours) {
    if (bitmap.isNull())
        return bitmap;
    QImage image = OnFace(bitmap);
    std::map<QRgb, QRgb> replace;
    const auto rgb = [](COLORREF c) { return gdi::ToQColor(c).rgb() & 0xFFFFFF; };
    if (sixteenColours) {
        replace = {{rgb(gdi::Rgb(0, 0, 0)), rgb(Sys(gdi::COLOR_BTNTEXT))},
                   {rgb(gdi::Rgb(128, 128, 128)), rgb(Sys(gdi::COLOR_BTNSHADOW))},
                   {rgb(gdi::Rgb(192, 192, 192)), rgb(Sys(gdi::COLOR_BTNFACE))},
                   {rgb(gdi::Rgb(255, 255, 255)), rgb(Sys(gdi::COLOR_BTNHIGHLIGHT))}};
    } else {
        s_fullColourImagesSeen = true;
        replace = {{rgb(gdi::Rgb(192, 192, 192)), rgb(Sys(gdi::COLOR_3DFACE))}};
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto it = replace.find(line[x] & 0xFFFFFF);
            if (it != replace.end())
                line[x] = 0xFF000000 | it->second;
        }
    }
    return image;
}

QImage KestMenu::LoadBitmapResource(int bitmapId) {
    QByteArray data;
    if (!FindPictureResource(bitmapId, QStringLiteral("BITMAP"), &data))
        return QImage();
    const QImage bitmap = LoadPictureData(data);
    return bitmap.isNull() ? bitmap : SystemColouredBitmap(bitmap, BitmapColourCount(data) == 16);
}

// The bitmap added masked; in the XP style the list's first image is followed by its three
// variants.
bool KestMenu::LoadBitmapIntoList(gdi::ImageList& list, const QImage& bitmap) const {
    if (bitmap.isNull() || list.Add(bitmap, MaskColour()) < 0)
        return false;
    if (IsXPStyle() && s_xpImageVariants) {
        const COLORREF face = Sys(gdi::COLOR_3DFACE);
        const QImage icon = list.Image(0);
        list.Add(FadedImage(icon), face);
        list.Add(ShadowImage(icon), face);
        list.Add(DisabledImage(icon), face);
    }
    return true;
}

int KestMenu::AppendBitmapImages(const gdi::ImageList& list, int index, int command) {
    if (!s_sharedImages)
        s_sharedImages = std::make_unique<gdi::ImageList>(s_imageWidth, s_imageHeight);
    if (index < 0 || index >= list.GetImageCount())
        return -1;
    const QImage icon = list.Image(index);
    const bool variants = IsXPStyle() && s_xpImageVariants;
    const COLORREF face = Sys(gdi::COLOR_3DFACE);
    const auto it = std::find(s_sharedImageCommands.begin(), s_sharedImageCommands.end(), command);
    if (it != s_sharedImageCommands.end()) {
        const int i = static_cast<int>(it - s_sharedImageCommands.begin());
        s_sharedImages->Replace(i, icon);
        if (variants && HasImageSet(i)) {
            s_sharedImages->Replace(i + 1, FadedImage(icon), face);
            s_sharedImages->Replace(i + 2, ShadowImage(icon), face);
            s_sharedImages->Replace(i + 3, DisabledImage(icon), face);
        }
        return i;
    }
    const int i = s_sharedImages->Add(icon);
    if (i < 0)
        return -1;
    s_sharedImageCommands.push_back(command);
    if (variants) {
        s_sharedImages->Add(FadedImage(icon), face);
        s_sharedImages->Add(ShadowImage(icon), face);
        s_sharedImages->Add(DisabledImage(icon), face);
        s_sharedImageCommands.insert(s_sharedImageCommands.end(), 3, command);
    }
    return i;
}

bool KestMenu::HasImageSet(int index) {
    const auto n = static_cast<int>(s_sharedImageCommands.size());
    if (index < 0 || index + 2 >= n)
        return false;
    const auto at = [](int i) { return s_sharedImageCommands[static_cast<std::size_t>(i)]; };
    return at(index + 1) == at(index) && at(index + 2) == at(index);
}

void KestMenu::ClearSharedImages() {
    s_sharedImages.reset();
    s_sharedImageCommands.clear();
    s_fullColourImagesSeen = false;
}

QImage KestMenu::FadedImage(const QImage& image) {
    return MapForeground(image, [](COLORREF c) { return gdi::Lighten(c, 0.3); });
}

QImage KestMenu::ShadowImage(const QImage& image) {
    const COLORREF shadow = Sys(gdi::COLOR_3DSHADOW);
    const COLORREF colour = gdi::IsThemedLook() ? shadow : gdi::Lighten(shadow, 0.49);
    return MapForeground(image, [colour](COLORREF) { return colour; });
}

QImage KestMenu::DisabledImage(const QImage& image, COLORREF background) {
    const COLORREF shadow = Sys(gdi::COLOR_3DSHADOW);
    return MapForeground(
        image, [shadow](COLORREF c) { return gdi::DisabledTint(c, shadow); }, background);
}

// ---- the real menu and the records ----------------------------------------------------------------

QAction* KestMenu::ActionAt(int position) const {
    if (!m_hMenu)
        return nullptr;
    const QList<QAction*> actions = m_hMenu->actions();
    return position >= 0 && position < actions.size() ? actions[position] : nullptr;
}

int KestMenu::MenuStart() const {
    if (!m_loadedFromResource || !m_hMenu)
        return 0;
    const QList<QAction*> actions = m_hMenu->actions();
    for (int pos = 0; pos < actions.size(); ++pos)
        for (std::size_t r = 0; r < m_items.size(); ++r)
            if (m_items[r]->text == actions[pos]->text())
                return std::max(pos - static_cast<int>(r), 0);
    return 0;
}

// The menu bar shows the top level: its records stay plain strings and popups.
void KestMenu::RevertTopLevel() {
    const int start = MenuStart();
    const QList<QAction*> actions = m_hMenu->actions();
    for (int pos = start; pos < actions.size(); ++pos) {
        const int index = pos - start;
        if (index >= static_cast<int>(m_items.size()))
            break;
        KestMenuData& record = *m_items[static_cast<std::size_t>(index)];
        if (actions[pos]->menu()) {
            record.flags = MF_BYPOSITION | MF_POPUP;
            actions[pos]->setText(record.text);
        } else if (!(record.flags & MF_SEPARATOR)) {
            record.flags = MF_BYPOSITION | MF_STRING;
            actions[pos]->setText(record.text);
        }
    }
}

// Pads each label with spaces up to the widest label and a space, so that the tabs, and with them
// the accelerators, line up.
void KestMenu::PadAccelerators() {
    if (IsXPStyle() && !s_alignLabels)
        return;
    gdi::Dc dc;
    dc.SelectFont(gdi::Font(gdi::GetMenuFont()));
    const QString space = QStringLiteral(" ");
    if (dc.GetTextExtent(space).cx <= 0)
        return;
    int widest = 0;
    for (const auto& record : m_items)
        widest = std::max(widest, dc.GetTextExtent(SplitAtTab(record->text).first + space).cx);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        KestMenuData& record = *m_items[i];
        const qsizetype tab = record.text.indexOf(u'\t');
        if (tab < 0)
            continue;
        QString label = record.text.left(tab);
        while (dc.GetTextExtent(label).cx < widest)
            label += space;
        record.text = label + record.text.mid(tab);
        if (QAction* action = ActionAt(static_cast<int>(i) + MenuStart()))
            action->setText(record.text);
    }
}

void KestMenu::ResyncMenu(KestMenu* menu) {
    if (menu)
        menu->ReconcileRecords();
}

void KestMenu::ReconcileRecords() {
    if (!m_hMenu)
        return;
    // Records kept for commands still to come are candidates too; those not taken go.
    for (auto& record : m_pendingRecords)
        m_items.push_back(std::move(record));
    m_pendingRecords.clear();
    for (const auto& record : m_items)
        record->syncMark = false;
    std::vector<std::unique_ptr<KestMenuData>> collected;
    for (QAction* action : m_hMenu->actions()) {
        QMenu* sub = action->menu();
        const int id = action->data().toInt();
        const auto matches = [&](const KestMenuData& r) {
            if (sub)
                return r.hSubMenu == sub;
            if (action->isSeparator())
                return r.nID == 0 && !(r.flags & MF_POPUP);
            return !(r.flags & MF_POPUP) && r.nID == id;
        };
        std::unique_ptr<KestMenuData> record;
        for (auto& r : m_items)
            if (r && !r->syncMark && matches(*r)) {
                record = std::move(r);
                break;
            }
        const unsigned state = StateOf(action);
        if (record) {
            if (!action->text().isEmpty())
                record->text = action->text();
            record->flags =
                state | MF_OWNERDRAW | MF_BYPOSITION | (record->flags & (MF_POPUP | MF_SEPARATOR));
        } else {
            record = std::make_unique<KestMenuData>();
            if (sub) {
                record->flags = state | MF_POPUP | MF_OWNERDRAW | MF_BYPOSITION;
                record->hSubMenu = sub;
                record->text = action->text();
            } else if (action->isSeparator()) {
                record->flags = state | MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION;
            } else {
                record->flags = state | MF_OWNERDRAW | MF_BYPOSITION;
                record->nID = id;
                record->text = action->text();
            }
        }
        record->syncMark = true;
        collected.push_back(std::move(record));
    }
    m_items = std::move(collected);
}

// ---- labels and searching -------------------------------------------------------------------------

bool KestMenu::GetItemLabel(int idOrPosition, QString* text, unsigned flags) const {
    const KestMenuData* record = nullptr;
    if (flags & MF_BYPOSITION) {
        if (idOrPosition < 0 || idOrPosition >= static_cast<int>(m_items.size()))
            return false;
        record = m_items[static_cast<std::size_t>(idOrPosition)].get();
    } else {
        record = FindItemData(idOrPosition);
    }
    if (!record)
        return false;
    if (text)
        *text = record->text;
    return true;
}

bool KestMenu::SetItemLabel(int idOrPosition, const QString& text, unsigned flags) {
    KestMenuData* record = nullptr;
    if (flags & MF_BYPOSITION) {
        if (idOrPosition < 0 || idOrPosition >= static_cast<int>(m_items.size()))
            return false;
        record = m_items[static_cast<std::size_t>(idOrPosition)].get();
    } else {
        record = FindItemData(idOrPosition);
    }
    if (!record)
        return false;
    record->text = text;
    return true;
}

QMenu* KestMenu::GetSubMenu(int position) const {
    const QAction* action = ActionAt(position);
    return action ? action->menu() : nullptr;
}

QMenu* KestMenu::GetSubMenu(const QString& text) const {
    if (!m_hMenu)
        return nullptr;
    for (const QAction* action : m_hMenu->actions())
        if (action->menu() && action->text() == text)
            return action->menu();
    return nullptr;
}

KestMenu* KestMenu::FindPopupByText(const QString& text) const {
    for (const auto& record : m_items)
        if ((record->flags & MF_POPUP) && record->text == text)
            return FromHandle(record->hSubMenu);
    return nullptr;
}

int KestMenu::FindRecordIndex(const QString& text) const {
    if (std::none_of(m_items.begin(), m_items.end(), [](const auto& r) { return !(r->flags & MF_POPUP); }))
        return -1;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->text == text)
            return static_cast<int>(i);
    return -1;
}

std::pair<QMenu*, int> KestMenu::FindItem(int id) const {
    return FindNextItem(id, {});
}

std::pair<QMenu*, int> KestMenu::FindNextItem(int id,
                                              const std::vector<std::pair<QMenu*, int>>& found) const {
    if (!m_hMenu)
        return {nullptr, -1};
    const QList<QAction*> actions = m_hMenu->actions();
    for (int pos = 0; pos < actions.size(); ++pos) {
        if (QMenu* sub = actions[pos]->menu()) {
            if (const KestMenu* owner = FromHandle(sub)) {
                const auto hit = owner->FindNextItem(id, found);
                if (hit.second >= 0)
                    return hit;
            }
            continue;
        }
        if (!actions[pos]->isSeparator() && actions[pos]->data().toInt() == id) {
            const std::pair<QMenu*, int> hit{m_hMenu, pos};
            if (std::find(found.begin(), found.end(), hit) == found.end())
                return hit;
        }
    }
    return {nullptr, -1};
}

KestMenuData* KestMenu::FindItemData(int id) const {
    for (const auto* records : {&m_items, &m_pendingRecords})
        for (const auto& record : *records)
            if (!(record->flags & MF_POPUP) && record->nID == id && id != 0)
                return record.get();
    for (const auto& sub : m_subMenus)
        if (KestMenuData* record = sub->FindItemData(id))
            return record;
    return nullptr;
}

KestMenuData* KestMenu::FindItemByText(const QString& text) const {
    for (const auto& record : m_pendingRecords)
        if (record->text == text)
            return record.get();
    for (const auto& record : m_items) {
        if (record->text == text)
            return record.get();
        if (record->flags & MF_POPUP)
            if (const KestMenu* sub = FromHandle(record->hSubMenu))
                if (KestMenuData* found = sub->FindItemByText(text))
                    return found;
    }
    return nullptr;
}

bool KestMenu::FindPosition(int id, KestMenu** menu, int* position) {
    const auto at = FindItem(id);
    if (at.second < 0)
        return false;
    *menu = FromHandle(at.first);
    *position = at.second;
    return *menu != nullptr;
}

// ---- removing -------------------------------------------------------------------------------------

bool KestMenu::RemoveMenu(int idOrPosition, unsigned flags) {
    if (flags & MF_BYPOSITION)
        return RemoveAt(idOrPosition, false);
    KestMenu* owner = nullptr;
    int position = -1;
    return FindPosition(idOrPosition, &owner, &position) && owner->RemoveAt(position, false);
}

bool KestMenu::DeleteMenu(int idOrPosition, unsigned flags) {
    if (flags & MF_BYPOSITION)
        return RemoveAt(idOrPosition, true);
    KestMenu* owner = nullptr;
    int position = -1;
    return FindPosition(idOrPosition, &owner, &position) && owner->RemoveAt(position, true);
}

bool KestMenu::RemoveAt(int position, bool destroy) {
    QAction* action = ActionAt(position);
    if (!action)
        return false;
    const int index = position - MenuStart();
    const bool haveRecord = index >= 0 && index < static_cast<int>(m_items.size());
    if (QMenu* sub = action->menu()) {
        SubMenuHandles().erase(sub);
        // The record goes first: it knows its submenu only while that lives.
        const auto record =
            std::find_if(m_items.begin(), m_items.end(), [sub](const auto& r) { return r->hSubMenu == sub; });
        if (record != m_items.end())
            m_items.erase(record);
        const auto owned = std::find_if(m_subMenus.begin(), m_subMenus.end(),
                                        [sub](const auto& m) { return m->m_hMenu == sub; });
        if (owned != m_subMenus.end()) {
            KestMenu& child = **owned;
            for (int i = static_cast<int>(sub->actions().size()) - 1; i >= 0; --i)
                child.RemoveAt(i, destroy);
            m_hMenu->removeAction(action);
            if (!destroy)
                child.m_hMenu = nullptr; // the submenu itself stays for whoever holds it
            m_subMenus.erase(owned);
        } else {
            m_hMenu->removeAction(action);
        }
        return true;
    }
    if (haveRecord && (!(m_items[static_cast<std::size_t>(index)]->flags & MF_SEPARATOR) || !destroy ||
                       m_items[static_cast<std::size_t>(index)]->text.isEmpty()))
        m_items.erase(m_items.begin() + index);
    m_hMenu->removeAction(action);
    if (destroy)
        delete action;
    return true;
}

int KestMenu::RemoveMenu(const QString& text, int mode) {
    return RemoveByText(text, mode, false);
}

int KestMenu::DeleteMenu(const QString& text, int mode) {
    return RemoveByText(text, mode, true);
}

int KestMenu::RemoveByText(const QString& text, int mode, bool destroy) {
    const int index = FindRecordIndex(text);
    if (index < 0)
        return -1;
    const int count = static_cast<int>(m_items.size());
    std::vector<int> doomed{index};
    if (mode >= 1 && mode <= 3 && index > 0)
        doomed.push_back(index - 1);
    if (mode == 3 && index + 1 < count)
        doomed.push_back(index + 1);
    std::sort(doomed.rbegin(), doomed.rend());
    const int start = MenuStart();
    for (const int i : doomed)
        RemoveAt(i + start, destroy);
    return index;
}

// ---- styles ---------------------------------------------------------------------------------------

void KestMenu::SetImageSize(int width, int height) {
    s_imageWidth = width;
    s_imageHeight = height;
}

bool KestMenu::IsMenu(const QMenu* menu) {
    return menu && SubMenuHandles().count(menu) != 0;
}

bool KestMenu::IsOwnMenu(const KestMenu* menu) {
    return menu && IsMenu(menu->m_hMenu);
}

int KestMenu::GetDrawMode() {
    return gdi::IsThemedLook() ? s_drawModeThemed : s_drawModeUnthemed;
}

bool KestMenu::IsXPStyle() {
    return GetDrawMode() == 1;
}

int KestMenu::GetHiliteDisabled() {
    return IsXPStyle() ? s_xpHiliteDisabled : s_classicHiliteDisabled;
}

void KestMenu::SetDrawModes(int unthemed, int themed) {
    s_drawModeUnthemed = unthemed;
    s_drawModeThemed = themed;
}

// ---- measuring and drawing ------------------------------------------------------------------------

void KestMenu::MeasureItem(MEASUREITEMSTRUCT* mis) {
    if (!mis || !mis->itemData)
        return;
    const KestMenuData& record = *mis->itemData;
    const bool xp = IsXPStyle();
    const int extra = xp && s_xpImageVariants ? 7 : 4;
    if (record.flags & MF_SEPARATOR) {
        mis->itemWidth = 0;
        mis->itemHeight =
            xp ? 3 : std::max(gdi::GetSystemMetrics(gdi::SM_CYMENU) / 2, (s_imageHeight + extra) / 2);
        return;
    }
    gdi::Dc dc;
    if (gdi::GetWindowsVersionCode() >= 2)
        dc.SelectFont(gdi::Font(gdi::GetMenuFont()));
    // The tab counts as one blank: the accelerator column is laid out by the padding.
    QString text = record.text;
    text.replace(u'\t', u' ');
    const int width = dc.GetTextExtent(text).cx;
    mis->itemWidth = xp ? s_imageWidth + width + extra + 8 : width + 2 * s_imageWidth + 1;
    mis->itemHeight = std::max(gdi::GetSystemMetrics(gdi::SM_CYMENU), s_imageHeight + extra);
}

void KestMenu::DrawItem(const DRAWITEMSTRUCT* dis) {
    if (!dis || !dis->pDC || !dis->itemData)
        return;
    if (dis->pDC->GetDeviceCaps(gdi::RASTERCAPS) & gdi::RC_PALETTE)
        DrawClassic(dis);
    else if (GetDrawMode() == 1)
        DrawXP(dis);
    else
        DrawClassic(dis);
}

namespace {

struct ItemImage {
    const gdi::ImageList* list = nullptr;
    int normal = -1;
    int faded = -1;
    int shadow = -1;
    int disabled = -1;
    bool Has() const { return list && normal >= 0 && normal < list->GetImageCount(); }
};

void DrawTextParts(gdi::Dc& dc, const QString& text, gdi::Rect rect, int imageWidth, COLORREF colour,
                   int dx = 0) {
    const auto [label, accelerator] = SplitAtTab(text);
    const bool hasTab = text.contains(u'\t');
    if (hasTab)
        rect.right -= imageWidth;
    rect.OffsetRect(dx, dx);
    dc.SetTextColor(colour);
    dc.DrawText(label, rect, gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
    if (hasTab)
        dc.DrawText(accelerator, rect, gdi::DT_RIGHT | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
}

} // namespace

// A checked item without image shows the menu's check images when it has them.
bool KestMenu::UsesCheckImages(bool hasImage, bool checked, bool selected) const {
    return checked && !hasImage && m_checkImages &&
           ((selected && m_checkImageSelId > 0) || m_checkImageId > 0);
}

// The classic look: 3-D frames around the images, the row filled with the highlight colour.
void KestMenu::DrawClassic(const DRAWITEMSTRUCT* dis) {
    gdi::Dc& dc = *dis->pDC;
    const KestMenuData& record = *dis->itemData;
    const bool grayed = dis->itemState & ODS_GRAYED;
    const bool checked = dis->itemState & ODS_CHECKED;
    const bool selected = (dis->itemState & ODS_SELECTED) && (!grayed || s_classicHiliteDisabled);
    const COLORREF back = MenuBackground();
    gdi::Rect r = dis->rcItem;
    if (record.flags & MF_SEPARATOR) {
        dc.FillSolidRect(r, back);
        r.top += r.Height() / 2;
        dc.DrawEdge(r, gdi::EDGE_ETCHED, gdi::BF_TOP);
        return;
    }
    ItemImage image;
    if (record.nOwnImageMark < 0 && record.nSharedImage >= 0) {
        image.list = s_sharedImages.get();
        image.normal = record.nSharedImage;
    } else if (record.nOwnImageMark >= 0 && record.ownImages) {
        image.list = record.ownImages.get();
        image.normal = record.nOwnImage;
    }
    const bool hasImage = image.Has();
    const bool checkImages = UsesCheckImages(hasImage, checked, selected);
    COLORREF textColour = Sys(gdi::COLOR_MENUTEXT);
    if (selected) {
        const int from = hasImage || checked ? r.left + s_imageWidth + 5 : r.left;
        dc.FillSolidRect(gdi::Rect(from, r.top, r.right, r.bottom), Sys(gdi::COLOR_HIGHLIGHT));
        textColour = Sys(gdi::COLOR_HIGHLIGHTTEXT);
    } else {
        dc.FillSolidRect(r, back);
        dc.FrameRect(r, SolidBrush(back));
    }
    const int dy = std::max((r.Height() - s_imageHeight - 4) / 2, 0);
    const gdi::Rect frame(r.left, r.top + dy, r.left + s_imageWidth + 4, r.top + dy + s_imageHeight + 4);
    const gdi::Point at(r.left + 2, r.top + dy + 2);
    if (hasImage || checked)
        dc.FrameRect(
            gdi::Rect(r.left + 1, r.top + dy + 1, r.left + s_imageWidth + 3, r.top + dy + s_imageHeight + 3),
            SolidBrush(back));
    const COLORREF light = Sys(gdi::COLOR_3DHIGHLIGHT);
    const COLORREF shadow = Sys(gdi::COLOR_3DSHADOW);
    if (checkImages) {
        dc.FillSolidRect(frame, back);
        dc.FrameRect(frame, SolidBrush(back));
        m_checkImages->Draw(&dc, selected ? 1 : 0, at, gdi::ILD_TRANSPARENT);
    } else if (hasImage && selected && !grayed) {
        dc.FillSolidRect(frame, back);
        dc.Draw3dRect(frame, checked ? shadow : light, checked ? light : shadow);
        image.list->Draw(&dc, image.normal, at, gdi::ILD_TRANSPARENT);
    } else if (hasImage && !grayed) {
        if (checked) {
            dc.FillSolidRect(frame, gdi::Lighten(back, 0.6));
            dc.Draw3dRect(frame, shadow, light);
        } else {
            dc.FillSolidRect(frame, back);
            dc.FrameRect(frame, SolidBrush(back));
        }
        image.list->Draw(&dc, image.normal, at, gdi::ILD_TRANSPARENT);
    } else if (hasImage) {
        const QImage bitmap = IconToBitmap(*image.list, image.normal);
        dc.FrameRect(frame, SolidBrush(back));
        if (m_monoDisabledImages)
            DrawEmbossedImage(dc, at.x, at.y, s_imageWidth, s_imageHeight, bitmap, back);
        else if (s_fullColourImagesSeen)
            DrawGreyedBitmap(dc, at.x, at.y, s_imageWidth, s_imageHeight, bitmap, back);
        else
            DrawDisabledBitmap(dc, at.x, at.y, s_imageWidth, s_imageHeight, bitmap, back);
    } else if (checked) {
        gdi::Rect box(r.left + 1, r.top + dy + 2, r.left + s_imageWidth + 1, r.top + dy + s_imageHeight + 2);
        dc.FillSolidRect(box, selected ? back : gdi::Lighten(back, 0.6));
        gdi::Rect edge = box;
        dc.DrawEdge(edge, gdi::BDR_SUNKENOUTER, gdi::BF_RECT);
        if (dis->radioCheck)
            PaintRadioDot(dc, box.left + 5, box.top + 4, Sys(gdi::COLOR_MENUTEXT));
        else
            PaintCheckGlyph(dc, box.left + 4, box.top + 4, Sys(gdi::COLOR_MENUTEXT), false);
    }
    if (record.text.isEmpty())
        return;
    const gdi::Rect textRect(r.left + s_imageWidth + 9, r.top - 1, r.right, r.bottom - 1);
    const int oldMode = dc.SetBkMode(gdi::TRANSPARENT);
    if (!grayed) {
        DrawTextParts(dc, record.text, textRect, s_imageWidth, textColour);
    } else if (selected) {
        DrawTextParts(dc, record.text, textRect, s_imageWidth, back);
    } else {
        DrawTextParts(dc, record.text, textRect, s_imageWidth, light, 1);
        DrawTextParts(dc, record.text, textRect, s_imageWidth, Sys(gdi::COLOR_GRAYTEXT));
    }
    dc.SetBkMode(oldMode);
}

// The XP look: a tinted image column, a light highlight framed in the highlight colour, and the
// image lifted over its shadow under the mouse.
void KestMenu::DrawXP(const DRAWITEMSTRUCT* dis) {
    gdi::Dc& dc = *dis->pDC;
    const KestMenuData& record = *dis->itemData;
    const bool grayed = dis->itemState & ODS_GRAYED;
    const bool checked = dis->itemState & ODS_CHECKED;
    bool selected = dis->itemState & ODS_SELECTED;
    const int saved = dc.SaveDC();
    if (grayed && !s_xpHiliteDisabled) {
        selected = false;
        dc.SelectFont(gdi::Font(gdi::GetMenuFont()));
    }
    const int extra = s_xpImageVariants ? 7 : 4;
    const int column = s_imageWidth + extra;
    const COLORREF itemBack = ItemBackground();
    const COLORREF bar = BarColour();
    const COLORREF selection = SelectionColour();
    const COLORREF highlight = Sys(gdi::COLOR_HIGHLIGHT);
    const gdi::Rect r = dis->rcItem;
    const gdi::Rect columnRect(r.left, r.top, r.left + column, r.bottom);
    if (record.flags & MF_SEPARATOR) {
        dc.FillSolidRect(r, itemBack);
        gdi::Rect line(r.left + extra, r.top + r.Height() / 2, r.right, r.bottom);
        dc.DrawEdge(line, gdi::EDGE_ETCHED, gdi::BF_TOP);
        dc.FillSolidRect(columnRect, bar);
        dc.FrameRect(columnRect, SolidBrush(bar));
        dc.RestoreDC(saved);
        return;
    }
    ItemImage image;
    if (record.nOwnImageMark < 0 && record.nSharedImage >= 0) {
        image.list = s_sharedImages.get();
        image.normal = record.nSharedImage;
        if (s_xpImageVariants && HasImageSet(image.normal)) {
            image.faded = image.normal + 1;
            image.shadow = image.normal + 2;
            image.disabled = image.normal + 3;
        }
    } else if (record.nOwnImageMark >= 0 && record.ownImages) {
        image.list = record.ownImages.get();
        image.normal = record.nOwnImage;
        if (s_xpImageVariants && record.nOwnImage == 0 && record.ownImages->GetImageCount() > 2) {
            image.faded = 1;
            image.shadow = 2;
            image.disabled = 3;
        }
    }
    const bool hasImage = image.Has();
    const bool hasSet = image.faded >= 0 && image.disabled < image.list->GetImageCount();
    const bool checkImages = UsesCheckImages(hasImage, checked, selected);
    if (selected) {
        dc.FillSolidRect(r, selection);
        dc.FrameRect(r, SolidBrush(highlight));
    } else {
        dc.FillSolidRect(r, itemBack);
        dc.FillSolidRect(columnRect, bar);
        dc.FrameRect(r, SolidBrush(itemBack));
        dc.FrameRect(columnRect, SolidBrush(bar));
    }
    const int dx = std::max((column - s_imageWidth + 1) / 2, 0);
    const int dy = std::max((r.Height() - s_imageHeight + 1) / 2, 0);
    const gdi::Point at(r.left + dx, r.top + dy);
    const gdi::Rect box(r.left + 1, r.top + 1, r.left + column - 2, r.bottom - 1);
    const auto draw = [&](int index, gdi::Point p) { image.list->Draw(&dc, index, p, gdi::ILD_TRANSPARENT); };
    if (checkImages) {
        dc.FillSolidRect(box, bar);
        m_checkImages->Draw(&dc, selected ? 1 : 0, at, gdi::ILD_TRANSPARENT);
    } else if (hasImage && selected) {
        if (checked) {
            dc.FillSolidRect(box, gdi::Lighten(highlight, 0.55));
            dc.FrameRect(box, SolidBrush(highlight));
            draw(image.normal, at - gdi::Point(1, 1));
        } else {
            dc.FillSolidRect(box, selection);
            if (hasSet) {
                draw(image.shadow, at + gdi::Point(1, 1));
                draw(image.normal, at - gdi::Point(1, 1));
            } else {
                draw(image.normal, at);
            }
        }
    } else if (hasImage && !grayed) {
        if (checked) {
            dc.FillSolidRect(box, gdi::Lighten(highlight, 0.85));
            dc.FrameRect(box, SolidBrush(highlight));
            draw(image.normal, at - gdi::Point(1, 1));
        } else {
            dc.FillSolidRect(box, bar);
            dc.FrameRect(box, SolidBrush(bar));
            draw(hasSet ? image.faded : image.normal, at);
        }
    } else if (hasImage) {
        if (hasSet) {
            draw(image.disabled, at);
        } else {
            const COLORREF under = selected ? selection : bar;
            const QImage bitmap = IconToBitmap(*image.list, image.normal);
            if (m_monoDisabledImages)
                DrawEmbossedImage(dc, at.x, at.y, s_imageWidth, s_imageHeight, bitmap, under);
            else
                DrawDisabledBitmap(dc, at.x, at.y, s_imageWidth, s_imageHeight, bitmap, under);
            if (selected)
                dc.FrameRect(r, SolidBrush(highlight));
        }
    } else if (checked) {
        dc.FillSolidRect(box, gdi::Lighten(highlight, selected ? 0.55 : 0.85));
        dc.FrameRect(box, SolidBrush(highlight));
        const int ox = std::max(box.Width() / 2 - 3, 0);
        const int oy = std::max(box.Height() / 2 - 3, 0);
        if (dis->radioCheck)
            PaintRadioDot(dc, box.left + ox, box.top + oy, Sys(gdi::COLOR_MENUTEXT));
        else
            PaintCheckGlyph(dc, box.left + ox, box.top + oy, Sys(gdi::COLOR_MENUTEXT), true);
    }
    if (!record.text.isEmpty()) {
        const gdi::Rect textRect(r.left + column + 8, r.top - 1, r.right, r.bottom - 1);
        COLORREF colour = Sys(gdi::COLOR_MENUTEXT);
        if (grayed) {
            const COLORREF grey = Sys(gdi::COLOR_GRAYTEXT);
            colour = gdi::IsThemedLook() || selected ? grey : gdi::Lighten(grey, 0.4);
        }
        dc.SetBkMode(gdi::TRANSPARENT);
        DrawTextParts(dc, record.text, textRect, s_imageWidth, colour);
    }
    dc.RestoreDC(saved);
}

void KestMenu::PaintRadioDot(gdi::Dc& dc, int x, int y, COLORREF colour) {
    const int saved = dc.SaveDC();
    dc.SelectBrush(SolidBrush(colour));
    dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 0, colour});
    dc.Ellipse(gdi::Rect(x, y, x + 6, y + 6));
    dc.RestoreDC(saved);
}

void KestMenu::PaintCheckGlyph(gdi::Dc& dc, int x, int y, COLORREF colour, bool narrow) {
    static constexpr int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
    static constexpr int kBottom[7] = {5, 6, 7, 6, 5, 4, 3};
    const int saved = dc.SaveDC();
    dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 0, colour});
    for (int k = 0; k < 7; ++k) {
        dc.MoveTo(x + k, y + kTop[k]);
        dc.LineTo(x + k, y + kBottom[k] - (narrow ? 1 : 0));
    }
    dc.RestoreDC(saved);
}

QImage KestMenu::IconToBitmap(const gdi::ImageList& list, int index) {
    QImage bitmap(s_imageWidth, s_imageHeight, QImage::Format_RGB32);
    bitmap.fill(gdi::ToQColor(Sys(gdi::COLOR_3DFACE)));
    if (index >= 0 && index < list.GetImageCount()) {
        QPainter p(&bitmap);
        p.drawImage(0, 0, list.Image(index));
    }
    return bitmap;
}

namespace {

// The silhouette of `shape` pixels: on `background` in the rectangle, the light 3-D colour one
// pixel right and down, then the shadow colour in place.
template <class Shape>
void DrawSilhouette(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                    COLORREF background, Shape shape) {
    const QImage source = bitmap.convertToFormat(QImage::Format_RGB32);
    QImage out(width + 1, height + 1, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const QRgb back = gdi::ToQColor(background).rgb();
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            out.setPixel(i, j, back);
    const QRgb light = gdi::ToQColor(Sys(gdi::COLOR_3DHIGHLIGHT)).rgb();
    const QRgb dark = gdi::ToQColor(Sys(gdi::COLOR_3DSHADOW)).rgb();
    const int w = std::min(width, source.width());
    const int h = std::min(height, source.height());
    for (const auto& [colour, offset] : {std::pair{light, 1}, std::pair{dark, 0}})
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const QRgb c = source.pixel(i, j);
                if (shape(gdi::Rgb(qRed(c), qGreen(c), qBlue(c))))
                    out.setPixel(i + offset, j + offset, colour);
            }
    dc.DrawState(out, gdi::Point(x, y), gdi::DST_BITMAP);
}

} // namespace

void KestMenu::DrawEmbossedImage(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                                 COLORREF background) {
    // A pixel counts as dark when it is nearer black than white.
    DrawSilhouette(dc, x, y, width, height, bitmap, background, [](COLORREF c) {
        return gdi::GetRValue(c) + gdi::GetGValue(c) + gdi::GetBValue(c) < 383;
    });
}

void KestMenu::DrawDisabledBitmap(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                                  COLORREF background) {
    const COLORREF face = Sys(gdi::COLOR_3DFACE);
    const COLORREF light = Sys(gdi::COLOR_3DHIGHLIGHT);
    DrawSilhouette(dc, x, y, width, height, bitmap, background,
                   [face, light](COLORREF c) { return c != face && c != light; });
}

void KestMenu::DrawGreyedBitmap(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                                COLORREF background) {
    dc.DrawState(DisabledImage(bitmap, background).copy(0, 0, width, height), gdi::Point(x, y),
                 gdi::DST_BITMAP);
}

QImage KestMenu::ColourSwatch(COLORREF fill, COLORREF border, int hatch, gdi::Size size) {
    gdi::BitmapDc dc(s_imageWidth, s_imageHeight, MenuBackground());
    dc.SelectPen(gdi::Pen{gdi::PS_SOLID, 1, border});
    dc.SelectBrush(hatch < 0 ? gdi::Brush::Solid(fill) : gdi::Brush::Hatch(hatch, fill));
    const int x = (s_imageWidth - size.cx) / 2;
    const int y = (s_imageHeight - size.cy) / 2;
    dc.Rectangle(gdi::Rect(x, y, x + size.cx, y + size.cy));
    return dc.Image().copy();
}

int KestMenu::FindMnemonicItem(QChar ch, unsigned flags, QMenu* menu) {
    if (!menu || !(flags & MF_POPUP))
        return 0;
    const QString key = (QStringLiteral("&") + ch).toLower();
    KestMenu* owner = FromHandle(menu);
    const QList<QAction*> actions = menu->actions();
    if (owner && owner->m_items.size() != static_cast<std::size_t>(actions.size()))
        owner->ReconcileRecords();
    for (int pos = 0; pos < actions.size(); ++pos) {
        const QString text = owner && pos < static_cast<int>(owner->m_items.size())
                                 ? owner->m_items[static_cast<std::size_t>(pos)]->text
                                 : actions[pos]->text();
        if (text.toLower().contains(key))
            return pos | (MNC_EXECUTE << 16);
    }
    return 0;
}
