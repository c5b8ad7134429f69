#include "platform/report/Macros.h"

namespace report {

namespace {
bool SystemVar(const QString& name, const MacroContext& c, QString& value) {
    if (name.compare(QLatin1String("PageNumber"), Qt::CaseInsensitive) == 0)
        value = QString::number(c.pageNumber);
    else if (name.compare(QLatin1String("PageCount"), Qt::CaseInsensitive) == 0)
        value = QString::number(c.pageCount);
    else if (name.compare(QLatin1String("RecordCount"), Qt::CaseInsensitive) == 0)
        value = QString::number(c.recordCount);
    else if (name.compare(QLatin1String("ReportTitle"), Qt::CaseInsensitive) == 0)
        value = c.title;
    else
        return false;
    return true;
}

bool Resolve(const QString& inner, const MacroContext& c, QString& value) {
    const QString name = inner.trimmed();
    static const QLatin1String prefix("SystemVar(");
    if (name.startsWith(prefix, Qt::CaseInsensitive) && name.endsWith(QChar(')')))
        return SystemVar(name.mid(prefix.size(), name.size() - prefix.size() - 1).trimmed(), c, value);
    return c.field && c.field(name, value);
}
} // namespace

bool HasMacros(const QString& text) {
    return text.contains(QLatin1String("[#"));
}

QString ExpandMacros(const QString& text, const MacroContext& context) {
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1String("[#"), pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1String("#]"), open + 2);
        if (close < 0)
            break;
        out += QStringView(text).mid(pos, open - pos);
        QString value;
        if (Resolve(text.mid(open + 2, close - open - 2), context, value))
            out += value;
        else
            out += QStringView(text).mid(open, close + 2 - open);
        pos = close + 2;
    }
    out += QStringView(text).mid(pos);
    return out;
}

} // namespace report
