#include "platform/report/PreviewDialog.h"

#include "platform/report/Document.h"
#include "platform/report/Output.h"
#include "platform/ui/ModalRunner.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QPageLayout>
#include <QPainter>
#include <QPaintEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace report {

namespace {

constexpr int kGap = 12;              // pixels around and between the pages
constexpr double kZoomStep = 1.25;    // one 放大 or 缩小
constexpr double kMinDpc = 2;         // screen pixels per cm, at the smallest
constexpr double kMaxDpc = 250;       // and at the largest
constexpr std::size_t kKeptPages = 6; // whole pages kept besides those in view
// A page whose image would take more than this is drawn in square pieces of kPiece pixels, only
// those in view.
constexpr qint64 kWholePageBytes = qint64(32) << 20;
constexpr int kPiece = 512;
const QColor kBackground(128, 128, 128);

} // namespace

// The pages one under the other on a grey ground; it scrolls by its own scroll bars, whose range
// covers every page however many there are, and paints only the pages it shows.
class PreviewView : public QAbstractScrollArea {
public:
    explicit PreviewView(PreviewDialog& dialog) : m_dialog(dialog) {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setFrameShape(QFrame::NoFrame);
        viewport()->setAutoFillBackground(false);
        viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), kBackground);
        m_dialog.PaintPages(painter, event->rect());
    }
    void resizeEvent(QResizeEvent* event) override {
        QAbstractScrollArea::resizeEvent(event);
        m_dialog.ApplyFit();
    }
    void scrollContentsBy(int, int) override { viewport()->update(); }
    void wheelEvent(QWheelEvent* event) override {
        if (event->modifiers() & Qt::ControlModifier) {
            // A step of the wheel zooms by one step; a touchpad's small turns add up to it.
            m_turned += event->angleDelta().y();
            for (; m_turned >= kWheelStep; m_turned -= kWheelStep)
                m_dialog.ZoomIn();
            for (; m_turned <= -kWheelStep; m_turned += kWheelStep)
                m_dialog.ZoomOut();
            event->accept();
            return;
        }
        QAbstractScrollArea::wheelEvent(event);
    }

private:
    static constexpr int kWheelStep = 120; // eighths of a degree in one step of a mouse wheel
    PreviewDialog& m_dialog;
    int m_turned = 0;
};

PreviewDialog::PreviewDialog(Document& document, QPrinter& printer, bool fitWidth, QWidget* parent)
    : QDialog(parent), m_document(document), m_printer(printer), m_fit(fitWidth ? Fit::Width : Fit::Page) {
    setWindowTitle(document.Definition().title.isEmpty() ? QStringLiteral("打印预览")
                                                         : document.Definition().title);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tools->setMovable(false);
    tools->addAction(QStringLiteral("适合宽度"), this, &PreviewDialog::FitWidth);
    tools->addAction(QStringLiteral("整页"), this, &PreviewDialog::FitPage);
    tools->addAction(QStringLiteral("放大"), this, &PreviewDialog::ZoomIn);
    tools->addAction(QStringLiteral("缩小"), this, &PreviewDialog::ZoomOut);
    tools->addSeparator();
    m_first = tools->addAction(QStringLiteral("首页"), this, [this] { GoToPage(0); });
    m_previous = tools->addAction(QStringLiteral("上一页"), this, [this] { GoToPage(m_current - 1); });
    m_pageBox = new QSpinBox(tools);
    m_pageBox->setKeyboardTracking(false); // the page typed is gone to on Enter
    m_pageBox->setAlignment(Qt::AlignCenter);
    tools->addWidget(m_pageBox);
    m_next = tools->addAction(QStringLiteral("下一页"), this, [this] { GoToPage(m_current + 1); });
    m_last = tools->addAction(QStringLiteral("末页"), this, [this] { GoToPage(m_pages - 1); });
    tools->addSeparator();
    tools->addAction(QStringLiteral("打印…"), this, &PreviewDialog::PrintDocument);
    tools->addAction(QStringLiteral("关闭"), this, &QDialog::reject);
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) { GoToPage(page - 1); });

    m_view = new PreviewView(*this);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewDialog::ScrolledTo);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_view, 1);

    LayOut();
    ApplyFit();
    m_view->setFocus();
}

PreviewDialog::~PreviewDialog() = default;

