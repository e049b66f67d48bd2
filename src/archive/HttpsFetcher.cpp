#include "HttpsFetcher.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QTimer>
#include <memory>

namespace zov {

namespace {

constexpr int kHttpOk = 200;
constexpr int kHttpPartial = 206;

// The start of a "Content-Range: bytes START-END/SIZE" header, or -1.
qint64 RangeStart(const QByteArray& header) {
    if (!header.startsWith("bytes ")) return -1;
    bool ok = false;
    const qint64 start = header.mid(6, header.indexOf('-') - 6).toLongLong(&ok);
    return ok ? start : -1;
}

}  // namespace

HttpsFetcher::HttpsFetcher(const std::string& baseUrl, const std::string& caFile)
    : ssl_(QSslConfiguration::defaultConfiguration()) {
    QString text = QString::fromStdString(baseUrl);
    if (!text.endsWith('/')) text += '/';
    base_ = QUrl(text, QUrl::StrictMode);
    if (!base_.isValid() || base_.scheme() != QStringLiteral("https") || base_.host().isEmpty()) {
        error_ = "the update address must be an https:// address: " + baseUrl;
        return;
    }
    if (caFile.empty()) return;
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(
        QString::fromStdString(caFile), QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    if (certificates.isEmpty()) {
        error_ = "no certificate in " + caFile;
        return;
    }
    ssl_.addCaCertificates(certificates);
}

QUrl HttpsFetcher::UrlOf(const std::string& relative) const {
    QString path;
    for (const QString& part : QString::fromStdString(relative).split('/'))
        path += (path.isEmpty() ? QString() : QStringLiteral("/")) +
                QString::fromLatin1(QUrl::toPercentEncoding(part));
    return base_.resolved(QUrl(path, QUrl::StrictMode));
}

std::string HttpsFetcher::Fetch(const std::string& relative, uint64_t offset, const Sink& sink) {
    if (!error_.empty()) return error_;
    QNetworkRequest request(UrlOf(relative));
    request.setSslConfiguration(ssl_);
    request.setTransferTimeout(kStallTimeoutMs);
    if (offset > 0) request.setRawHeader("Range", "bytes=" + QByteArray::number(qulonglong(offset)) + "-");
    std::unique_ptr<QNetworkReply> reply(network_.get(request));

    std::string failure;
    uint64_t skip = 0;  // bytes of a whole file sent despite the range
    bool started = false;
    auto take = [&] {
        if (!failure.empty()) return;
        if (!started) {
            started = true;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (status == kHttpOk) {
                skip = offset;
            } else if (status != kHttpPartial ||
                       RangeStart(reply->rawHeader("Content-Range")) != qint64(offset)) {
                failure =
                    "the server answered " + std::to_string(status) + " " +
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
            }
        }
        QByteArray piece = reply->readAll();
        const qint64 dropped = std::min<qint64>(qint64(skip), piece.size());
        skip -= uint64_t(dropped);
        piece.remove(0, dropped);
        if (failure.empty() && !piece.isEmpty() &&
            !sink(std::string_view(piece.constData(), size_t(piece.size()))))
            failure = "stopped";
        if (!failure.empty()) reply->abort();
    };
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (cancelled_ && cancelled_()) {
            failure = "stopped";
            reply->abort();
        }
    });
    poll.start(kCancelPollMs);
    QObject::connect(reply.get(), &QNetworkReply::readyRead, take);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    if (reply->error() == QNetworkReply::NoError) take();
    if (!failure.empty()) return failure;
    if (reply->error() != QNetworkReply::NoError) return reply->errorString().toStdString();
    return {};
}

}  // namespace zov
