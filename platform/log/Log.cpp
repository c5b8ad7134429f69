#include "platform/log/Log.h"

namespace vlog {

Q_LOGGING_CATEGORY(db, "veltora.db")
Q_LOGGING_CATEGORY(ui, "veltora.ui")
Q_LOGGING_CATEGORY(app, "veltora.app")
Q_LOGGING_CATEGORY(report, "veltora.report")
Q_LOGGING_CATEGORY(io, "veltora.io")

}  // namespace vlog
