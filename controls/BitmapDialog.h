#pragma once
// A dialog base that paints its client area with a bitmap in one of thirteen placements, can cut
// its window to the bitmap's shape, can be dragged by its client area, and hands the composed
// background to the derived dialog after every paint (so that controls can copy it and look
// transparent).

#include "platform/gdi/Colour.h"
#include "platform/ui/Dialog.h"

#include <QImage>
#include <QRegion>
#include <QString>

class CBitmapDialog : public ui::Dialog {
    Q_OBJECT
public:
    CBitmapDialog();
    CBitmapDialog(int templateId, QWidget* parent = nullptr);
    CBitmapDialog(const QString& templateName, QWidget* parent = nullptr);
    ~CBitmapDialog() override;

    virtual void DoDataExchange(bool saveAndValidate) {}

    // 0 done; 1 the bitmap's size could not be read; 3 the region could not be made. A null
    // bitmap just clears. `transparent` CLR_NONE (0xFFFFFFFF) keeps the window rectangular.
    int SetBitmap(const QImage& bitmap, gdi::COLORREF transparent = gdi::CLR_NONE);
    // The program's bitmap resource `id`.
    int LoadBitmap(int id, gdi::COLORREF transparent = gdi::CLR_NONE);
    // 0 to 12; 2 when out of range.
    int SetPlacement(int placement, bool repaint = true);
    // The client area becomes exactly the bitmap's size; placement 1.
    void FitToBitmap(bool repaint = true);
    void SetDragByClient(bool on) { m_dragByClient = on; }

    int GetPlacement() const { return m_placement; }
    bool GetDragByClient() const { return m_dragByClient; }
    const QImage& GetBitmap() const { return m_bitmap; }
    const QRegion& GetRegion() const { return m_region; }

    // The region that leaves out every pixel of `colour`.
    static QRegion BitmapToRegion(const QImage& bitmap, gdi::COLORREF colour);
    // The client area composed in memory: the background colour, then the bitmap by placement.
    QImage ComposeBackground(const QSize& client) const;

protected:
    // Called after every background paint with the composed picture.
    virtual void OnBackgroundReady(const QImage& background) {}

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_bitmap;
    QRegion m_region;
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    int m_placement = 0;
    bool m_dragByClient = false;
    QString m_templateName;
};
