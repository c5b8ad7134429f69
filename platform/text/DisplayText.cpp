#include "platform/text/DisplayText.h"

#include <algorithm>

namespace text {

QString ForDisplay(const QString& s, int limit) {
    if (!IsCutForDisplay(s, limit))
        return s;
    qsizetype n = std::max(limit - 1, 0);
    if (n > 0 && s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n) + QChar(0x2026);
}

} // namespace text
