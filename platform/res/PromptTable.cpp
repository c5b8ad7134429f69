#include "platform/res/PromptTable.h"

#include "platform/res/IdTexts.h"

namespace res {
namespace {

const QHash<int, QString>& Table() {
    static const QHash<int, QString> table = ReadIdTexts(QStringLiteral(":/veltora/prompts"));
    return table;
}

} // namespace

CommandPrompt LoadPrompt(int id) {
    const QString text = Table().value(id);
    return {text.section(u'\n', 0, 0), text.section(u'\n', 1, 1)};
}

bool HasPrompt(int id) {
    return Table().contains(id);
}

} // namespace res