// As Document::Print does it: the pages are made for the printer's printable area in its dots.
void PreviewDialog::LayOut() {
    const int resolution = m_printer.resolution();
    const double dpc = resolution / 2.54;
    const QPageLayout page = m_printer.pageLayout();
    const QRect area = page.paintRectPixels(resolution);
    const QRect paper = page.fullRectPixels(resolution);
    m_pages = std::max(1, m_document.Layout(area.width() / dpc, area.height() / dpc));
    m_paperCm = QSizeF(paper.width() / dpc, paper.height() / dpc);
    m_printableCm = QRectF(area.x() / dpc, area.y() / dpc, area.width() / dpc,
                           area.height() / dpc);
    m_kept.clear();
    m_current = std::clamp(m_current, 0, m_pages - 1);
    {
        const QSignalBlocker quiet(m_pageBox);
        m_pageBox->setRange(1, m_pages);
        m_pageBox->setPrefix(QStringLiteral("第 "));
        m_pageBox->setSuffix(QStringLiteral(" 页，共 %1 页").arg(m_pages));
    }
    ShowCurrent();
}

QSize PreviewDialog::PageSize() const {
    return QSize(std::max(1, int(std::lround(m_paperCm.width() * m_dpc))),
                 std::max(1, int(std::lround(m_paperCm.height() * m_dpc))));
}

int PreviewDialog::Pitch() const {
    return PageSize().height() + kGap;
}

int PreviewDialog::PageTop(int index) const {
    return kGap + index * Pitch();
}

void PreviewDialog::SetZoom(double dotsPerCm) {
    Relayout(dotsPerCm, Fit::None);
}

void PreviewDialog::ZoomIn() {
    SetZoom(m_dpc * kZoomStep);
}

void PreviewDialog::ZoomOut() {
    SetZoom(m_dpc / kZoomStep);
}

void PreviewDialog::FitWidth() {
    m_fit = Fit::Width;
    ApplyFit();
}

void PreviewDialog::FitPage() {
    m_fit = Fit::Page;
    ApplyFit();
}

// The zoom the fit asks for the view's size now; a zoom of its own stays as it is.
void PreviewDialog::ApplyFit() {
    if (!m_view)
        return;
    double dpc = m_dpc;
    const QSize room = m_view->viewport()->size() - QSize(2 * kGap, 2 * kGap);
    if (m_fit != Fit::None && room.width() > 0 && room.height() > 0 && !m_paperCm.isEmpty()) {
        dpc = room.width() / m_paperCm.width();
        if (m_fit == Fit::Page)
            dpc = std::min(dpc, room.height() / m_paperCm.height());
    }
    Relayout(dpc, m_fit);
}

// A new zoom keeps the same place of the page at the top of the view there; the pages drawn at the
// old zoom are dropped.
void PreviewDialog::Relayout(double dotsPerCm, Fit fit) {
    dotsPerCm = std::clamp(dotsPerCm, kMinDpc, kMaxDpc);
    m_fit = fit;
    QScrollBar* bar = m_view->verticalScrollBar();
    const int oldPitch = Pitch();
    const int value = bar->value();
    const int page = value / oldPitch;
    const double within = double(value - page * oldPitch) / oldPitch;
    if (dotsPerCm != m_dpc) {
        m_dpc = dotsPerCm;
        m_kept.clear();
    }
    const bool going = m_going;
    m_going = true; // the page looked at stays the current one
    UpdateScrollBars();
    bar->setValue(page * Pitch() + int(std::lround(within * Pitch())));
    m_going = going;
    m_view->viewport()->update();
}

void PreviewDialog::UpdateScrollBars() {
    const QSize page = PageSize();
    const QSize view = m_view->viewport()->size();
    const qint64 height = qint64(m_pages) * Pitch() + kGap;
    const int width = page.width() + 2 * kGap;
    QScrollBar* v = m_view->verticalScrollBar();
    v->setRange(0, int(std::clamp<qint64>(height - view.height(), 0, INT_MAX)));
    v->setPageStep(std::max(1, view.height()));
    v->setSingleStep(std::max(1, view.height() / 20));
    QScrollBar* h = m_view->horizontalScrollBar();
    h->setRange(0, std::max(0, width - view.width()));
    h->setPageStep(std::max(1, view.width()));
    h->setSingleStep(std::max(1, view.width() / 20));
}

