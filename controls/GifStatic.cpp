#include "controls/GifStatic.h"

#include "controls/Picture.h"

#include "platform/db/FileGuard.h"

#include <QFile>
#include <QPainter>

namespace {

enum class BlockKind { Application, Comment, Control, PlainText, Image, Trailer, Unknown };

struct Block {
    BlockKind kind;
    qsizetype offset;
    qsizetype length;
};

int U8(const QByteArray& d, qsizetype pos) {
    return static_cast<unsigned char>(d[pos]);
}
int U16(const QByteArray& d, qsizetype pos) {
    return U8(d, pos) | (U8(d, pos + 1) << 8);
}
bool Has(const QByteArray& d, qsizetype pos, qsizetype length) {
    return pos >= 0 && length >= 0 && pos <= d.size() - length;
}

// Length of a chain of data sub-blocks with its terminator, or -1 when it runs past the end.
qsizetype SubBlocksLength(const QByteArray& d, qsizetype pos) {
    const qsizetype start = pos;
    for (;;) {
        if (!Has(d, pos, 1))
            return -1;
        const int n = U8(d, pos);
        pos += 1 + n;
        if (n == 0)
            return pos - start;
    }
}

// The blocks after the header and global colour table, up to the trailer; the walk stops at a
// block it does not know or one that would run past the end of the data.
std::vector<Block> WalkBlocks(const QByteArray& d, qsizetype pos) {
    std::vector<Block> blocks;
    while (Has(d, pos, 1)) {
        Block b{BlockKind::Unknown, pos, -1};
        const int first = U8(d, pos);
        qsizetype fixed = 0;
        bool subBlocks = true;
        if (first == 0x21 && Has(d, pos, 2)) {
            switch (U8(d, pos + 1)) {
            case 0xFF:
                b.kind = BlockKind::Application, fixed = 14;
                break;
            case 0xFE:
                b.kind = BlockKind::Comment, fixed = 2;
                break;
            case 0xF9:
                b.kind = BlockKind::Control, fixed = 8, subBlocks = false;
                break;
            case 0x01:
                b.kind = BlockKind::PlainText, fixed = 15;
                break;
            default:
                break;
            }
        } else if (first == 0x2C) {
            b.kind = BlockKind::Image;
            if (!Has(d, pos, 10))
                break;
            const int packed = U8(d, pos + 9);
            fixed = 11 + ((packed & 0x80) ? 3 * (2 << (packed & 7)) : 0);
            // The fixed part ends with the LZW minimum code size, not counted by the sub-blocks.
        } else if (first == 0x3B) {
            b.kind = BlockKind::Trailer, fixed = 1, subBlocks = false;
        }
        if (b.kind == BlockKind::Unknown)
            break;
        if (!Has(d, pos, fixed))
            break;
        b.length = fixed;
        if (subBlocks) {
            const qsizetype chain = SubBlocksLength(d, pos + fixed);
            if (chain < 0)
                break;
            b.length += chain;
        }
        blocks.push_back(b);
        if (b.kind == BlockKind::Trailer)
            break;
        pos += b.length;
    }
    return blocks;
}

} // namespace

CGifStatic::CGifStatic(QWidget* parent) : QWidget(parent), m_clrBackground(gdi::Rgb(255, 255, 255)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnAnimationTimer(); });
}

CGifStatic::~CGifStatic() {
    UnLoad();
}

int CGifStatic::FrameDelayMs(int delay) {
    if (delay < 0)
        return -1;
    return delay < 5 ? 100 : delay * 10;
}

bool CGifStatic::LoadFromResource(int id, const QString& type) {
    QByteArray data;
    if (!FindPictureResource(id, type, &data))
        return false;
    return Load(data);
}

bool CGifStatic::LoadFromFile(const QString& path) {
    if (db::IsDatabaseFile(path, db::FileUse::kRead))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return Load(file.readAll());
}

