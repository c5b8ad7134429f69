#pragma once
// Opening a document or an address with the desktop's default application (a mail program for
// "mailto:", the browser for a web page), behind a replaceable service so that tests record the
// request instead of starting anything.

#include <QList>
#include <QUrl>

namespace ui {

class ShellService {
public:
    virtual ~ShellService() = default;
    virtual bool Open(const QUrl& url) = 0;
};

// Opens `url` through the current service; false when nothing could open it.
bool ShellOpen(const QUrl& url);

// Replaces the service; nullptr restores the desktop's. The caller keeps ownership.
void SetShellService(ShellService* service);

// The test seam: records every request and answers `result`.
class RecordingShell : public ShellService {
public:
    RecordingShell() { SetShellService(this); }
    ~RecordingShell() override { SetShellService(nullptr); }

    bool Open(const QUrl& url) override {
        m_opened.append(url);
        return m_result;
    }
    const QList<QUrl>& Opened() const { return m_opened; }
    void SetResult(bool result) { m_result = result; }

private:
    QList<QUrl> m_opened;
    bool m_result = true;
};

} // namespace ui
