#pragma once
// The on-screen preview of a report: the document is laid out once for the printer's printable
// area, and only the pages in view are drawn, each into an image at the current zoom, so the
// window opens at once whatever the page count. Zoomed in so far that a whole page's image would
// be large, only the part of a page in view is drawn, in square pieces. The drawn images are kept
// while scrolling, as many as fit in a fixed number of bytes; a new zoom draws them again. A page
// that cannot be drawn (no memory for its image) says so on the paper. Its 打印… prints the whole
// document on the same printer and closes it; a print that cannot be made says why and leaves it
// open.

#include <QDialog>
#include <QImage>
#include <QRectF>

#include <functional>
#include <list>
#include <vector>

class QAction;
class QPrinter;
class QSpinBox;

namespace report {

class Document;
class PreviewView;

class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    // The dialog lays `document` out for `printer` (already set up by Document::SetupPrinter);
    // both must outlive it. `fitWidth` opens it with the page filling the width, otherwise with a
    // whole page in view.
    PreviewDialog(Document& document, QPrinter& printer, bool fitWidth, QWidget* parent = nullptr);
    ~PreviewDialog() override;

    int PageCount() const { return m_pages; }
    // The page looked at (0-based): the one at the top of the view, or the last one gone to.
    int CurrentPage() const { return m_current; }
    void GoToPage(int index);

    // Screen pixels per centimetre of paper.
    double Zoom() const { return m_dpc; }
    void SetZoom(double dotsPerCm);
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitPage();

    // The paper of a page at the current zoom, in screen pixels.
    QSize PageSize() const;
    // Page `index` drawn whole at the current zoom, from the kept pages or drawn now; at a zoom
    // that draws pages in pieces it is drawn now and not kept. Null when there is no memory for it.
    QImage PageImage(int index);
    // The pages drawn since the dialog was made, in order (each drawing, kept pages not counted;
    // a page drawn in pieces counts once for each run of pieces drawn together).
    const std::vector<int>& DrawnPages() const { return m_drawn; }
    // The bytes of the drawn images kept, and what they are held to: the images in view are kept
    // whatever their size, others only within the bound.
    qint64 KeptBytes() const;
    static constexpr qint64 kKeptBytesBound = qint64(128) << 20;
    // The text a page that cannot be drawn shows.
    static QString NotDrawnText();

    // Makes the images pages are drawn into (the test seam for an image that cannot be made); an
    // empty function restores QImage's own.
    using ImageMaker = std::function<QImage(const QSize& size, QImage::Format format)>;
    void SetImageMaker(ImageMaker maker) { m_makeImage = std::move(maker); }
    // How many times a drawn page has been painted on screen.
    int PagesPainted() const { return m_painted; }

    // Opens the print dialog on the preview's printer, prints every page on it and closes; when the
    // printer or its file cannot be printed on, says so and stays open.
    void PrintDocument();

private:
    friend class PreviewView;
    enum class Fit { Width, Page, None };

    void LayOut();
    void Relayout(double dotsPerCm, Fit fit);
    void ApplyFit();
    void UpdateScrollBars();
    void ScrolledTo(int value);
    void ShowCurrent();
    // The top of page `index` in the view's content, in pixels.
    int PageTop(int index) const;
    int Pitch() const;
    void PaintPages(QPainter& painter, const QRect& exposed);
    // A page's paper in the image's pixels, and the side of the pieces it is drawn in (the whole
    // paper when its image is small enough).
    QSize PagePixels() const;
    QSize PieceSize() const;
    // Draws `part` (image pixels of the paper) of page `index`; null without memory for it.
    QImage DrawPart(int index, const QRect& part);
    // The kept piece of a page, moved to the front, or null.
    QImage* FindKept(int index, QPoint piece);
    // Draws the pieces of row `row` of page `index` from column `from` to column `to` that are not
    // kept and keeps them.
    void DrawPieces(int index, int row, int from, int to);
    // Drops the least recently used images not in view beyond the bounds.
    void TrimKept();

    Document& m_document;
    QPrinter& m_printer;
    int m_pages = 1;
    QSizeF m_paperCm;     // the paper's size
    QRectF m_printableCm; // the printable area on the paper

    double m_dpc = 37.8; // screen pixels per cm
    Fit m_fit = Fit::Width;
    int m_current = 0;
    bool m_going = false; // scrolling to a page gone to: it stays the current one

    struct Kept {
        int index;
        QPoint piece; // its column and row among the page's pieces
        QImage image;
        unsigned paint = 0; // the last paint it was drawn on screen in
    };
    std::list<Kept> m_kept; // most recently used first
    std::vector<int> m_drawn;
    int m_painted = 0;
    unsigned m_paints = 0;
    ImageMaker m_makeImage;

    PreviewView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QAction* m_first = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
};

} // namespace report
