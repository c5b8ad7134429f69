#pragma once
// The program's profile (what the registry held): values by section and entry under the company
// key and the application name, kept by QSettings; tests switch to an in-memory store.

#include <QString>

namespace profile {

// Company key and application name; the profile lives under "<company>/<application>".
void SetRegistryKey(const QString& company, const QString& application);

QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue = {});
bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
bool WriteProfileInt(const QString& section, const QString& entry, int value);

// Test seam: keep every value in memory (empty at the switch) instead of the user's settings file.
void UseMemoryStore();

} // namespace profile
