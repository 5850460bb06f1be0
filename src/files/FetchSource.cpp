#include "files/FetchSource.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSslError>
#include <QSslSocket>
#include <string_view>

#include "core/encoding/PageSource.h"

namespace files {

namespace {

// What the reply holds at most before it is read.
constexpr qint64 kReadBuffer = 1 << 20;

QString SizeText(qint64 bytes) {
    const auto inUnit = [](double v, const char* unit) {
        QString s = QString::number(v, 'f', 1);
        if (s.endsWith(QStringLiteral(".0"))) s.chop(2);
        return s + QLatin1Char(' ') + QLatin1String(unit);
    };
    if (bytes >= (1LL << 20)) return inUnit(static_cast<double>(bytes) / (1 << 20), "MB");
    if (bytes >= 1024) return inUnit(static_cast<double>(bytes) / 1024, "KB");
    return QStringLiteral("%1 字节").arg(bytes);
}

QString SecondsText(std::chrono::milliseconds ms) {
    if (ms.count() % 1000 == 0) return QString::number(ms.count() / 1000);
    return QString::number(static_cast<double>(ms.count()) / 1000.0, 'g', 3);
}

// The common statuses in words a user knows; the code is always given.
QString StatusText(int status, const QString& reason) {
    static const std::pair<int, const char*> kKnown[] = {
        {400, "请求无效"},       {401, "需要登录"},     {403, "禁止访问"},
        {404, "网页不存在"},     {405, "不允许此请求"}, {407, "需要代理服务器登录"},
        {408, "请求超时"},       {410, "网页已被删除"}, {429, "请求过于频繁"},
        {500, "服务器内部错误"}, {502, "网关错误"},     {503, "服务暂时不可用"},
        {504, "网关超时"}};
    QString words;
    for (const auto& [code, text] : kKnown) {
        if (code == status) words = QString::fromUtf8(text);
    }
    if (words.isEmpty()) words = reason.isEmpty() ? QStringLiteral("错误") : reason;
    return QStringLiteral("服务器返回 %1（%2），没有取得网页。").arg(status).arg(words);
}

int StatusOf(QNetworkReply* reply) {
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString NotText(const QUrl& url, const QString& type) {
    return type.isEmpty()
               ? QStringLiteral("“%1”的内容不是文本，没有获取。").arg(url.toDisplayString())
               : QStringLiteral("“%1”不是文本（内容类型为 %2），没有获取。")
                     .arg(url.toDisplayString(), type);
}

}  // namespace

WebAddress ParseWebAddress(const QString& typed) {
    WebAddress r;
    QString text = typed.trimmed();
    if (text.isEmpty()) {
        r.why = QStringLiteral("请输入网址。");
        return r;
    }
    // "name:" opens a scheme unless digits follow, which make it a port
    // ("localhost:8080/page").
    static const QRegularExpression kScheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(?!\\d)"));
    const QRegularExpressionMatch m = kScheme.match(text);
    if (!m.hasMatch()) {
        text.prepend(QStringLiteral("http://"));
    } else {
        const QString scheme = m.captured(1).toLower();
        if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) {
            r.why = QStringLiteral("只能获取 http 或 https 网址，不支持“%1:”。").arg(m.captured(1));
            return r;
        }
    }
    r.url = QUrl(text, QUrl::TolerantMode);
    if (!r.url.isValid() || r.url.host().isEmpty()) {
        r.why = QStringLiteral("“%1”不是有效的网址。").arg(typed.trimmed());
        r.url.clear();
    }
    return r;
}

FetchSource::FetchSource(FetchLimits limits, QObject* parent) : QObject(parent), limits_(limits) {
    silence_.setSingleShot(true);
    connect(&silence_, &QTimer::timeout, this, [this] {
        Stop(Outcome::Failed(QStringLiteral("服务器“%1”在 %2 秒内没有回应，已停止获取。")
                                 .arg(reply_ ? reply_->url().host() : result_.url.host(),
                                      SecondsText(limits_.timeout))));
    });
}

FetchSource::~FetchSource() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        delete reply_.data();
    }
}

void FetchSource::Start(const QUrl& url) {
    if (running_) return;
    result_ = {};
    result_.url = url;
    body_.clear();
    sslProblem_.clear();
    decided_ = false;
    running_ = true;
    if (url.scheme() == QStringLiteral("https") && !QSslSocket::supportsSsl()) {
        decided_ = true;
        result_.why = QStringLiteral("本机没有可用的 TLS 支持，无法获取 https 网页。");
        QMetaObject::invokeMethod(this, &FetchSource::Finish, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    // Never from https down to plain http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits_.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Quillmere/4.0"));
    reply_ = manager_.get(request);
    // Without a bound the transport takes in all it can, as fast as the
    // server sends, and hands it over only when it pauses: gigabytes for a
    // page that never ends, and no sign of life meanwhile.
    reply_->setReadBufferSize(kReadBuffer);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &FetchSource::OnMetaData);
    connect(reply_, &QNetworkReply::readyRead, this, &FetchSource::OnReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &FetchSource::OnFinished);
    connect(reply_, &QNetworkReply::redirected, this, [this] {
        body_.clear();
        silence_.start();
    });
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 got, qint64 total) {
        silence_.start();
        emit progress(got, total > 0 ? total : -1);
    });
    connect(reply_, &QNetworkReply::sslErrors, this, [this](const QList<QSslError>& errors) {
        if (!errors.isEmpty() && sslProblem_.isEmpty()) sslProblem_ = errors.first().errorString();
    });
    silence_.start(limits_.timeout);
}

