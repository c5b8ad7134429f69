#include "platform/com/Guid.h"

namespace com {

QString Guid::ToString() const {
    QString s = QStringLiteral("{%1-%2-%3-")
                    .arg(data1, 8, 16, QChar('0'))
                    .arg(data2, 4, 16, QChar('0'))
                    .arg(data3, 4, 16, QChar('0'));
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            s += QChar('-');
        s += QStringLiteral("%1").arg(data4[i], 2, 16, QChar('0'));
    }
    s += QChar('}');
    return s.toUpper();
}

std::optional<Guid> Guid::Parse(std::string_view text) {
    return detail::ParseGuid(text);
}

} // namespace com
