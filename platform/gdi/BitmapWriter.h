#pragma once
// Writes a bitmap as a device-independent .bmp file (uncompressed, bottom row first).

#include <QImage>
#include <QString>

// The colour depth follows the device the bitmap is shown on: bitsPerPixel × planes of that device
// gives 1, 4 or 8 bits with a colour table, anything above 8 gives 24 bits. Returns false, and
// leaves no file behind, when the file cannot be created or a write fails; an existing file of that
// name is replaced only on success.
bool SaveBitmapToFile(const QImage& bitmap, const QString& fileName, int deviceBitsPerPixel = 32);

// The bytes SaveBitmapToFile writes.
QByteArray EncodeDeviceIndependentBitmap(const QImage& bitmap, int deviceBitsPerPixel);
