#include "platform/com/ComError.h"

namespace com {

ComError::ComError(HRESULT hr, const Guid& iid, QString description)
    : m_hr(hr), m_iid(iid), m_description(std::move(description)) {
    m_what = ErrorMessage().toStdString();
}

QString ComError::ErrorMessage() const {
    if (!m_description.isEmpty())
        return m_description;
    return QStringLiteral("0x%1")
        .arg(static_cast<std::uint32_t>(m_hr), 8, 16, QChar('0'))
        .toUpper()
        .replace("0X", "0x");
}

} // namespace com
