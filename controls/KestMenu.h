#pragma once
// The icon menu: a menu that keeps, beside the real menu, one record per item (text, command,
// image references) and paints the items of its popups itself, with the command's toolbar image
// in a tinted column at the left, the label and a right-aligned accelerator. Every icon menu
// shares one image list of command images, so an image loaded once serves every menu. The menu
// bar itself stays plain: only the items inside popups are drawn here.
//
// The real menu is a QMenu; its popups are QMenus whose style hands each item to MeasureItem and
// DrawItem of this class, drawing through a gdi::Dc on the menu's painter.

#include "platform/gdi/Colour.h"
#include "platform/gdi/ImageList.h"
#include "platform/gdi/OwnerDraw.h"
#include "platform/gdi/System.h"
#include "platform/gdi/Types.h"

#include <QMenu>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QAction;

namespace gdi {
class Dc;
}
namespace res {
struct Menu;
struct MenuItem;
struct Toolbar;
} // namespace res

// Menu item flags.
inline constexpr unsigned MF_STRING = 0x0000;
inline constexpr unsigned MF_BYCOMMAND = 0x0000;
inline constexpr unsigned MF_GRAYED = 0x0001;
inline constexpr unsigned MF_DISABLED = 0x0002;
inline constexpr unsigned MF_CHECKED = 0x0008;
inline constexpr unsigned MF_POPUP = 0x0010;
inline constexpr unsigned MF_END = 0x0080;
inline constexpr unsigned MF_OWNERDRAW = 0x0100;
inline constexpr unsigned MF_BYPOSITION = 0x0400;
inline constexpr unsigned MF_SEPARATOR = 0x0800;
// The answer to a typed menu character that runs the item at a position.
inline constexpr int MNC_EXECUTE = 2;

// The record of one item.
struct KestMenuData {
    QString text;             // label, and for an accelerator a tab and the accelerator text
    int nOwnImage = -1;       // index in the item's own image list; 0 when it has one
    int nSharedImage = -1;    // index in the shared image list
    int nOwnImageMark = -1;   // 0 or more when the own image list is to be drawn from
    unsigned flags = 0;       // the MF_ flags of the item
    int nID = 0;              // the command; 0 for a separator or a popup
    QPointer<QMenu> hSubMenu; // the submenu of a popup item
    bool syncMark = false;    // scratch flag of ReconcileRecords
    std::unique_ptr<gdi::ImageList> ownImages;
};

// What DrawItem is told for one item.
struct DRAWITEMSTRUCT {
    unsigned itemState = 0; // ODS_SELECTED, ODS_GRAYED, ODS_CHECKED
    gdi::Rect rcItem;
    gdi::Dc* pDC = nullptr;
    const KestMenuData* itemData = nullptr;
    bool radioCheck = false; // the item shows its check as a round dot (a radio item)
};

struct MEASUREITEMSTRUCT {
    const KestMenuData* itemData = nullptr;
    int itemWidth = 0;
    int itemHeight = 0;
};

class KestMenu {
public:
    KestMenu();
    virtual ~KestMenu();
    KestMenu(const KestMenu&) = delete;
    KestMenu& operator=(const KestMenu&) = delete;

    // The real menu: the top level (an empty QMenu whose actions fill a menu bar) or a popup.
    QMenu* GetMenu() const { return m_hMenu; }
    // Makes this an empty popup menu of its own (a context menu), dropping what it held.
    bool CreatePopupMenu();
    // Gives the real menu to the caller, who owns it from now on; the records and submenu objects
    // stay here. Null for a menu that was already given away or is not a top level.
    QMenu* Detach();
    // The icon menu of a real menu, or null.
    static KestMenu* FromHandle(const QMenu* menu);

    // Building.
    virtual bool LoadMenu(int id);
    // A menu resource by name: our menus are numbered, so the name is "#" and the number (or the
    // number alone); any other name finds nothing.
    virtual bool LoadMenu(const QString& name);
    bool LoadMenu(const res::Menu& menu);
    bool AddToolbarImages(int toolbarId);
    bool AddToolbarImages(const res::Toolbar& toolbar);
    bool AddImagesFromToolbars(const std::vector<int>& toolbarIds);
    virtual bool DestroyMenu();