bool CGifStatic::Load(const QByteArray& data) {
    UnLoad();
    if (data.isEmpty())
        return false;
    m_data = data;
    m_nDataSize = data.size();
    if (data.startsWith("GIF")) {
        m_bIsGIF = true;
        if (!ParseGif(data)) {
            UnLoad();
            return false;
        }
    } else {
        m_still = LoadPictureData(data);
        if (m_still.isNull()) {
            UnLoad();
            return false;
        }
        m_PictureSize = gdi::Size(m_still.width(), m_still.height());
    }
    if (!PrepareDC(m_PictureSize.cx, m_PictureSize.cy)) {
        UnLoad();
        return false;
    }
    return true;
}

bool CGifStatic::ParseGif(const QByteArray& d) {
    if (!Has(d, 0, 13))
        return false;
    m_PictureSize = gdi::Size(U16(d, 6), U16(d, 8));
    const int packed = U8(d, 10);
    m_nGlobalCTSize = (packed & 0x80) ? 3 * (2 << (packed & 7)) : 0;
    if (!Has(d, 13, m_nGlobalCTSize))
        return false;
    if (m_nGlobalCTSize > 0) {
        const int index = U8(d, 11);
        if (3 * index + 2 < m_nGlobalCTSize)
            m_clrBackground = gdi::Rgb(U8(d, 13 + 3 * index), U8(d, 14 + 3 * index), U8(d, 15 + 3 * index));
    }
    if (m_PictureSize.cx <= 0 || m_PictureSize.cy <= 0)
        return false;

    // A frame is a graphic control block with the image (or plain text) after it, or an image on
    // its own; other extensions in between belong to the frame.
    struct FrameSpan {
        qsizetype control = -1;
        qsizetype start = 0;
        qsizetype end = 0;
        qsizetype image = -1;
    };
    std::vector<FrameSpan> spans;
    qsizetype control = -1;
    for (const Block& b : WalkBlocks(d, 13 + m_nGlobalCTSize)) {
        if (b.kind == BlockKind::Control) {
            control = b.offset;
        } else if (b.kind == BlockKind::Image || b.kind == BlockKind::PlainText) {
            FrameSpan s;
            s.control = control;
            s.start = control >= 0 ? control : b.offset;
            s.end = b.offset + b.length;
            s.image = b.kind == BlockKind::Image ? b.offset : -1;
            spans.push_back(s);
            control = -1;
        }
    }
    m_nCurrOffset = spans.empty() ? 13 + m_nGlobalCTSize : spans.back().end;
    if (spans.empty())
        return false;
    if (spans.size() == 1) {
        m_still = LoadPictureData(d);
        return !m_still.isNull();
    }

    const QByteArray head = d.left(13 + m_nGlobalCTSize);
    for (const FrameSpan& s : spans) {
        if (s.image < 0)
            continue; // plain text: nothing a picture loader can show
        QByteArray frameData = head;
        frameData += d.mid(s.start, s.end - s.start);
        frameData += ';';
        const QImage screen = LoadPictureData(frameData);
        if (screen.isNull())
            continue;
        GifFrameInfo f;
        f.left = U16(d, s.image + 1);
        f.top = U16(d, s.image + 3);
        f.width = U16(d, s.image + 5);
        f.height = U16(d, s.image + 7);
        f.picture = screen.copy(f.left, f.top, f.width, f.height);
        if (s.control >= 0) {
            f.delay = U16(d, s.control + 4);
            f.disposal = (U8(d, s.control + 3) >> 2) & 7;
        }
        m_arrFrames.push_back(std::move(f));
    }
    if (m_arrFrames.empty())
        return false;
    if (m_arrFrames.size() == 1) {
        // The other frames were damaged: show the one that is left as a still picture.
        const GifFrameInfo& f = m_arrFrames.front();
        m_still = QImage(m_PictureSize.cx, m_PictureSize.cy, QImage::Format_ARGB32);
        m_still.fill(Qt::transparent);
        QPainter p(&m_still);
        p.drawImage(f.left, f.top, f.picture);
        p.end();
        m_arrFrames.clear();
    }
    return true;
}