void PreviewDialog::GoToPage(int index) {
    index = std::clamp(index, 0, m_pages - 1);
    m_current = index;
    const bool going = m_going;
    m_going = true;
    m_view->verticalScrollBar()->setValue(PageTop(index) - kGap);
    m_going = going;
    ShowCurrent();
}

// Scrolled by the user: the current page is the one across the middle of the view.
void PreviewDialog::ScrolledTo(int value) {
    if (m_going)
        return;
    const int middle = value + m_view->viewport()->height() / 2;
    m_current = std::clamp((middle - kGap / 2) / Pitch(), 0, m_pages - 1);
    ShowCurrent();
}

void PreviewDialog::ShowCurrent() {
    {
        const QSignalBlocker quiet(m_pageBox);
        m_pageBox->setValue(m_current + 1);
    }
    m_first->setEnabled(m_current > 0);
    m_previous->setEnabled(m_current > 0);
    m_next->setEnabled(m_current < m_pages - 1);
    m_last->setEnabled(m_current < m_pages - 1);
}

QSize PreviewDialog::PagePixels() const {
    const double dpc = m_dpc * m_view->devicePixelRatioF();
    return QSize(std::max(1, int(std::lround(m_paperCm.width() * dpc))),
                 std::max(1, int(std::lround(m_paperCm.height() * dpc))));
}

QSize PreviewDialog::PieceSize() const {
    const QSize whole = PagePixels();
    if (qint64(whole.width()) * whole.height() * 4 <= kWholePageBytes)
        return whole;
    return QSize(kPiece, kPiece);
}

QString PreviewDialog::NotDrawnText() {
    return QStringLiteral("内存不足，这一页无法显示。");
}

qint64 PreviewDialog::KeptBytes() const {
    qint64 bytes = 0;
    for (const Kept& k : m_kept)
        bytes += k.image.sizeInBytes();
    return bytes;
}

// Drawn in the screen's own pixels, at a resolution that gives the report's point sizes the same
// size on the paper as its centimetres; the part is cut from the page as drawn whole.
QImage PreviewDialog::DrawPart(int index, const QRect& part) {
    const double ratio = m_view->devicePixelRatioF();
    const double dpc = m_dpc * ratio;
    QImage image = m_makeImage ? m_makeImage(part.size(), QImage::Format_RGB32)
                               : QImage(part.size(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    image.setDotsPerMeterX(int(std::lround(dpc * 100)));
    image.setDotsPerMeterY(int(std::lround(dpc * 100)));
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        painter.translate(m_printableCm.left() * dpc - part.left(), m_printableCm.top() * dpc - part.top());
        m_document.RenderPage(painter, index, dpc);
    }
    image.setDevicePixelRatio(ratio);
    m_drawn.push_back(index);
    return image;
}

QImage* PreviewDialog::FindKept(int index, QPoint piece) {
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->index == index && it->piece == piece) {
            m_kept.splice(m_kept.begin(), m_kept, it);
            return &m_kept.front().image;
        }
    }
    return nullptr;
}

QImage PreviewDialog::PageImage(int index) {
    const QSize whole = PagePixels();
    if (PieceSize() != whole)
        return DrawPart(index, QRect(QPoint(0, 0), whole));
    if (const QImage* kept = FindKept(index, QPoint(0, 0)))
        return *kept;
    QImage image = DrawPart(index, QRect(QPoint(0, 0), whole));
    if (!image.isNull())
        m_kept.push_front(Kept{index, QPoint(0, 0), image});
    return image;
}

// The pieces missing from the run are drawn together, in one drawing of the page, and cut apart.
void PreviewDialog::DrawPieces(int index, int row, int from, int to) {
    while (from <= to && FindKept(index, QPoint(from, row)))
        ++from;
    while (to >= from && FindKept(index, QPoint(to, row)))
        --to;
    if (from > to)
        return;
    const QSize piece = PieceSize();
    const QRect page(QPoint(0, 0), PagePixels());
    const QRect run =
        QRect(from * piece.width(), row * piece.height(), (to - from + 1) * piece.width(), piece.height()) &
        page;
    const QImage drawn = DrawPart(index, run);
    if (drawn.isNull())
        return;
    if (from == to) {
        m_kept.push_front(Kept{index, QPoint(from, row), drawn});
        return;
    }
    for (int column = from; column <= to; ++column) {
        if (FindKept(index, QPoint(column, row)))
            continue;
        const QRect cut = QRect(column * piece.width() - run.left(), 0, piece.width(), run.height()) &
                          QRect(QPoint(0, 0), run.size());
        QImage image = drawn.copy(cut);
        if (image.isNull())
            continue;
        image.setDevicePixelRatio(drawn.devicePixelRatio());
        m_kept.push_front(Kept{index, QPoint(column, row), image});
    }
}

