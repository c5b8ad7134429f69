#include "platform/profile/Profile.h"

#include <QMap>
#include <QSettings>

#include <memory>

namespace profile {
namespace {

QString g_company = QStringLiteral("tavrin studio");
QString g_application = QStringLiteral("Veltora");
bool g_memory = false;
QMap<QString, QString> g_values;

QString Key(const QString& section, const QString& entry) {
    return section + u'/' + entry;
}

std::unique_ptr<QSettings> Settings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, g_company,
                                       g_application);
}

} // namespace

void SetRegistryKey(const QString& company, const QString& application) {
    g_company = company;
    g_application = application;
}

QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue) {
    if (g_memory)
        return g_values.value(Key(section, entry), defaultValue);
    return Settings()->value(Key(section, entry), defaultValue).toString();
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    if (g_memory) {
        g_values.insert(Key(section, entry), value);
        return true;
    }
    auto s = Settings();
    s->setValue(Key(section, entry), value);
    s->sync();
    return s->status() == QSettings::NoError;
}

int GetProfileInt(const QString& section, const QString& entry, int defaultValue) {
    bool ok = false;
    const int v = GetProfileString(section, entry, QString::number(defaultValue)).toInt(&ok);
    return ok ? v : defaultValue;
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    return WriteProfileString(section, entry, QString::number(value));
}

void UseMemoryStore() {
    g_memory = true;
    g_values.clear();
}

} // namespace profile
