#pragma once
// The on-screen preview of a report: the document is laid out once for the printer's printable
// area, and only the pages in view are drawn, each into an image at the current zoom, so the
// window opens at once whatever the page count. A few drawn pages are kept while scrolling; a new
// zoom draws them again. Its 打印… prints the whole document on the same printer and closes it;
// a print that cannot be made says why and leaves it open.

#include <QDialog>
#include <QImage>
#include <QRectF>

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
    // Page `index` drawn at the current zoom, from the kept pages or drawn now.
    QImage PageImage(int index);
    // The pages drawn since the dialog was made, in order (each drawing, kept pages not counted).
    const std::vector<int>& DrawnPages() const { return m_drawn; }
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
        QImage image;
    };
    std::list<Kept> m_kept; // most recently used first
    std::vector<int> m_drawn;
    int m_painted = 0;

    PreviewView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QAction* m_first = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
};

} // namespace report
