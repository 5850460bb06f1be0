// Fetches a web page's source over http or https, within limits, for the
// document: the page decoded, or a failure told in the program's words.
#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <string>

#include "core/encoding/Encoding.h"
#include "files/TextFile.h"

class QNetworkReply;

namespace files {

struct FetchLimits {
    int maxRedirects = 5;
    // The server may stay silent this long (connecting, or between two
    // pieces of the page) before the fetch is given up.
    std::chrono::milliseconds timeout{30000};
    qint64 maxBytes = 50LL << 20;
};

// What the user typed as a web address: "http://" is added when it names no
// scheme; a scheme other than http and https is refused with `why`.
struct WebAddress {
    QUrl url;
    QString why;  // empty when the address can be fetched
};
WebAddress ParseWebAddress(const QString& typed);

// Failed or canceled (Cancel, or the source went) unless ok; `why` is the
// failure as the user is told it.
struct FetchResult : Outcome {
    QUrl url;             // where the page came from, after redirects
    std::u16string text;  // with CR LF breaks
    qm::enc::Encoding encoding = qm::enc::Encoding::Gbk;
    std::size_t invalid = 0;  // bytes that did not decode (kept as escapes)
};

class FetchSource : public QObject {
    Q_OBJECT
  public:
    explicit FetchSource(FetchLimits limits = {}, QObject* parent = nullptr);
    ~FetchSource() override;

    // Starts fetching; finished() is emitted once, also when it fails at once.
    void Start(const QUrl& url);
    // Stops a running fetch; it finishes as canceled.
    void Cancel();
    bool Running() const { return running_; }
    const FetchResult& Result() const { return result_; }

  signals:
    // Bytes received of the current page; total is -1 while unknown.
    void progress(qint64 received, qint64 total);
    void finished();

  private:
    void OnMetaData();
    void OnReadyRead();
    void OnFinished();
    // Ends the fetch now with that outcome (the reply is aborted).
    void Stop(Outcome how);
    void Finish();
    QString FailureOf(QNetworkReply* reply) const;

    FetchLimits limits_;
    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    QTimer silence_;
    QByteArray body_;
    QString sslProblem_;
    FetchResult result_;
    bool running_ = false;
    bool decided_ = false;
};

// Runs a fetch to its end in a local event loop and returns its result.
FetchResult FetchAndWait(FetchSource& fetch, const QUrl& url);

}  // namespace files
