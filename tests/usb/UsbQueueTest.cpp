// The adapter's shared structures on their own: the output queue with its sequence numbers and
// acknowledgements, the input rings, the report descriptor and the adapter lock.
#include <gtest/gtest.h>

#include <numeric>

#include "AdapterLock.h"
#include "HidReportDescriptor.h"
#include "UsbLink.h"
#include "UsbOutputQueue.h"
#include "UsbRing.h"

namespace zov::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// Makes `q` a queue of 9-byte reports holding `count` one-byte reports 0, 1, 2 ...
void Fill(UsbOutputQueue& q, int count) {
    q.Configure(9);
    for (int i = 0; i < count; ++i) {
        const uint8_t b = uint8_t(i);
        q.Queue(&b, 1);
    }
}

// Hands every sendable report to the device and returns their sequence numbers.
std::vector<int> SendAll(UsbOutputQueue& q) {
    std::vector<int> sent;
    while (q.SendNext([&](const uint8_t* r, size_t) {
        sent.push_back((r[1] >> 3) & 7);
        return true;
    })) {
    }
    return sent;
}

TEST(UsbOutputQueue, ReportsCarryTheirSlotAsSequenceAndTheirCount) {
    UsbOutputQueue q;
    q.Configure(9);
    Bytes request(20);
    std::iota(request.begin(), request.end(), uint8_t(0x10));
    q.Queue(request.data(), 7);
    q.Queue(request.data() + 7, 7);
    q.Queue(request.data() + 14, 6);
    EXPECT_EQ(q.Report(0), (Bytes{0x00, 0x07, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16}));
    EXPECT_EQ(q.Report(1), (Bytes{0x00, 0x0F, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D}));
    EXPECT_EQ(q.Report(2), (Bytes{0x00, 0x16, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x00}));
    EXPECT_EQ(q.WriteSlot(), 3);
    EXPECT_EQ(q.OldestSlot(), 0);
    EXPECT_EQ(SendAll(q), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(q.Drained());
}

TEST(UsbOutputQueue, AcknowledgementsMoveTheWindow) {
    struct Case {
        const char* what;
        int expected;  // the sequence number the adapter expects next
        int oldest, send, write;
        std::vector<int> resent;
    } cases[] = {
        {"naming the write slot: everything delivered", 3, UsbOutputQueue::kNone, 3, 3, {}},
        {"inside the window: the later reports go again", 1, 1, 1, 3, {1, 2}},
        {"the oldest itself: all of them go again", 0, 0, 0, 3, {0, 1, 2}},
        {"outside the window: taken as all delivered", 6, UsbOutputQueue::kNone, 6, 6, {}},
    };
    for (const Case& c : cases) {
        UsbOutputQueue q;
        Fill(q, 3);
        SendAll(q);
        q.Acknowledge(c.expected);
        EXPECT_EQ(q.OldestSlot(), c.oldest) << c.what;
        EXPECT_EQ(q.SendSlot(), c.send) << c.what;
        EXPECT_EQ(q.WriteSlot(), c.write) << c.what;
        EXPECT_EQ(SendAll(q), c.resent) << c.what;
    }
}

TEST(UsbOutputQueue, ANinthReportOverwritesTheOldest) {
    UsbOutputQueue q;
    Fill(q, 8);
    EXPECT_EQ(q.OldestSlot(), 0);
    EXPECT_EQ(q.WriteSlot(), 0) << "eight owed reports fill the queue";
    const uint8_t ninth = 0x99;
    q.Queue(&ninth, 1);
    EXPECT_EQ(q.OldestSlot(), 1);
    EXPECT_EQ(q.WriteSlot(), 1);
    EXPECT_EQ(q.Report(0), (Bytes{0x00, 0x01, 0x99, 0, 0, 0, 0, 0, 0}));
    // A full queue owes every slot, so any acknowledgement lies in its window.
    q.Acknowledge(5);
    EXPECT_EQ(q.OldestSlot(), 5);
}

TEST(UsbOutputQueue, UnsentReportsAreForgottenAndTheSequenceRestarts) {
    UsbOutputQueue q;
    Fill(q, 3);
    const uint8_t b = 1;
    q.SendNext([](const uint8_t*, size_t) { return true; });
    q.DiscardUnsent();
    EXPECT_EQ(q.WriteSlot(), 1);
    EXPECT_FALSE(q.Sendable());
    q.Queue(&b, 1);
    EXPECT_EQ(q.Report(1)[1], 0x09) << "the next request goes on from the send slot";
    q.Restart(5);
    EXPECT_EQ(q.SendSlot(), 5);
    EXPECT_EQ(q.WriteSlot(), 5);
    EXPECT_EQ(q.OldestSlot(), UsbOutputQueue::kNone);
    // A write the device refused stays in its slot.
    q.Queue(&b, 1);
    q.SendNext([](const uint8_t*, size_t) { return false; });
    EXPECT_EQ(q.SendSlot(), 5);
    EXPECT_TRUE(q.Sendable());
}

TEST(UsbOutputQueue, ANewRequestNeverReusesTheNumbersOfReportsAlreadySent) {
    // The adapter's acknowledgement of report 0 comes in after reports 1 and 2 went out: the send
    // slot moves back to 1 and they would go again. The next request still starts at 3, the number
    // the adapter expects once it has taken 1 and 2.
    UsbOutputQueue q;
    Fill(q, 3);
    SendAll(q);
    q.Acknowledge(1);
    EXPECT_EQ(q.SendSlot(), 1);
    q.DiscardUnsent();
    EXPECT_EQ(q.WriteSlot(), 3);
    EXPECT_EQ(q.SendSlot(), 3);
    const uint8_t b = 7;
    q.Queue(&b, 1);
    EXPECT_EQ(SendAll(q), (std::vector<int>{3}));
}

TEST(UsbOutputQueue, SevenOwedReportsLeaveNoRoom) {
    UsbOutputQueue q;
    Fill(q, 6);
    EXPECT_TRUE(q.HasRoom());
    Fill(q, 7);
    EXPECT_FALSE(q.HasRoom()) << "an eighth would make the send slot meet the write slot";
    SendAll(q);
    EXPECT_FALSE(q.HasRoom()) << "sent is not yet taken";
    q.Acknowledge(2);
    EXPECT_TRUE(q.HasRoom());
}

TEST(UsbRing, TakesTheOldestFirstAcrossTheEnd) {
    UsbRing ring;
    Bytes filler(1000, 0xEE);
    ASSERT_TRUE(ring.Append(filler.data(), filler.size()));
    uint8_t b = 0;
    for (size_t i = 0; i < filler.size(); ++i) ring.Take(b);
    const Bytes wrapping = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                            16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
    ASSERT_TRUE(ring.Append(wrapping.data(), wrapping.size()));
    Bytes out;
    while (ring.Take(b)) out.push_back(b);
    EXPECT_EQ(out, wrapping);
}

TEST(UsbRing, AReportThatWouldFillTheRingIsDroppedWhole) {
    UsbRing ring;
    Bytes bytes(1020, 0x11);
    ASSERT_TRUE(ring.Append(bytes.data(), bytes.size()));
    EXPECT_FALSE(ring.Append(bytes.data(), 4)) << "1024 bytes would be held";
    EXPECT_EQ(ring.Count(), 1020u);
    EXPECT_TRUE(ring.Append(bytes.data(), 3));
    EXPECT_EQ(ring.Count(), 1023u);
    ring.Discard(1000);
    EXPECT_EQ(ring.Count(), 23u);
}

TEST(HidReportDescriptor, ReportLengthsIncludeTheReportIdByte) {
    const Bytes vendorPage = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00};
    auto with = [&](Bytes body) {
        Bytes d = vendorPage;
        d.insert(d.end(), body.begin(), body.end());
        d.push_back(0xC0);
        return d;
    };
    struct Case {
        const char* what;
        Bytes descriptor;
        bool parsed;
        size_t input, output, feature;
        bool numbered;
    } cases[] = {
        {"eight bytes each way and a feature",
         with({0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0x95, 0x07, 0x09, 0x01,
               0xB1, 0x02}),
         true, 9, 9, 8, false},
        {"numbered reports: the longest counts",
         with({0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0x85, 0x02, 0x95, 0x0B, 0x81, 0x02}), true, 12,
         0, 0, true},
        {"push and pop restore the item size",
         with({0x75, 0x08, 0xA4, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xB4, 0x95, 0x02, 0x81, 0x02}), true, 4,
         0, 0, false},
        {"cut inside an item", Bytes{0x06, 0x00}, false, 0, 0, 0, false},
        {"no report at all", with({}), false, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        HidReportLayout layout;
        ASSERT_EQ(ParseReportDescriptor(c.descriptor, layout), c.parsed) << c.what;
        if (!c.parsed) continue;
        EXPECT_EQ(layout.caps.inputLength, c.input) << c.what;
        EXPECT_EQ(layout.caps.outputLength, c.output) << c.what;
        EXPECT_EQ(layout.caps.featureLength, c.feature) << c.what;
        EXPECT_EQ(layout.numberedReports, c.numbered) << c.what;
    }
}

TEST(AdapterLock, OneHolderAtATime) {
    const std::string path = UniqueAdapterPath();
    AdapterLock first, second;
    ASSERT_TRUE(first.Acquire(path));
    EXPECT_FALSE(second.Acquire(path));
    EXPECT_TRUE(second.Acquire(path + "-other")) << "another adapter is free";
    first.Release();
    EXPECT_TRUE(second.Acquire(path));
    EXPECT_NE(AdapterLock::LockPath("/dev/hidraw3").find("zovqbr-usb-hidraw3.lock"), std::string::npos);
}

}  // namespace
}  // namespace zov::testing
