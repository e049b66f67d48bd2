#pragma once

#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <QUrl>
#include <functional>
#include <string>

#include "UpdateFetcher.h"

namespace zov {

// A published update over HTTPS with Qt Network: the system's certificate store, plus the
// certificates of an optional CA file (a workshop's own server). Each fetch runs its own event
// loop, so it works on a window's thread and in zovctl alike (a QCoreApplication must exist).
class HttpsFetcher : public UpdateFetcher {
  public:
    static constexpr int kStallTimeoutMs = 30000;  // no byte for this long ends a fetch
    static constexpr int kCancelPollMs = 100;

    // `baseUrl`: the publication's address (https only); `caFile` empty: the system store alone.
    // Check Error() before fetching.
    HttpsFetcher(const std::string& baseUrl, const std::string& caFile);

    const std::string& Error() const { return error_; }
    // Asked while a fetch waits for bytes; true aborts it.
    void SetCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

    std::string Fetch(const std::string& relative, uint64_t offset, const Sink& sink) override;

  private:
    QUrl UrlOf(const std::string& relative) const;

    QUrl base_;
    QSslConfiguration ssl_;
    QNetworkAccessManager network_;
    std::function<bool()> cancelled_;
    std::string error_;
};

}  // namespace zov