void FetchSource::Cancel() {
    if (running_) Stop(Outcome::Canceled());
}

void FetchSource::OnMetaData() {
    const int status = StatusOf(reply_);
    if (status >= 300 && status < 400) return;  // a redirect being followed
    if (status >= 400) {
        // The error page itself is not wanted.
        Stop(Outcome::Failed(StatusText(
            status, reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())));
        return;
    }
    const qint64 length = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (length > limits_.maxBytes) {
        Stop(Outcome::Failed(QStringLiteral("网页大小 %1，超过了 %2 的上限，没有获取。")
                                 .arg(SizeText(length), SizeText(limits_.maxBytes))));
        return;
    }
    const QString type = reply_->header(QNetworkRequest::ContentTypeHeader).toString();
    if (qm::page::IsBinaryType(type.toStdString())) {
        Stop(Outcome::Failed(NotText(reply_->url(), type)));
    }
}

void FetchSource::OnReadyRead() {
    if (decided_) return;
    // One byte past the limit is enough to refuse the page.
    body_ += reply_->read(limits_.maxBytes + 1 - body_.size());
    silence_.start();
    // Counted as it arrives (after any decompression), so a server that
    // names no length, or a false one, is held to the limit too.
    if (body_.size() > limits_.maxBytes) {
        Stop(Outcome::Failed(
            QStringLiteral("网页超过了 %1 的上限，没有获取。").arg(SizeText(limits_.maxBytes))));
    }
}

void FetchSource::OnFinished() {
    if (decided_) {
        Finish();
        return;
    }
    decided_ = true;
    result_.url = reply_->url();
    if (reply_->error() != QNetworkReply::NoError) {
        result_.why = FailureOf(reply_);
        Finish();
        return;
    }
    const int status = StatusOf(reply_);
    if (status != 0 && (status < 200 || status >= 300)) {
        result_.why = status >= 400 ? StatusText(status, QString())
                                    : QStringLiteral("服务器返回 %1，没有给出网页。").arg(status);
        Finish();
        return;
    }
    body_ += reply_->readAll();
    if (body_.size() > limits_.maxBytes) {
        result_.why =
            QStringLiteral("网页超过了 %1 的上限，没有获取。").arg(SizeText(limits_.maxBytes));
        Finish();
        return;
    }
    const std::string type =
        reply_->header(QNetworkRequest::ContentTypeHeader).toString().toStdString();
    qm::page::PageText page = qm::page::DecodePage(
        std::string_view(body_.constData(), static_cast<std::size_t>(body_.size())), type);
    if (!page.isText) {
        result_.why = NotText(result_.url, QString());
        Finish();
        return;
    }
    result_.ok = true;
    result_.text = std::move(page.text);
    result_.encoding = page.encoding;
    result_.invalid = page.invalid;
    Finish();
}

QString FetchSource::FailureOf(QNetworkReply* reply) const {
    const QString host = reply->url().host();
    const int status = StatusOf(reply);
    if (status >= 400) {
        return StatusText(status,
                          reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    }
    switch (reply->error()) {
        case QNetworkReply::HostNotFoundError:
            return QStringLiteral("找不到服务器“%1”，请检查网址。").arg(host);
        case QNetworkReply::ConnectionRefusedError:
            return QStringLiteral("服务器“%1”拒绝连接。").arg(host);
        case QNetworkReply::RemoteHostClosedError:
            return QStringLiteral("服务器“%1”没有送完网页就关闭了连接。").arg(host);
        case QNetworkReply::TimeoutError:
            return QStringLiteral("服务器“%1”没有及时回应，已停止获取。").arg(host);
        case QNetworkReply::SslHandshakeFailedError:
            return QStringLiteral("无法与“%1”建立安全连接，证书无效或不受信任（%2）。")
                .arg(host, sslProblem_.isEmpty() ? reply->errorString() : sslProblem_);
        case QNetworkReply::TooManyRedirectsError:
            return QStringLiteral("网址重定向超过 %1 次，已停止获取。").arg(limits_.maxRedirects);
        case QNetworkReply::InsecureRedirectError:
            return QStringLiteral("网页从 https 地址转到了不加密的 http 地址，已停止获取。");
        case QNetworkReply::ProtocolUnknownError: {
            // The refused target is only in the redirect's own header: the
            // reply still names the page that redirected.
            const QByteArray to = reply->rawHeader("Location");
            const QUrl target =
                to.isEmpty() ? reply->url() : reply->url().resolved(QUrl::fromEncoded(to));
            return QStringLiteral("网页转到了不支持的地址“%1”，已停止获取。")
                .arg(target.toDisplayString());
        }
        default:
            return QStringLiteral("无法获取网页（%1）。").arg(reply->errorString());
    }
}

void FetchSource::Stop(Outcome how) {
    if (decided_) return;
    decided_ = true;
    static_cast<Outcome&>(result_) = std::move(how);
    if (reply_) {
        result_.url = reply_->url();
        reply_->abort();  // finishes the reply, which finishes the fetch
    }
    Finish();  // in case the reply had nothing left to finish
}

void FetchSource::Finish() {
    if (!running_) return;
    running_ = false;
    silence_.stop();
    body_.clear();
    if (reply_) {
        reply_->disconnect(this);
        reply_->deleteLater();
        reply_ = nullptr;
    }
    emit finished();
}

FetchResult FetchAndWait(FetchSource& fetch, const QUrl& url) {
    QEventLoop loop;
    QObject::connect(&fetch, &FetchSource::finished, &loop, &QEventLoop::quit);
    fetch.Start(url);
    if (fetch.Running()) loop.exec();
    return fetch.Result();
}

}  // namespace files
