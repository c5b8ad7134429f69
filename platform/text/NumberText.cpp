#include "platform/text/NumberText.h"

namespace text {

namespace {

bool IsPlainNumber(QStringView s) {
    // QString::toDouble also takes "inf" and "nan", which no report writes as a value.
    bool digit = false;
    for (const QChar c : s)
        digit = digit || (c >= u'0' && c <= u'9');
    if (!digit)
        return false;
    bool ok = false;
    s.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

bool IsNumberText(const QString& s) {
    const QStringView v = QStringView(s).trimmed();
    if (v.isEmpty())
        return false;
    if (v.endsWith(u'%'))
        return IsPlainNumber(v.chopped(1));
    if (v.startsWith(u'%'))
        return IsPlainNumber(v.mid(1));
    if (const qsizetype slash = v.indexOf(u'/'); slash >= 0)
        return IsPlainNumber(v.left(slash)) && IsPlainNumber(v.mid(slash + 1));
    return IsPlainNumber(v);
}

bool IsNoValueText(const QString& s) {
    const QStringView v = QStringView(s).trimmed();
    return v.isEmpty() || v == u"-" || v == u"--" || v == u"—" || v == u"——";
}

void NumberColumn::Add(const QString& cell) {
    if (m_text || IsNoValueText(cell))
        return;
    if (IsNumberText(cell))
        m_number = true;
    else
        m_text = true;
}

} // namespace text
