#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zov::fuzz {

// Damages valid file contents the way a bad disk, a cut transfer or a careless edit would: bit
// flips, a truncation, inserted bytes, a block repeated. A fixed seed gives the same cases on
// every run and every machine (no library distribution is involved), so a failure can be replayed
// by its case number.
class Mutator {
  public:
    enum class Kind { BitFlips, Truncation, Insertion, RepeatedBlock };
    static constexpr int kKinds = 4;

    explicit Mutator(uint32_t seed) : state_(seed ? seed : 1) {}

    // Case `n` of a run uses kind n mod 4, so every kind gets its share.
    std::string Mutate(const std::string& valid, int n) { return Apply(valid, Kind(n % kKinds)); }

    std::string Apply(const std::string& valid, Kind kind) {
        std::string out = valid;
        if (out.empty()) return std::string(1, char(Next()));
        switch (kind) {
            case Kind::BitFlips:
                for (size_t flips = 1 + Below(8); flips > 0; --flips)
                    out[Below(out.size())] ^= char(1u << Below(8));
                break;
            case Kind::Truncation:
                out.resize(Below(out.size()));
                break;
            case Kind::Insertion: {
                std::string bytes;
                for (size_t n = 1 + Below(16); n > 0; --n) bytes.push_back(Byte());
                out.insert(Below(out.size() + 1), bytes);
                break;
            }
            case Kind::RepeatedBlock: {
                const size_t from = Below(out.size());
                const size_t length = 1 + Below(std::max<size_t>(1, (out.size() - from) / 4));
                const std::string block = out.substr(from, length);
                std::string repeated;
                for (size_t n = 1 + Below(3); n > 0; --n) repeated += block;
                out.insert(Below(2) ? from : Below(out.size() + 1), repeated);
                break;
            }
        }
        return out;
    }

  private:
    uint32_t Next() {
        // xorshift32
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    size_t Below(size_t n) { return n == 0 ? 0 : size_t(Next() % n); }
    // Half of the inserted bytes are characters the text formats give meaning to.
    char Byte() {
        static const char kMeaningful[] = "0123456789ABCDEFS\r\n\t #=-.";
        return Below(2) ? kMeaningful[Below(sizeof kMeaningful - 1)] : char(Next());
    }

    uint32_t state_;
};

}  // namespace zov::fuzz
