#pragma once
// Qt's own dialogs (file, page setup, print, print preview, font) in the program's language: Qt's
// Simplified Chinese translation, shipped by Debian in qt6-translations-l10n.

class QCoreApplication;
class QTranslator;

// Loads qtbase_zh_CN from Qt's translations folder and installs it on `app`, which owns it.
// Answers the installed translator, or nullptr when the translation is not there (Qt's dialogs
// then stay in English).
QTranslator* LoadQtTranslation(QCoreApplication& app);
