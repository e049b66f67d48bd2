#pragma once

#include "EnrichmentPage.h"

namespace zov {

// Stops a live timer for as long as a modal box or an exchange sequence runs.
class LivePause {
  public:
    explicit LivePause(EnrichmentPage* page) : page_(page), wasActive_(page && page->LiveTimerActive()) {
        if (wasActive_) page_->StopLiveTimer();
    }
    ~LivePause() {
        if (wasActive_) page_->StartLiveTimer();
    }
    LivePause(const LivePause&) = delete;
    LivePause& operator=(const LivePause&) = delete;

  private:
    EnrichmentPage* page_;
    bool wasActive_;
};

}  // namespace zov
