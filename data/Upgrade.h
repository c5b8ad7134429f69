#pragma once
// Brings an older database's tables up to the current columns.

#include "platform/db/Connection.h"

namespace data {

// The data version the program writes once a database has been upgraded.
inline constexpr const char* kDataVersion = "20080101";

// True when the stored version is older than kDataVersion (byte-wise comparison of the texts, as
// the version has always been compared: "2009" counts as newer).
bool NeedsUpgrade(const QString& storedVersion);

// Adds the columns that older files lack (kh, grade, xjType, AB) to the roster and to the score
// table, each only where it is missing, and fills empty grade codes from the student numbers.
// Every step runs even when an earlier one failed; returns false when any step failed.
bool UpgradeDatabase(db::Connection& connection);

} // namespace data
