#include "shell/version_fetch.h"

#include "shell/version_file.h"
#include "zevrin_version.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace zevrin {

TVersionFetch::TVersionFetch(QObject* parent) : QObject(parent) {
    fdeadline.setSingleShot(true);
    connect(&fdeadline, &QTimer::timeout, this, [this] {
        finish({false, {}, "the server took too long"});
    });
}

TVersionFetch::~TVersionFetch() {
    fdone = nullptr;
    if (freply != nullptr) {
        freply->disconnect(this);
        freply->abort();
    }
}

void TVersionFetch::get(const std::string& url, std::function<void(const TFetchResult&)> done) {
    if (freply != nullptr) {
        freply->disconnect(this);
        freply->abort();
        freply->deleteLater();
        freply = nullptr;
    }
    fdone = std::move(done);
    fbody.clear();
    const QUrl address(QString::fromStdString(url));
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != "http" && scheme != "https")) {
        finish({false, {}, "not an http or https address"});
        return;
    }
    if (!fmanager) {
        fmanager = std::make_unique<QNetworkAccessManager>();
    }
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(max_redirects);
    request.setTransferTimeout(static_cast<int>(transfer_timeout.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QString("%1/%2").arg(product_name, version_text));
    freply = fmanager->get(request);
    freply->setReadBufferSize(static_cast<qint64>(max_version_file_size) + 1);
    QNetworkReply* reply = freply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply == freply && length.isValid() &&
            length.toLongLong() > static_cast<qint64>(max_version_file_size)) {
            finish({false, {}, "the answer is too long for a version file"});
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply == freply) {
            read_body();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply != freply) {
            return;
        }
        read_body();
        if (freply == nullptr) {
            return; // read_body found the body too long
        }
        if (reply->error() != QNetworkReply::NoError) {
            finish({false, {}, reply->errorString().toStdString()});
        } else {
            finish({true, fbody, {}});
        }
    });
    fdeadline.start(total_timeout);
}

void TVersionFetch::read_body() {
    const QByteArray data = freply->readAll();
    if (fbody.size() + static_cast<size_t>(data.size()) > max_version_file_size) {
        finish({false, {}, "the answer is too long for a version file"});
        return;
    }
    fbody.append(data.constData(), static_cast<size_t>(data.size()));
}

// The result is delivered from the event loop, never from inside the reply's own
// signal, so that whatever `done` does (a message box) cannot meet a half-finished
// reply.
void TVersionFetch::finish(TFetchResult result) {
    fdeadline.stop();
    if (freply != nullptr) {
        QNetworkReply* reply = freply;
        freply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    auto done = std::move(fdone);
    fdone = nullptr;
    if (done) {
        QMetaObject::invokeMethod(
            this, [done = std::move(done), result = std::move(result)] { done(result); },
            Qt::QueuedConnection);
    }
}

} // namespace zevrin
