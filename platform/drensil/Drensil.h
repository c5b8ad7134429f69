#pragma once
// The resource library: the program's built-in pictures by id and type, and SayHello, which
// hands an exported file to the desktop's default application for it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#if defined(DRENSIL_BUILDING)
#define DRENSIL_EXPORT __attribute__((visibility("default")))
#else
#define DRENSIL_EXPORT
#endif

namespace drensil {

// Resource `id` of `type` ("JPG" for the backgrounds 150 to 153, "ICON" for 238); empty when the
// library has no such resource.
DRENSIL_EXPORT QByteArray LoadResource(int id, const QString& type);

// Opens the exported file `path` (a table of `rows` × `columns` titled `caption`; `tail` is the
// caller's end mark) with the desktop's default application for its type, as xdg-mime names it,
// started through xdg-open (LibreOffice directly, see below), all found on PATH. False when the
// file is missing, the desktop names no application for it, or the opener fails (its exit
// status); an opener still running after a short wait has the file open and is left running.
DRENSIL_EXPORT bool SayHello(const QString& path, int rows, int columns, const QString& caption,
                             const QString& tail);

// LibreOffice, when it is the desktop's application for the file, is started with the options
// that make it read the export as it is written (tab-separated text, code page 936/GB18030);
// whether a desktop entry is LibreOffice's, and the arguments it is started with.
DRENSIL_EXPORT bool IsLibreOfficeEntry(const QString& desktopEntry);
DRENSIL_EXPORT QStringList LibreOfficeArguments(const QString& path);

// Replaces the desktop opener (an empty function restores it); tests record instead of opening.
using FileOpener = std::function<bool(const QString& path)>;
DRENSIL_EXPORT void SetFileOpener(FileOpener opener);

} // namespace drensil