    // Items. A command id 0 is a separator. `toolbarId` -1 takes the command's image from the
    // shared list when it has one there. An item given an image list gets a list of its own with
    // a copy of that image (and its variants); an item given a bitmap gets the bitmap's first
    // 16 × 15 image, masked with the mask colour; a null bitmap appends without image.
    bool AppendItem(const QString& text, unsigned flags, int id, int toolbarId = -1);
    bool AppendItem(const QString& text, unsigned flags, int id, const gdi::ImageList* list, int index);
    bool AppendItem(const QString& text, unsigned flags, int id, const QImage* bitmap);
    // Before `position` (MF_BYPOSITION; a negative position appends) or before the item of command
    // `position`, in whichever popup it is (false when it is nowhere). An image from a list or a
    // bitmap goes into the shared list.
    bool InsertItem(int position, const QString& text, unsigned flags, int id, int toolbarId = -1);
    bool InsertItem(int position, const QString& text, unsigned flags, int id, const gdi::ImageList* list,
                    int index);
    bool InsertItem(int position, const QString& text, unsigned flags, int id, const QImage* bitmap);
    // The same with the argument order of the plain menu's calls.
    bool AppendMenu(unsigned flags, int id, const QString& text, int toolbarId = -1);
    bool AppendMenu(unsigned flags, int id, const QString& text, const gdi::ImageList* list, int index);
    bool AppendMenu(unsigned flags, int id, const QString& text, const QImage* bitmap);
    bool InsertMenu(int position, unsigned flags, int id, const QString& text, int toolbarId = -1);
    bool InsertMenu(int position, unsigned flags, int id, const QString& text, const gdi::ImageList* list,
                    int index);
    bool InsertMenu(int position, unsigned flags, int id, const QString& text, const QImage* bitmap);
    // Every item of the tree with command `id` takes the text (null keeps it) and the image. When
    // the command is nowhere in the tree, this menu keeps a record of it with that text and image
    // for the item that is to come (taken in when the records are brought in step), and the
    // answer is false. An item that other code put into a popup gets its record there.
    bool ModifyItem(const QString& text, int id, int toolbarId = -1);
    bool ModifyItem(const QString& text, int id, const gdi::ImageList* list, int index);
    bool ModifyItem(const QString& text, int id, const QImage* bitmap);
    // A colour swatch as the image: a rectangle of `size` (null: the image size) centred on the
    // menu background, outlined in `border` and filled with `fill`, solid or in hatch style
    // `hatch` (HS_; -1 solid).
    bool ModifyItem(const QString& text, int id, gdi::COLORREF fill, gdi::COLORREF border, int hatch = -1,
                    const gdi::Size* size = nullptr);
    // The item whose text is `find` (anywhere in the tree) takes `text` (null keeps it) and an
    // image of its own from bitmap resource `bitmapId`; false when no item has that text.
    bool ModifyItemByText(const QString& text, const QString& find, int bitmapId);
    KestMenu* AddPopup(const QString& text);

    // The two images shown instead of the drawn check mark: `id` for a checked item, `selectedId`
    // for one under the mouse. Both ids must be above 0; when either bitmap cannot be had the menu
    // has no check images. Popups made afterwards share them.
    void LoadCheckImages(int id, int selectedId);
    const gdi::ImageList* CheckImages() const { return m_checkImages.get(); }

    bool GetItemLabel(int idOrPosition, QString* text, unsigned flags = MF_BYCOMMAND) const;
    bool SetItemLabel(int idOrPosition, const QString& text, unsigned flags = MF_BYCOMMAND);

