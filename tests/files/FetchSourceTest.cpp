#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include "../support/PeakMemory.h"
#include "LoopbackHttp.h"
#include "files/FetchSource.h"

using files::FetchLimits;
using files::FetchResult;
using files::FetchSource;
using namespace std::chrono_literals;

namespace {

// "甲乙" in UTF-8, which is also valid GBK ("鐢蹭箼"): only what the page or
// the server says can tell the two apart.
const QByteArray kJiaYi = "\xE7\x94\xB2\xE4\xB9\x99";

// Small pages; silence is given up only after a minute, so that a busy
// machine never times a test out (the time-out test sets its own).
FetchLimits Quick() {
    FetchLimits l;
    l.timeout = 60s;
    l.maxBytes = 4096;
    return l;
}

FetchResult Fetch(const QUrl& url, FetchLimits limits = Quick()) {
    FetchSource f(limits);
    return files::FetchAndWait(f, url);
}

}  // namespace

TEST(FetchSource, WebAddressesAsTyped) {
    EXPECT_EQ(files::ParseWebAddress(" www.example.com/a?b=1 ").url.toString(),
              QStringLiteral("http://www.example.com/a?b=1"));
    EXPECT_EQ(files::ParseWebAddress("localhost:8080/page").url.toString(),
              QStringLiteral("http://localhost:8080/page"));
    EXPECT_EQ(files::ParseWebAddress("HTTPS://Example.com").url.scheme(), QStringLiteral("https"));
    for (const char* refused : {"ftp://example.com/x", "file:///etc/passwd", "javascript:alert(1)",
                                "mailto:a@example.com"}) {
        const files::WebAddress a = files::ParseWebAddress(QString::fromUtf8(refused));
        EXPECT_TRUE(a.url.isEmpty()) << refused;
        EXPECT_TRUE(a.why.contains(QStringLiteral("只能获取 http 或 https 网址"))) << refused;
    }
    EXPECT_FALSE(files::ParseWebAddress("").why.isEmpty());
    EXPECT_FALSE(files::ParseWebAddress("http://").why.isEmpty());
}

TEST(FetchSource, PagesDecodedByWhatTheyDeclare) {
    testhttp::Server server;
    ASSERT_TRUE(server.Listening());
    // Declared only by <meta>: GBK, though the bytes also read as UTF-8.
    server.On("/gbk", testhttp::Response(200, "Content-Type: text/html\r\n",
                                         "<html><meta charset=\"gbk\">\n<p>" + kJiaYi + "</p>\n"));
    // Declared only by the header.
    server.On("/utf8", testhttp::Response(200, "Content-Type: text/html; charset=utf-8\r\n",
                                          "<p>" + kJiaYi + "</p>"));
    server.On("/gbk-header",
              testhttp::Response(200, "Content-Type: text/plain; charset=GB2312\r\n", kJiaYi));

    FetchResult r = Fetch(server.Url("/gbk"));
    ASSERT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_EQ(r.text, u"<html><meta charset=\"gbk\">\r\n<p>鐢蹭箼</p>\r\n");
    EXPECT_EQ(r.encoding, qm::enc::Encoding::Gbk);
    EXPECT_EQ(r.url, server.Url("/gbk"));

    r = Fetch(server.Url("/utf8"));
    ASSERT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_EQ(r.text, u"<p>甲乙</p>");
    EXPECT_EQ(r.encoding, qm::enc::Encoding::Utf8);

    r = Fetch(server.Url("/gbk-header"));
    ASSERT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_EQ(r.text, u"鐢蹭箼");
}

