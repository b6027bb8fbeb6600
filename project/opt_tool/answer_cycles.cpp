#include "answer_cycles.h"

#include <bit>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace rangwerk::opt {
namespace {

// A square boolean matrix held as rows of 64-bit words.
class BitMatrix {
public:
    explicit BitMatrix(std::size_t n) : words_((n + 63) / 64), bits_(n * words_, 0) {}

    void Set(std::size_t row, std::size_t column) {
        bits_[row * words_ + column / 64] |= std::uint64_t{1} << (column % 64);
    }
    bool Test(std::size_t row, std::size_t column) const {
        return (bits_[row * words_ + column / 64] >> (column % 64)) & 1;
    }
    const std::uint64_t* Row(std::size_t row) const { return bits_.data() + row * words_; }
    std::size_t Words() const { return words_; }

private:
    std::size_t words_;
    std::vector<std::uint64_t> bits_;
};

}  // namespace

std::size_t FindAnswerCycles(const ProjectData& data,
                             const std::function<void(const AnswerCycle&)>& found) {
    const std::size_t n = data.options.size();
    std::unordered_map<std::uint32_t, std::size_t> positionOfId;
    positionOfId.reserve(n);
    for (std::size_t i = 0; i < n; ++i) positionOfId.emplace(data.options[i].id, i);

    BitMatrix superior(n);  // row a: the options a is superior to
    BitMatrix inferior(n);  // row a: the options superior to a
    for (std::size_t a = 0; a < n; ++a) {
        for (const ResultEntry& e : data.options[a].results) {
            if (!e.decided || e.outcome != 1)
                continue;
            const auto it = positionOfId.find(e.opponentId);
            if (it == positionOfId.end() || it->second == a)
                continue;
            superior.Set(a, it->second);
            inferior.Set(it->second, a);
        }
    }

    std::size_t count = 0;
    const std::size_t words = superior.Words();
    for (std::size_t a = 0; a < n; ++a) {
        const std::uint64_t* beatsA = inferior.Row(a);
        for (std::size_t b = a + 1; b < n; ++b) {
            if (!superior.Test(a, b))
                continue;
            // c after a with b superior to c and c superior to a.
            const std::uint64_t* fromB = superior.Row(b);
            for (std::size_t w = (a + 1) / 64; w < words; ++w) {
                std::uint64_t candidates = fromB[w] & beatsA[w];
                if (w == (a + 1) / 64)
                    candidates &= ~std::uint64_t{0} << ((a + 1) % 64);
                while (candidates != 0) {
                    const std::size_t c =
                        w * 64 + static_cast<std::size_t>(std::countr_zero(candidates));
                    candidates &= candidates - 1;
                    found({a, b, c});
                    ++count;
                }
            }
        }
    }
    return count;
}

}  // namespace rangwerk::opt
