// A small HTTP server of the test's own on 127.0.0.1: each path answers with
// raw bytes, in timed pieces, or not at all; nothing leaves the machine.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace testhttp {

// A whole response: status line, headers (with Content-Length unless
// `noLength`, and Connection: close) and body.
inline QByteArray Response(int status, const QByteArray& headers, const QByteArray& body,
                           bool noLength = false) {
    QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    if (!noLength) r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    r += "Connection: close\r\n" + headers + "\r\n" + body;
    return r;
}

inline QByteArray Redirect(const QByteArray& to) {
    return Response(302, "Location: " + to + "\r\n", QByteArray());
}

class Server {
  public:
    Server() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
    }
    bool Listening() const { return server_.isListening(); }

    // The path answers with these bytes, all at once.
    void On(const QByteArray& path, const QByteArray& raw) { answers_[path] = {{raw}, 0}; }
    // The path answers piece by piece, `gapMs` apart, then closes.
    void OnInPieces(const QByteArray& path, QList<QByteArray> pieces, int gapMs) {
        answers_[path] = {std::move(pieces), gapMs};
    }
    // Unknown paths are never answered: the connection stays open and silent.

    QUrl Url(const QByteArray& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()) +
                    QString::fromLatin1(path));
    }
    QString Address(const QByteArray& path) const {  // without the scheme, as a user types it
        return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()) + QString::fromLatin1(path);
    }
    int Requests() const { return requests_; }

  private:
    struct Answer {
        QList<QByteArray> pieces;
        int gapMs = 0;
    };

    void Accept() {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, request] {
                *request += s->readAll();
                if (!request->contains("\r\n\r\n")) return;
                ++requests_;
                const QList<QByteArray> first = request->left(request->indexOf("\r\n")).split(' ');
                request->clear();
                const QByteArray path = first.size() > 1 ? first[1] : QByteArray();
                if (!answers_.contains(path)) return;
                Send(s, answers_[path].pieces, answers_[path].gapMs);
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }

    static void Send(QPointer<QTcpSocket> s, QList<QByteArray> pieces, int gapMs) {
        if (!s) return;
        if (pieces.isEmpty()) {
            s->disconnectFromHost();
            return;
        }
        s->write(pieces.takeFirst());
        s->flush();
        QTimer::singleShot(pieces.isEmpty() ? 0 : gapMs, s,
                           [s, pieces, gapMs] { Send(s, pieces, gapMs); });
    }

    QTcpServer server_;
    QMap<QByteArray, Answer> answers_;
    int requests_ = 0;
};

// Answers its first request, from a thread of its own, with a page sent as
// fast as the client takes it: `cap` bytes, then silence until the client
// goes (a page that never ends, without exhausting the test machine).
class EndlessServer {
  public:
    explicit EndlessServer(qint64 cap) : cap_(cap) {
        std::promise<quint16> port;
        std::future<quint16> known = port.get_future();
        thread_ = std::thread([this, p = std::move(port)]() mutable { Serve(p); });
        port_ = known.get();
    }
    ~EndlessServer() {
        stop_ = true;
        thread_.join();
    }
    QUrl Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port_)); }

  private:
    // Waits only in short slices so that it sees stop_: how long anything
    // takes never decides what a test sees.
    static constexpr int kSliceMs = 100;
    void Serve(std::promise<quint16>& port) {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port.set_value(server.serverPort());
        while (!stop_ && !server.waitForNewConnection(kSliceMs)) {
        }
        std::unique_ptr<QTcpSocket> s(server.nextPendingConnection());
        if (!s) return;
        s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
        const QByteArray piece(1 << 20, 'a');
        for (qint64 sent = 0; !stop_ && s->state() == QAbstractSocket::ConnectedState;) {
            if (sent < cap_ && s->bytesToWrite() == 0) sent += s->write(piece);
            if (!s->waitForBytesWritten(kSliceMs)) s->waitForReadyRead(kSliceMs);
        }
    }

    qint64 cap_;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testhttp
