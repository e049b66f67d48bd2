#pragma once

#include <cstdint>

namespace zov {

// What became of one write to the ECU. The values go from best to worst, so a group of writes
// ends as the worst of its parts (Worse). Discarding one does not compile: a write whose outcome
// nobody looks at is a refusal nobody reports.
enum class [[nodiscard]] WriteOutcome : uint8_t{
    Answered,  // the ECU took the value
    Refused,   // the ECU answered 7F 7F, or the request is one it cannot take (wrong kind, read-only,
               // element out of range): the ECU keeps what it had
    Lost,      // no answer: no session, the session was lost on the way, or another exchange was
               // running; after a request that went out the ECU may hold either value
};

constexpr WriteOutcome Worse(WriteOutcome a, WriteOutcome b) { return a < b ? b : a; }

}  // namespace zov