bool CGifStatic::PrepareDC(int width, int height) {
    if (width <= 0 || height <= 0)
        return false;
    m_surface = QImage(width, height, QImage::Format_RGB32);
    if (m_surface.isNull())
        return false;
    resize(width, height);
    // The face colour of the dialog the control sits on, so that transparent parts blend in.
    const QColor face = palette().color(QPalette::Window);
    m_clrBackground = gdi::FromQColor(face);
    m_surface.fill(face);
    m_bIsInitialized = true;
    return true;
}

bool CGifStatic::Draw() {
    if (!m_bIsInitialized)
        return false;
    if (IsAnimatedGIF()) {
        if (!m_bIsPlaying)
            StartAnimation();
        return true;
    }
    if (!m_still.isNull()) {
        QPainter p(&m_surface);
        p.drawImage(QRect(0, 0, m_PictureSize.cx, m_PictureSize.cy), m_still);
    }
    update();
    return true;
}

void CGifStatic::StartAnimation() {
    m_bExitThread = false;
    m_bIsPlaying = true;
    DisposeCurrentFrame();
    ShowCurrentFrame();
}

void CGifStatic::ShowCurrentFrame() {
    if (m_nCurrFrame >= m_arrFrames.size())
        return;
    const GifFrameInfo& f = m_arrFrames[m_nCurrFrame];
    if (!f.picture.isNull()) {
        const QRect area(f.left, f.top, f.width, f.height);
        if (f.disposal == 3) {
            m_saved = m_surface.copy(area);
            m_savedRect = area;
        }
        QPainter p(&m_surface);
        p.drawImage(area, f.picture);
        p.end();
        update();
    }
    const int ms = FrameDelayMs(f.delay);
    if (ms >= 0)
        m_timer.start(ms);
}

void CGifStatic::DisposeCurrentFrame() {
    if (m_nCurrFrame >= m_arrFrames.size())
        return;
    const GifFrameInfo& f = m_arrFrames[m_nCurrFrame];
    if (f.disposal == 2) {
        FillSurface(QRect(f.left, f.top, f.width, f.height), m_clrBackground);
    } else if (f.disposal == 3 && !m_saved.isNull()) {
        QPainter p(&m_surface);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(m_savedRect.topLeft(), m_saved);
        p.end();
        m_saved = QImage();
    }
}

void CGifStatic::OnAnimationTimer() {
    if (m_bExitThread || !m_bIsPlaying || m_arrFrames.empty())
        return;
    DisposeCurrentFrame();
    if (++m_nCurrFrame >= m_arrFrames.size()) {
        m_nCurrFrame = 0;
        FillSurface(m_surface.rect(), m_clrBackground);
    }
    ShowCurrentFrame();
}

void CGifStatic::FillSurface(const QRect& rect, gdi::COLORREF colour) {
    if (m_surface.isNull())
        return;
    QPainter p(&m_surface);
    p.fillRect(rect, gdi::ToQColor(colour));
}

void CGifStatic::Stop() {
    m_bIsPlaying = false;
    m_bExitThread = true;
    m_timer.stop();
    m_bExitThread = false;
}

void CGifStatic::UnLoad() {
    Stop();
    m_still = QImage();
    m_arrFrames.clear();
    m_saved = QImage();
    m_savedRect = QRect();
    m_surface = QImage();
    m_data.clear();
    m_PaintRect.SetRectEmpty();
    m_PictureSize = gdi::Size();
    m_nCurrFrame = 0;
    m_nDataSize = 0;
    m_nCurrOffset = 0;
    m_nGlobalCTSize = 0;
    m_bIsGIF = false;
    m_bIsPlaying = false;
    m_bExitThread = false;
    m_bIsInitialized = false;
    m_clrBackground = gdi::Rgb(255, 255, 255);
}

void CGifStatic::SetBkColor(gdi::COLORREF colour) {
    if (!m_bIsInitialized)
        return;
    m_clrBackground = colour;
    FillSurface(m_surface.rect(), colour);
    update();
}

void CGifStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_surface.isNull()) {
        p.fillRect(rect(), palette().window());
        return;
    }
    if (!m_PaintRect.IsRectEmpty())
        p.drawImage(QPoint(0, 0), m_surface, m_PaintRect.ToQRect());
    else
        p.drawImage(QPoint(0, 0), m_surface);
}
