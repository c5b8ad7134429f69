#pragma once
// Brings an older database's tables up to the current columns.

#include "platform/db/Connection.h"

#include <QStringList>

#include <optional>

namespace data {

// The data version the program writes once a database has been upgraded.
inline constexpr const char* kDataVersion = "20080101";

// True when the stored version is older than kDataVersion (byte-wise comparison of the texts, as
// the version has always been compared: "2009" counts as newer).
bool NeedsUpgrade(const QString& storedVersion);

struct UpgradeOutcome {
    // Every table the upgrade looks after is there and has its columns: the data version may
    // move forward.
    bool complete = false;
    // Tables the file lacks (the upgrade adds columns, not tables); the others were upgraded.
    QStringList missingTables;
    // Set when the upgrade failed (a locked file, a full disk, …): nothing of it was kept.
    std::optional<db::DbError> error;
};

// Adds the columns that older files lack (kh, grade, xjType, AB) to the roster and to the score
// table, each only where it is missing, fills empty grade codes from the student numbers, adds the
// record of out-of-date totals and of the totals' subjects (data/TotalsState.h) where missing, and
// marks a file that holds the program's tables: all in one transaction, kept whole or not at all.
UpgradeOutcome RunUpgrade(db::Connection& connection);

// RunUpgrade(connection).complete.
bool UpgradeDatabase(db::Connection& connection);

} // namespace data
