#pragma once
// One picture loaded from a resource, a file or memory (BMP, PNG, JPEG, GIF, icons), drawn
// stretched into a rectangle and saved back in the format it came in.

#include "platform/gdi/Types.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QPainter;
class QPaintDevice;

namespace gdi {
class Dc;
}

// The program's picture resources: resource `id` of `type` ("GIF", "BITMAP", "ICON", ...) is the
// compiled-in file ":/veltora/pictures/<type in lower case>/<id>.<any extension>".
bool FindPictureResource(int id, const QString& type, QByteArray* data);

// The picture loader: decodes the first image of any format the program reads. GIF is decoded by
// our own reader (transparent pixels stay transparent); a null image when nothing could be read.
QImage LoadPictureData(const QByteArray& data);

class CPicture {
public:
    CPicture();
    virtual ~CPicture();
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    // Each drops the held picture first; true when a picture is held afterwards.
    bool LoadFromResource(int id, const QString& type);
    bool LoadFromFile(const QString& path);
    // False only when the data could not be taken at all; true with or without a picture.
    bool LoadFromMemory(const QByteArray& data);
    bool LoadFromMemory(const void* bytes, qsizetype size);

    // The whole picture stretched into `rect`; false without a device or picture.
    bool Render(QPainter* dc, const QRect& rect) const;
    bool Render(gdi::Dc* dc, const gdi::Rect& rect) const;
    // At (x, y), sized for the device's resolution (the picture's own size is at 96 dpi).
    bool RenderScaled(QPainter* dc, int x, int y) const;
    // Recomputes the pixel size for the device's resolution (96 when printing).
    bool UpdateSizeOnDC(const QPaintDevice* dc, bool printing = false);
    static bool ShowBitmapResource(QPainter* dc, int id, int x, int y);

    // Writes the bytes the picture was loaded from; true when the file could be written.
    bool SaveToFile(const QString& path) const;
    void FreePicture();

    bool IsLoaded() const { return !m_picture.isNull(); }
    const QImage& GetImage() const { return m_picture; }
    // The bytes the picture was loaded from (what SaveToFile writes).
    const QByteArray& GetData() const { return m_data; }

    int m_Height = 0;     // pixels
    qsizetype m_Size = 0; // bytes of the data it was loaded from
    int m_Width = 0;      // pixels

private:
    void ShowError(const QString& text) const;

    QImage m_picture;
    QByteArray m_data;
};
