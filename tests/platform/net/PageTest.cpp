// Reading a page over HTTP from a server of our own on the loopback address.

#include "platform/net/Page.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

namespace {

// Answers every connection with `response` once the request has arrived, or never when it is
// empty.
class LocalServer : public QTcpServer {
public:
    explicit LocalServer(QByteArray response) : m_response(std::move(response)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    m_request += s->readAll();
                    if (!m_response.isEmpty() && m_request.contains("\r\n\r\n")) {
                        s->write(m_response);
                        s->disconnectFromHost();
                    }
                });
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QUrl Url(const char* path = "/version.txt") const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(path)));
    }
    QByteArray m_request;

private:
    QByteArray m_response;
};

QByteArray Http(const char* status, const QByteArray& body) {
    return QByteArray("HTTP/1.1 ") + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

TEST(Page, ReadsAWholePage) {
    LocalServer server(Http("200 OK", "Veltora 3.10\r\nother 1.0\r\n"));
    ASSERT_TRUE(server.isListening());
    const net::PageResult r = net::FetchPage(server.Url(), 5000);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.body, "Veltora 3.10\r\nother 1.0\r\n");
    EXPECT_TRUE(server.m_request.startsWith("GET /version.txt"));
}

TEST(Page, FailuresAreFailures) {
    LocalServer missing(Http("404 Not Found", "no such page"));
    EXPECT_FALSE(net::FetchPage(missing.Url(), 5000).ok);

    LocalServer silent({}); // accepts and never answers
    const net::PageResult slow = net::FetchPage(silent.Url(), 300);
    EXPECT_FALSE(slow.ok);
    EXPECT_EQ(slow.error, "timed out");

    quint16 port = 0;
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        port = closed.serverPort();
    }
    EXPECT_FALSE(net::FetchPage(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)), 5000).ok);
    EXPECT_FALSE(net::FetchPage(QUrl("file:///etc/passwd"), 5000).ok);
}

TEST(Page, ScriptedFetcherStandsIn) {
    net::ScriptedPages pages;
    pages.AddPage("x");
    EXPECT_TRUE(net::FetchPage(QUrl("http://www.veltora.example.org/")).ok);
    EXPECT_FALSE(net::FetchPage(QUrl("http://www.veltora.example.org/")).ok);
    EXPECT_EQ(pages.Timeouts().front(), net::kDefaultTimeoutMs);
}

} // namespace