    // Searching.
    const std::vector<std::unique_ptr<KestMenuData>>& Items() const { return m_items; }
    QMenu* GetSubMenu(int position) const;
    // The submenu whose entry (as the real menu holds it) reads `text`, or null.
    QMenu* GetSubMenu(const QString& text) const;
    KestMenu* FindPopupByText(const QString& text) const;
    int FindRecordIndex(const QString& text) const;
    // Depth first in position order, submenus first; (null, -1) when nowhere.
    std::pair<QMenu*, int> FindItem(int id) const;
    std::pair<QMenu*, int> FindNextItem(int id, const std::vector<std::pair<QMenu*, int>>& found) const;
    KestMenuData* FindItemData(int id) const;
    KestMenuData* FindItemByText(const QString& text) const;

    // Removing: by command or position (MF_BYPOSITION); by text, mode 1 or 2 also removes the item
    // before, mode 3 the items before and after. The by-text forms return the index found.
    bool RemoveMenu(int idOrPosition, unsigned flags);
    bool DeleteMenu(int idOrPosition, unsigned flags);
    int RemoveMenu(const QString& text, int mode);
    int DeleteMenu(const QString& text, int mode);

    // Brings the records in step with the real menu after other code changed it.
    static void ResyncMenu(KestMenu* menu);
    static void SetImageSize(int width, int height);
    static int ImageWidth() { return s_imageWidth; }
    static int ImageHeight() { return s_imageHeight; }
    static bool IsMenu(const QMenu* menu);
    static bool IsOwnMenu(const KestMenu* menu);
    static bool IsXPStyle();
    static int GetWindowsVersionCode() { return gdi::GetWindowsVersionCode(); }
    static bool IsClassicThemeActive() { return gdi::IsClassicThemeActive(); }
    static int GetDrawMode();
    static int GetHiliteDisabled();
    // The draw modes without and with the themed look (1 = XP style, else classic); they are
    // fixed in the program and set only where another look is to be seen.
    static void SetDrawModes(int unthemed, int themed);

    // The shared images: the list and the command of each entry.
    static const gdi::ImageList* SharedImages() { return s_sharedImages.get(); }
    static const std::vector<int>& SharedImageCommands() { return s_sharedImageCommands; }
    // Forgets the shared images (a fresh start for each menu test).
    static void ClearSharedImages();
    // Whether entry `index` of the shared list starts a set (normal, faded, shadow, disabled).
    static bool HasImageSet(int index);

    // Measuring and painting (the popups' style calls them for each item).
    virtual void MeasureItem(MEASUREITEMSTRUCT* mis);
    virtual void DrawItem(const DRAWITEMSTRUCT* dis);
    // The answer to character `ch` typed in popup `menu`: position | (MNC_EXECUTE << 16) of the
    // first item whose text holds "&" and that character in either case; 0 when none does.
    static int FindMnemonicItem(QChar ch, unsigned flags, QMenu* menu);

    // Bitmaps added with a mask colour of their own, and disabled images as an embossed silhouette.
    void SetMaskColour(gdi::COLORREF colour) {
        m_maskColour = colour;
        m_useMaskColour = true;
    }
    void ClearMaskColour() { m_useMaskColour = false; }
    void SetMonoDisabledImages(bool on) { m_monoDisabledImages = on; }
    bool GetMonoDisabledImages() const { return m_monoDisabledImages; }

    static void PaintRadioDot(gdi::Dc& dc, int x, int y, gdi::COLORREF colour);
    static void PaintCheckGlyph(gdi::Dc& dc, int x, int y, gdi::COLORREF colour, bool narrow);
    // Image `index` of `list` drawn on the face colour, image-sized.
    static QImage IconToBitmap(const gdi::ImageList& list, int index);
    // Disabled images, each on `background` in the rectangle at (x, y): the bitmap's dark pixels
    // as a silhouette in the light 3-D colour one pixel right and down and the shadow colour in
    // place (embossed); the same for every pixel that is neither face nor light (disabled); the
    // disabled tint of each pixel (greyed).
    static void DrawEmbossedImage(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                                  gdi::COLORREF background);
    static void DrawDisabledBitmap(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                                   gdi::COLORREF background);
    static void DrawGreyedBitmap(gdi::Dc& dc, int x, int y, int width, int height, const QImage& bitmap,
                                 gdi::COLORREF background);
    // The swatch image of the colour-swatch ModifyItem.
    static QImage ColourSwatch(gdi::COLORREF fill, gdi::COLORREF border, int hatch, gdi::Size size);
    // A copy of image `index` of `source` in a new list `destination` of the source's image size,
    // followed in the XP style by its faded, shadow and disabled variants; false for no image.
    static bool AddIconVariants(const gdi::ImageList* source, int index,
                                std::unique_ptr<gdi::ImageList>* destination);

