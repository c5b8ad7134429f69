#pragma once
// The COM error exception: a failed call's result and the interface it was made on. Report calls
// that fail throw it; the program catches it where a user action started.

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#include <QString>

#include <exception>
#include <string>

namespace com {

class ComError : public std::exception {
public:
    ComError(HRESULT hr, const Guid& iid, QString description = {});

    HRESULT Error() const { return m_hr; }
    const Guid& Interface() const { return m_iid; }
    const QString& Description() const { return m_description; }
    // The description, or "0x80004003" style text when there is none.
    QString ErrorMessage() const;
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    HRESULT m_hr;
    Guid m_iid;
    QString m_description;
    std::string m_what;
};

// Turns a failed result into the exception; successes pass.
inline void ThrowIfFailed(HRESULT hr, const Guid& iid) {
    if (Failed(hr))
        throw ComError(hr, iid);
}

} // namespace com
