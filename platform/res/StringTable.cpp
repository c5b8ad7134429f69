#include "platform/res/StringTable.h"

#include "platform/res/IdTexts.h"

namespace res {
namespace {

const QHash<int, QString>& Table() {
    static const QHash<int, QString> table = ReadIdTexts(QStringLiteral(":/veltora/strings"));
    return table;
}

} // namespace

QString LoadString(int id) {
    return Table().value(id);
}
bool HasString(int id) {
    return Table().contains(id);
}

} // namespace res