TEST(FetchSource, RedirectsFollowedUpToFive) {
    testhttp::Server server;
    server.On("/page",
              testhttp::Response(200, "Content-Type: text/plain; charset=utf-8\r\n", "到了"));
    server.On("/moved", testhttp::Redirect("/page"));
    server.On("/c0", testhttp::Redirect("/page"));
    for (int i = 1; i <= 5; ++i) {
        server.On("/c" + QByteArray::number(i),
                  testhttp::Redirect("/c" + QByteArray::number(i - 1)));
    }
    server.On("/loop", testhttp::Redirect("/loop"));

    FetchResult r = Fetch(server.Url("/moved"));
    ASSERT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_EQ(r.text, u"到了");
    EXPECT_EQ(r.url, server.Url("/page"));  // where the source came from

    // /c4 → /c3 → /c2 → /c1 → /c0 → /page: five redirects.
    r = Fetch(server.Url("/c4"));
    EXPECT_TRUE(r.ok) << r.why.toStdString();
    // Six are too many.
    r = Fetch(server.Url("/c5"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.why.contains(QStringLiteral("重定向超过 5 次"))) << r.why.toStdString();

    const int before = server.Requests();
    r = Fetch(server.Url("/loop"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.why.contains(QStringLiteral("重定向超过 5 次"))) << r.why.toStdString();
    // It stops: a handful of requests, not an endless chase (Qt may send a
    // request again on a connection the server was just closing).
    EXPECT_LT(server.Requests() - before, 20);

    // Refused when it leads elsewhere than http(s), naming where it led.
    for (const char* to : {"file:///etc/passwd", "data:text/plain,x", "ftp://127.0.0.1/f"}) {
        server.On("/away", testhttp::Redirect(to));
        EXPECT_EQ(Fetch(server.Url("/away")).why.toStdString(),
                  QStringLiteral("网页转到了不支持的地址“%1”，已停止获取。").arg(to).toStdString());
    }
}

TEST(FetchSource, HttpErrorsAreToldWithTheirCode) {
    testhttp::Server server;
    server.On("/missing",
              testhttp::Response(404, "Content-Type: text/html\r\n", "<h1>Not Found</h1>"));
    server.On("/broken", testhttp::Response(500, "", ""));
    server.On("/teapot", testhttp::Response(418, "", ""));

    FetchResult r = Fetch(server.Url("/missing"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.text.empty());
    EXPECT_EQ(r.why, QStringLiteral("服务器返回 404（网页不存在），没有取得网页。"));
    r = Fetch(server.Url("/broken"));
    EXPECT_TRUE(r.why.contains(QStringLiteral("500（服务器内部错误）"))) << r.why.toStdString();
    r = Fetch(server.Url("/teapot"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.why.contains(QStringLiteral("418"))) << r.why.toStdString();
}

TEST(FetchSource, TimeOutIsSilenceNotTotalTime) {
    testhttp::Server server;  // "/silent" is never answered
    QElapsedTimer clock;
    clock.start();
    FetchLimits limits = Quick();
    limits.timeout = 300ms;
    FetchResult r = Fetch(server.Url("/silent"), limits);
    const qint64 took = clock.elapsed();
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_EQ(r.why, QStringLiteral("服务器“127.0.0.1”在 0.3 秒内没有回应，已停止获取。"));
    EXPECT_GE(took, 250);  // (the message says how long it waited)

    // A page that keeps coming, a piece every 600 ms for 3 s, is not cut off
    // by a silence limit of 2 s.
    const QByteArray body = "<p>1</p><p>2</p><p>3</p><p>4</p><p>5</p>";
    QList<QByteArray> pieces = {
        "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
        "Content-Length: " +
        QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"};
    for (int i = 0; i < 5; ++i) pieces.append(body.mid(i * 8, 8));
    server.OnInPieces("/slow", pieces, 600);
    clock.restart();
    limits.timeout = 2s;
    r = Fetch(server.Url("/slow"), limits);
    EXPECT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_EQ(r.text, u"<p>1</p><p>2</p><p>3</p><p>4</p><p>5</p>");
    EXPECT_GE(clock.elapsed(), 2500);
}

TEST(FetchSource, CancelStopsAtOnce) {
    testhttp::Server server;
    FetchLimits limits = Quick();
    limits.timeout = 10s;
    FetchSource f(limits);
    QTimer::singleShot(100, &f, &FetchSource::Cancel);
    const FetchResult r = files::FetchAndWait(f, server.Url("/silent"));
    EXPECT_TRUE(r.canceled);
    EXPECT_TRUE(r.why.isEmpty());  // not timed out: 10 s would have said so
    EXPECT_FALSE(f.Running());

    // The same fetcher works again afterwards.
    server.On("/after",
              testhttp::Response(200, "Content-Type: text/plain; charset=utf-8\r\n", "好"));
    EXPECT_EQ(files::FetchAndWait(f, server.Url("/after")).text, u"好");
}

TEST(FetchSource, TooLargeWhetherDeclaredOrNot) {
    testhttp::Server server;
    const QByteArray big(5000, 'a');
    server.On("/declared", testhttp::Response(200, "Content-Type: text/plain\r\n", big));
    // No length given: counted as it arrives, ended by the closed connection.
    server.On("/undeclared", testhttp::Response(200, "Content-Type: text/plain\r\n", big, true));
    server.On("/fits",
              testhttp::Response(200, "Content-Type: text/plain\r\n", QByteArray(4096, 'a'), true));

    FetchResult r = Fetch(server.Url("/declared"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_EQ(r.why, QStringLiteral("网页大小 4.9 KB，超过了 4 KB 的上限，没有获取。"));
    r = Fetch(server.Url("/undeclared"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_EQ(r.why, QStringLiteral("网页超过了 4 KB 的上限，没有获取。"));
    r = Fetch(server.Url("/fits"));
    EXPECT_TRUE(r.ok) << r.why.toStdString();
    EXPECT_EQ(r.text.size(), 4096u);
}

// A page that does not end, sent faster than the window can take it: refused
// at the limit as it arrives, saying so, and memory stays of the order of
// the limit (without a bound the transport buffered all of it, unannounced).
TEST(FetchSource, AnEndlessPageIsRefusedAtTheLimitAsItArrives) {
    testhttp::EndlessServer server(256 << 20);
    FetchLimits limits;
    limits.timeout = 3min;  // reached only when the limit is not held
    limits.maxBytes = 16 << 20;
    const testsupport::PeakMemory memory;
    const FetchResult r = Fetch(server.Url(), limits);
    EXPECT_EQ(r.why, QStringLiteral("网页超过了 16 MB 的上限，没有获取。")) << r.why.toStdString();
    if (memory.Measured()) {
        EXPECT_LT(memory.Rise(), 4 * limits.maxBytes);
    }
}

TEST(FetchSource, NotText) {
    testhttp::Server server;
    server.On("/png", testhttp::Response(200, "Content-Type: image/png\r\n", "\x89PNG\r\n"));
    server.On("/bin", testhttp::Response(200, "Content-Type: application/octet-stream\r\n", "abc"));
    server.On("/nul", testhttp::Response(200, "Content-Type: text/html\r\n",
                                         QByteArray("<p>a\0b</p>", 10)));
    server.On("/svg", testhttp::Response(200, "Content-Type: image/svg+xml\r\n", "<svg/>"));

    FetchResult r = Fetch(server.Url("/png"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.why.contains(QStringLiteral("不是文本（内容类型为 image/png）")))
        << r.why.toStdString();
    EXPECT_FALSE(Fetch(server.Url("/bin")).ok);
    r = Fetch(server.Url("/nul"));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.why.contains(QStringLiteral("的内容不是文本"))) << r.why.toStdString();
    EXPECT_EQ(Fetch(server.Url("/svg")).text, u"<svg/>");
}

TEST(FetchSource, RefusedConnection) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();  // nobody listens there now
    const FetchResult r = Fetch(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_EQ(r.why, QStringLiteral("服务器“127.0.0.1”拒绝连接。"));
}

// An https server of the test's own, with a certificate nobody vouches for:
// the page is not taken, and the message names the server and the
// certificate.
TEST(FetchSource, AnUntrustedCertificateIsToldAndNothingIsTaken) {
    if (!QSslSocket::supportsSsl()) GTEST_SKIP() << "no TLS backend";
    QTemporaryDir dir;
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                              dir.filePath("key.pem"), "-out", dir.filePath("cert.pem"), "-subj",
                              "/CN=127.0.0.1", "-days", "2"});
    ASSERT_TRUE(openssl.waitForFinished(60000) && openssl.exitCode() == 0)
        << openssl.readAllStandardError().toStdString();
    QFile cert(dir.filePath("cert.pem"));
    QFile key(dir.filePath("key.pem"));
    ASSERT_TRUE(cert.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    conf.setLocalCertificate(QSslCertificate(cert.readAll()));
    conf.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
    conf.setPeerVerifyMode(QSslSocket::VerifyNone);
    QSslServer server;
    server.setSslConfiguration(conf);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QUrl url(QStringLiteral("https://127.0.0.1/page"));
    url.setPort(server.serverPort());

    const FetchResult r = Fetch(url, FetchLimits{});
    EXPECT_TRUE(!r.ok && !r.canceled);
    EXPECT_TRUE(r.text.empty());
    EXPECT_TRUE(
        r.why.startsWith(QStringLiteral("无法与“127.0.0.1”建立安全连接，证书无效或不受信任")))
        << r.why.toStdString();
}