    // The image variants a command keeps beside its image, each from `image` drawn on the face
    // colour: lighter, a one-colour shadow, and the disabled tint.
    static QImage FadedImage(const QImage& image);
    static QImage ShadowImage(const QImage& image);
    static QImage DisabledImage(const QImage& image, gdi::COLORREF background = gdi::CLR_NONE);

private:
    void Attach(QMenu* menu, bool owned);
    KestMenu* NewSubMenu();
    void BuildPopup(const std::vector<res::MenuItem>& items);
    bool AddRecord(int position, const QString& text, unsigned flags, int id, KestMenu* subMenu,
                   int sharedImage);
    bool FindInsertPosition(int position, unsigned flags, KestMenu** menu, int* at);
    bool InsertImageItem(int position, const QString& text, unsigned flags, int id,
                         const gdi::ImageList* list, int index);
    bool ModifyRecords(const QString& text, int id, int sharedImage);
    bool FindRecord(const KestMenuData* record, KestMenu** menu, int* index);
    int ToolbarImage(int id, int toolbarId) const;
    gdi::COLORREF MaskColour() const;
    std::unique_ptr<gdi::ImageList> BitmapList(const QImage& bitmap) const;
    void RevertTopLevel();
    void PadAccelerators();
    int MenuStart() const;
    QAction* ActionAt(int position) const;
    void ReconcileRecords();
    bool FindPosition(int id, KestMenu** menu, int* position);
    bool RemoveAt(int position, bool destroy);
    int RemoveByText(const QString& text, int mode, bool destroy);
    bool UsesCheckImages(bool hasImage, bool checked, bool selected) const;
    void DrawClassic(const DRAWITEMSTRUCT* dis);
    void DrawXP(const DRAWITEMSTRUCT* dis);

    static int AppendBitmapImages(const gdi::ImageList& list, int index, int command);
    static QImage SystemColouredBitmap(const QImage& bitmap, bool sixteenColours);
    static QImage LoadBitmapResource(int bitmapId);
    bool LoadBitmapIntoList(gdi::ImageList& list, const QImage& bitmap) const;

    std::vector<std::unique_ptr<KestMenuData>> m_items;
    std::vector<std::unique_ptr<KestMenu>> m_subMenus;
    QPointer<QMenu> m_hMenu;
    std::unique_ptr<QMenu> m_ownedMenu;
    gdi::COLORREF m_maskColour = gdi::Rgb(192, 192, 192);
    bool m_useMaskColour = false;
    bool m_monoDisabledImages = false;
    // Shared with the popups made after they were loaded.
    std::shared_ptr<gdi::ImageList> m_checkImages;
    bool m_checkImagesBorrowed = false;
    int m_checkImageSelId = -1;
    int m_checkImageId = -1;
    bool m_loadedFromResource = false;
    // Records of commands that are not in the menu yet (ModifyItem).
    std::vector<std::unique_ptr<KestMenuData>> m_pendingRecords;

    static int s_imageWidth;
    static int s_imageHeight;
    static std::unique_ptr<gdi::ImageList> s_sharedImages;
    static std::vector<int> s_sharedImageCommands;
    static int s_drawModeUnthemed;
    static int s_drawModeThemed;
    static constexpr int s_classicHiliteDisabled = 1;
    static constexpr int s_xpHiliteDisabled = 0;
    static constexpr bool s_xpImageVariants = true;
    static constexpr bool s_alignLabels = true;
    static bool s_fullColourImagesSeen;
};
