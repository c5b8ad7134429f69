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

// Hands the exported file `path` (a table of `rows` × `columns` titled `caption`; `tail` is the
// caller's end mark) to the desktop's default application for its type, as xdg-mime names it,
// started through xdg-open (LibreOffice directly, see below), all found on PATH. Returns at once,
// without waiting for the application: true when LibreOffice was started on the file with the
// options that make it read the export as it is written; false when the file is missing, the
// desktop names no application for it, the opener cannot be started, or the application was
// started without the file's encoding (it shows every Chinese text garbled): in each of these the
// caller must tell the user where the file is. When true, `answered` (if given) is called once
// from the event loop with the opener's outcome: false when it failed (its exit status within a
// short time), true when it handed the file on or is still running then (left running: it has
// the file open).
using HelloAnswer = std::function<void(bool opened)>;
DRENSIL_EXPORT bool SayHello(const QString& path, int rows, int columns, const QString& caption,
                             const QString& tail, HelloAnswer answered = {});

// LibreOffice, when it is the desktop's application for the file, is started with the options
// that make it read the export as it is written (tab-separated text, code page 936/GB18030);
// whether a desktop entry is LibreOffice's, and the arguments it is started with.
DRENSIL_EXPORT bool IsLibreOfficeEntry(const QString& desktopEntry);
DRENSIL_EXPORT QStringList LibreOfficeArguments(const QString& path);

// Replaces the desktop opener (an empty function restores it); tests record instead of opening.
using FileOpener = std::function<bool(const QString& path)>;
DRENSIL_EXPORT void SetFileOpener(FileOpener opener);

} // namespace drensil
