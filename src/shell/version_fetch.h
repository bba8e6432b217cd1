#pragma once
// TVersionFetch: one asynchronous GET of the version file. Nothing waits for the
// network: get() returns at once and the answer arrives later through the event
// loop. A transfer ends as failed when the server stays silent for the transfer
// timeout, when the whole transfer takes longer than the total timeout, after too
// many redirects (or one from https to http), on any HTTP error, and as soon as
// the body would exceed max_version_file_size.
//
// GUI thread only.

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;

namespace zevrin {

struct TFetchResult {
    bool ok = false;
    std::string body;
    std::string error; ///< why it failed, for the curious; the user sees one message
};

class TVersionFetch : public QObject {
public:
    explicit TVersionFetch(QObject* parent = nullptr);
    ~TVersionFetch() override;

    std::chrono::milliseconds transfer_timeout{10000};
    std::chrono::milliseconds total_timeout{20000};
    int max_redirects = 3;

    /// Starts fetching `url` (http or https only); `done` follows once, later.
    /// A fetch still running is dropped without its `done`.
    void get(const std::string& url, std::function<void(const TFetchResult&)> done);
    bool running() const { return freply != nullptr; }

private:
    void read_body();
    void finish(TFetchResult result);

    std::unique_ptr<QNetworkAccessManager> fmanager;
    QNetworkReply* freply = nullptr;
    std::function<void(const TFetchResult&)> fdone;
    std::string fbody;
    QTimer fdeadline;
};

} // namespace zevrin
