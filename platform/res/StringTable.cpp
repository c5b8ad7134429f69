#include "platform/res/StringTable.h"

#include "platform/res/IdTexts.h"

namespace res {

QString LoadString(int id) {
    return IdTexts(IdTable::Strings).value(id);
}
bool HasString(int id) {
    return IdTexts(IdTable::Strings).contains(id);
}

} // namespace res
