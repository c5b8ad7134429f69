#include "app/QtTranslation.h"

#include "platform/log/Log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator* LoadQtTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        qCInfo(vlog::app) << "no Qt translation qtbase_zh_CN in" << folder;
        delete translator;
        return nullptr;
    }
    return translator;
}
