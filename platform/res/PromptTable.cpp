#include "platform/res/PromptTable.h"

#include "platform/res/IdTexts.h"

namespace res {

CommandPrompt LoadPrompt(int id) {
    const QString text = IdTexts(IdTable::Prompts).value(id);
    return {text.section(u'\n', 0, 0), text.section(u'\n', 1, 1)};
}
bool HasPrompt(int id) {
    return IdTexts(IdTable::Prompts).contains(id);
}

} // namespace res
