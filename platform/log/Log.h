// Logging categories of the program. A failure a dialog handles quietly (it shows the user a
// message or keeps the old value) still writes one line here, so it can be found afterwards.
// Enable or silence them with QT_LOGGING_RULES, e.g. "veltora.db.debug=true".
#pragma once

#include <QLoggingCategory>

namespace vlog {

Q_DECLARE_LOGGING_CATEGORY(db)      // database layer and data rules
Q_DECLARE_LOGGING_CATEGORY(ui)      // dialogs, grids and windows
Q_DECLARE_LOGGING_CATEGORY(app)     // start-up, shut-down and the shell
Q_DECLARE_LOGGING_CATEGORY(report)  // report output, printing and export
Q_DECLARE_LOGGING_CATEGORY(io)      // files: pictures, help, tips, imports

}  // namespace vlog
