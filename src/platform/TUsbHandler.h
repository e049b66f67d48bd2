#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "Clock.h"
#include "HidDevice.h"
#include "UsbOutputQueue.h"
#include "UsbRing.h"

namespace zov {

// Moves reports between the USB adapter and the link's shared structures while the adapter is
// open: input reports into the receive ring (line bytes) and the notice ring (adapter messages),
// acknowledgements into the output queue, queued output reports to the device. A reader and a
// writer run on their own threads with their own device handles (the device opened twice), so
// neither spins while the other waits; each ring and the queue is locked on its own and no code
// holds two of those locks at once.
//
// The link's thread waits through WaitUntil: it sleeps on its clock only while nothing is still
// on its way (no report waiting to be written, no input report offered and not yet dispatched),
// so on a virtual clock time never runs past a report the threads simply had not moved yet.
class TUsbHandler {
  public:
    static constexpr size_t kInputReportMax = 12;

    TUsbHandler(std::unique_ptr<HidDevice> reader, std::unique_ptr<HidDevice> writer, size_t inputLength,
                UsbRing& receive, UsbRing& notices, UsbOutputQueue& output);
    ~TUsbHandler();
    TUsbHandler(const TUsbHandler&) = delete;
    TUsbHandler& operator=(const TUsbHandler&) = delete;

    // Wakes the writer: a report was queued or the queue restarted.
    void OutputQueued();
    // False once a read failed: the thread stopped reading, the session will fail by timeouts.
    bool Reading() const { return reading_; }

    // Waits until `ready()` holds or `timeoutUs` of clock time have passed; true when it held.
    template <typename Ready>
    bool WaitUntil(Clock& clock, int64_t timeoutUs, Ready&& ready);

    // One input report as the adapter sent it (report ID first).
    void Dispatch(const uint8_t* report, size_t length);

  private:
    static constexpr int kReadSliceMs = 20;
    static constexpr int64_t kPollStepUs = 100;
    static constexpr int kSettleSliceMs = 50;

    void ReadLoop();
    void WriteLoop();
    // Something has still to reach the rings or the device without any time passing.
    bool Settling();
    void Changed();
    // Sleeps until a change is signalled or `ms` of real time have passed.
    void AwaitChange(uint64_t seen, int ms);
    uint64_t Changes();

    std::unique_ptr<HidDevice> reader_;
    std::unique_ptr<HidDevice> writer_;
    size_t inputLength_;
    UsbRing& receive_;
    UsbRing& notices_;
    UsbOutputQueue& output_;

    std::atomic<bool> stop_{false};
    std::atomic<bool> reading_{true};
    std::atomic<bool> writeFailing_{false};
    std::atomic<uint64_t> dispatched_{0};

    std::mutex signalLock_;
    std::condition_variable signal_;
    uint64_t changes_ = 0;
    bool writeWanted_ = false;

    std::thread readThread_;
    std::thread writeThread_;
};

template <typename Ready>
bool TUsbHandler::WaitUntil(Clock& clock, int64_t timeoutUs, Ready&& ready) {
    const int64_t deadline = clock.NowUs() + timeoutUs;
    for (;;) {
        const uint64_t seen = Changes();
        if (ready()) return true;
        const int64_t now = clock.NowUs();
        if (now >= deadline) return false;
        if (Settling())
            AwaitChange(seen, kSettleSliceMs);
        else
            clock.SleepUs(std::min(kPollStepUs, deadline - now));
    }
}

}  // namespace zov