void PreviewDialog::PaintPages(QPainter& painter, const QRect& exposed) {
    ++m_paints;
    const QSize page = PageSize();
    const double ratio = m_view->devicePixelRatioF();
    const QSize piece = PieceSize();
    const QRect pixels(QPoint(0, 0), PagePixels());
    const int top = m_view->verticalScrollBar()->value();
    const int viewWidth = m_view->viewport()->width();
    const int x = page.width() + 2 * kGap <= viewWidth ? (viewWidth - page.width()) / 2
                                                       : kGap - m_view->horizontalScrollBar()->value();
    const int first = std::max(0, (top + exposed.top() - kGap) / Pitch());
    const int last = std::min(m_pages - 1, (top + exposed.bottom()) / Pitch());
    for (int i = first; i <= last; ++i) {
        const QRect rect(QPoint(x, PageTop(i) - top), page);
        const QRect shown = rect & exposed;
        if (shown.isEmpty())
            continue;
        painter.fillRect(rect.translated(3, 3), QColor(80, 80, 80)); // a shadow under the paper
        // The pieces under the part in view, in the image's pixels.
        const QRectF within = QRectF(shown.translated(-rect.topLeft()));
        const QRect wanted = QRectF(within.topLeft() * ratio, within.size() * ratio).toAlignedRect() & pixels;
        const int left = wanted.left() / piece.width(), right = wanted.right() / piece.width();
        const int upper = wanted.top() / piece.height(), lower = wanted.bottom() / piece.height();
        QRect missing; // where no image could be made, on screen
        for (int row = upper; row <= lower; ++row) {
            DrawPieces(i, row, left, right);
            for (int column = left; column <= right; ++column) {
                const QPointF at =
                    QPointF(rect.topLeft()) + QPointF(column * piece.width(), row * piece.height()) / ratio;
                if (QImage* image = FindKept(i, QPoint(column, row))) {
                    painter.drawImage(at, *image);
                    m_kept.front().paint = m_paints;
                } else {
                    const QRect cell =
                        QRect(QPoint(column * piece.width(), row * piece.height()), piece) & pixels;
                    missing |= QRectF(at, QSizeF(cell.size()) / ratio).toAlignedRect() & rect;
                }
            }
        }
        if (!missing.isEmpty()) {
            painter.fillRect(missing, Qt::white);
            painter.setPen(Qt::black);
            painter.drawText(missing & exposed, Qt::AlignCenter | Qt::TextWordWrap, NotDrawnText());
        }
        ++m_painted;
    }
    TrimKept();
}

// The images in view are kept whatever they take; the others most recently used first, while
// they stay within the bytes (and, drawn whole, within kKeptPages).
void PreviewDialog::TrimKept() {
    const bool whole = PieceSize() == PagePixels();
    qint64 bytes = 0;
    for (const Kept& k : m_kept)
        if (k.paint == m_paints)
            bytes += k.image.sizeInBytes();
    std::size_t others = 0;
    for (auto it = m_kept.begin(); it != m_kept.end();) {
        if (it->paint != m_paints) {
            const qint64 size = it->image.sizeInBytes();
            if (bytes + size > kKeptBytesBound || (whole && others >= kKeptPages)) {
                it = m_kept.erase(it);
                continue;
            }
            bytes += size;
            ++others;
        }
        ++it;
    }
}

void PreviewDialog::PrintDocument() {
    QPrintDialog dialog(&m_printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setMinMax(1, m_pages);
    if (ui::ExecDialog(dialog) != QDialog::Accepted)
        return;
    if (!m_document.Print(m_printer)) {
        // Nothing came of it: the preview stays open to try again, shown as the document is now
        // laid out for the printer.
        SayPrintFailed(this, m_printer);
        LayOut();
        ApplyFit();
        return;
    }
    // Printed, the preview has done its work.
    accept();
}

} // namespace report
