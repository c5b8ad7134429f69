#pragma once
// A static control that shows a picture and animates a GIF with several frames, with the frames'
// delays and disposal methods. The animation runs on a timer of the user-interface thread, so the
// drawing of frames never races the painting. Every read of the GIF data is bounds-checked: a
// damaged file shows nothing.

#include "platform/gdi/Colour.h"
#include "platform/gdi/Types.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <vector>

// The blocks of a GIF, walked as the control walks them (exposed for tests).
struct GifFrameInfo {
    QImage picture; // the frame's own pixels, width × height
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int delay = -1;   // hundredths of a second; -1 without a graphic control block
    int disposal = 0; // 0-7
};

class CGifStatic : public QWidget {
    Q_OBJECT
public:
    explicit CGifStatic(QWidget* parent = nullptr);
    ~CGifStatic() override;

    // Unloads what was shown, then loads GIF data (frames) or any other picture (a still); true when
    // the drawing surface was prepared.
    bool Load(const QByteArray& data);
    bool LoadFromResource(int id, const QString& type);
    bool LoadFromFile(const QString& path);

    // Shows the still picture, or starts the animation of an animated GIF; false when nothing is
    // loaded.
    bool Draw();
    void Stop();
    void UnLoad();

    void SetBkColor(gdi::COLORREF colour);
    gdi::COLORREF GetBkColor() const { return m_clrBackground; }
    gdi::Size GetSize() const { return {m_PictureSize.cx, m_PictureSize.cy}; }
    bool IsAnimatedGIF() const { return m_bIsGIF && m_arrFrames.size() > 1; }
    bool IsPlaying() const { return m_bIsPlaying; }
    int GetFrameCount() const { return IsAnimatedGIF() ? static_cast<int>(m_arrFrames.size()) : 0; }
    void SetPaintRect(const gdi::Rect& rect) { m_PaintRect = rect; }
    gdi::Rect GetPaintRect() const { return m_PaintRect; }

    // What the control shows now (the memory surface), and the frame the animation is at.
    const QImage& GetSurface() const { return m_surface; }
    int GetCurrentFrame() const { return static_cast<int>(m_nCurrFrame); }
    const std::vector<GifFrameInfo>& GetFrames() const { return m_arrFrames; }
    // How long a frame with this delay stays; a negative delay (no graphic control block) stays
    // until the control is stopped, shown as -1.
    static int FrameDelayMs(int delay);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool ParseGif(const QByteArray& data);
    bool PrepareDC(int width, int height);
    void StartAnimation();
    void ShowCurrentFrame();
    void DisposeCurrentFrame();
    void OnAnimationTimer();
    void FillSurface(const QRect& rect, gdi::COLORREF colour);

    gdi::Rect m_PaintRect;
    gdi::Size m_PictureSize;
    gdi::COLORREF m_clrBackground;
    size_t m_nCurrFrame = 0;
    qsizetype m_nDataSize = 0;
    qsizetype m_nCurrOffset = 0;
    qsizetype m_nGlobalCTSize = 0;
    bool m_bIsGIF = false;
    bool m_bIsPlaying = false;
    bool m_bExitThread = false;
    bool m_bIsInitialized = false;

    QImage m_surface; // the picture as shown
    QImage m_saved;   // the area under a frame that restores to previous
    QRect m_savedRect;
    QImage m_still;    // a picture that is not animated
    QByteArray m_data; // the loaded data
    std::vector<GifFrameInfo> m_arrFrames;
    QTimer m_timer; // the animation's clock
};
