#include "platform/net/Page.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace net {
namespace {
PageFetcher* g_fetcher = nullptr;
} // namespace

PageResult FetchPage(const QUrl& url, int timeoutMs) {
    if (g_fetcher)
        return g_fetcher->Fetch(url, timeoutMs);
    NetworkFetcher fetcher;
    return fetcher.Fetch(url, timeoutMs);
}

void SetPageFetcher(PageFetcher* fetcher) {
    g_fetcher = fetcher;
}

PageResult NetworkFetcher::Fetch(const QUrl& url, int timeoutMs) {
    PageResult result;
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https")) {
        result.error = QStringLiteral("bad address");
        return result;
    }
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = manager.get(request);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > kMaxPageBytes && !tooLarge) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    timer.stop();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (timedOut)
        result.error = QStringLiteral("timed out");
    else if (tooLarge)
        result.error = QStringLiteral("page too large");
    else if (reply->error() != QNetworkReply::NoError)
        result.error = reply->errorString();
    else if (status >= 400)
        result.error = QStringLiteral("HTTP %1").arg(status);
    else {
        result.body = reply->readAll();
        result.ok = result.body.size() <= kMaxPageBytes;
        if (!result.ok)
            result.error = QStringLiteral("page too large");
    }
    delete reply;
    return result;
}

} // namespace net
