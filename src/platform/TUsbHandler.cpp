#include "TUsbHandler.h"

#include <algorithm>
#include <chrono>

namespace zov {
namespace {

constexpr uint8_t kAdapterMessage = 0x80;
constexpr uint8_t kAcknowledgement[] = {0x83, 0x02, 0x04};
constexpr int kWriteRetryMs = 1;

}  // namespace

TUsbHandler::TUsbHandler(std::unique_ptr<HidDevice> reader, std::unique_ptr<HidDevice> writer,
                         size_t inputLength, UsbRing& receive, UsbRing& notices, UsbOutputQueue& output)
    : reader_(std::move(reader)),
      writer_(std::move(writer)),
      inputLength_(std::clamp<size_t>(inputLength, 2, kInputReportMax)),
      receive_(receive),
      notices_(notices),
      output_(output) {
    readThread_ = std::thread([this] { ReadLoop(); });
    writeThread_ = std::thread([this] { WriteLoop(); });
}

TUsbHandler::~TUsbHandler() {
    stop_ = true;
    {
        std::lock_guard guard(signalLock_);
        writeWanted_ = true;
    }
    signal_.notify_all();
    readThread_.join();
    writeThread_.join();
}

void TUsbHandler::OutputQueued() {
    {
        std::lock_guard guard(signalLock_);
        writeWanted_ = true;
    }
    signal_.notify_all();
}

void TUsbHandler::Changed() {
    {
        std::lock_guard guard(signalLock_);
        ++changes_;
    }
    signal_.notify_all();
}

uint64_t TUsbHandler::Changes() {
    std::lock_guard guard(signalLock_);
    return changes_;
}

void TUsbHandler::AwaitChange(uint64_t seen, int ms) {
    std::unique_lock guard(signalLock_);
    signal_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return changes_ != seen; });
}

bool TUsbHandler::Settling() {
    if (output_.Sendable() && !writeFailing_) return true;
    return reading_ && reader_->InputOffered() != dispatched_;
}

void TUsbHandler::ReadLoop() {
    uint8_t report[kInputReportMax];
    while (!stop_) {
        size_t got = 0;
        std::fill(std::begin(report), std::end(report), 0);
        const HidStatus status = reader_->Read(report, inputLength_, got, kReadSliceMs);
        if (status == HidStatus::Failed) {
            // The adapter is gone or broken: stop reading; the link fails by timeouts.
            reading_ = false;
            Changed();
            return;
        }
        if (status == HidStatus::Ok) {
            Dispatch(report, got);
            ++dispatched_;
            Changed();
        }
    }
}

void TUsbHandler::WriteLoop() {
    while (!stop_) {
        bool wrote = false;
        const bool had = output_.SendNext([&](const uint8_t* report, size_t length) {
            wrote = writer_->Write(report, length) == HidStatus::Ok;
            return wrote;
        });
        writeFailing_ = had && !wrote;
        if (had) {
            Changed();
            if (wrote) continue;
        }
        std::unique_lock guard(signalLock_);
        // A failed write is tried again shortly; otherwise wait for the next queued report.
        if (had)
            signal_.wait_for(guard, std::chrono::milliseconds(kWriteRetryMs), [&] { return bool(stop_); });
        else
            signal_.wait(guard, [&] { return writeWanted_ || stop_; });
        writeWanted_ = false;
    }
}

void TUsbHandler::Dispatch(const uint8_t* report, size_t length) {
    if (length < 2) return;
    const size_t n = std::min<size_t>(report[1] & 7, length - 2);
    const uint8_t* payload = report + 2;
    if (!(report[1] & kAdapterMessage)) {
        receive_.Append(payload, n);
        return;
    }
    if (n >= 4 && std::equal(std::begin(kAcknowledgement), std::end(kAcknowledgement), payload)) {
        output_.Acknowledge(payload[3] >> 3);
        // Owed reports go out again from the acknowledged slot.
        OutputQueued();
        return;
    }
    notices_.Append(payload, n);
}

}  // namespace zov
