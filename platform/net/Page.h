#pragma once
// Reading one web page (the program's version page), with a timeout, behind a replaceable
// service so that tests answer from a script.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <deque>

namespace net {

inline constexpr int kDefaultTimeoutMs = 10000;
// A version page is a few lines; anything larger is not one.
inline constexpr qint64 kMaxPageBytes = 1 << 20;

struct PageResult {
    bool ok = false;
    QByteArray body;
    QString error; // why it failed
};

class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual PageResult Fetch(const QUrl& url, int timeoutMs) = 0;
};

// Reads `url` through the current fetcher. Fails on a network error, an HTTP error status, a
// page over kMaxPageBytes, or when the whole page has not arrived within `timeoutMs`.
PageResult FetchPage(const QUrl& url, int timeoutMs = kDefaultTimeoutMs);

// nullptr restores the network fetcher. The caller keeps ownership.
void SetPageFetcher(PageFetcher* fetcher);

// The fetcher that goes to the network. It waits in a local event loop that takes no user input.
class NetworkFetcher : public PageFetcher {
public:
    PageResult Fetch(const QUrl& url, int timeoutMs) override;
};

// The test seam: answers from a script (a failure when it is empty) and records the addresses.
class ScriptedPages : public PageFetcher {
public:
    ScriptedPages() { SetPageFetcher(this); }
    ~ScriptedPages() override { SetPageFetcher(nullptr); }

    void AddPage(const QByteArray& body) { m_answers.push_back({true, body, {}}); }
    void AddFailure(const QString& error = QStringLiteral("unreachable")) {
        m_answers.push_back({false, {}, error});
    }

    PageResult Fetch(const QUrl& url, int timeoutMs) override {
        m_urls.push_back(url);
        m_timeouts.push_back(timeoutMs);
        if (m_answers.empty())
            return {false, {}, QStringLiteral("no page")};
        PageResult r = m_answers.front();
        m_answers.pop_front();
        return r;
    }
    const std::deque<QUrl>& Urls() const { return m_urls; }
    const std::deque<int>& Timeouts() const { return m_timeouts; }

private:
    std::deque<PageResult> m_answers;
    std::deque<QUrl> m_urls;
    std::deque<int> m_timeouts;
};

} // namespace net
