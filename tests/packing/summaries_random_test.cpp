#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/text.hpp"
#include "packing/summaries.hpp"

namespace {

using packing::Json;

// Random summaries over the format's own keys, with values of every kind in every place:
// the renderings must neither fail nor let the single line exceed 300 characters.
class RandomSummary {
public:
    explicit RandomSummary(unsigned seed) : rnd_(seed) {}

    Json value(int depth) {
        static const char* const kKeys[] = {"description",
                                            "functions",
                                            "classes",
                                            "variables",
                                            "internal_graph",
                                            "imports",
                                            "params",
                                            "returns",
                                            "async",
                                            "calls_internal",
                                            "calls_external",
                                            "decorators",
                                            "lines",
                                            "bases",
                                            "methods",
                                            "name",
                                            "used_by",
                                            "from",
                                            "to",
                                            "module",
                                            "names",
                                            ""};
        switch (pick(depth > 3 ? 6 : 8)) {
            case 0:
                return nullptr;
            case 1:
                return pick(2) == 1;
            case 2:
                return static_cast<std::int64_t>(pick(5)) - 2;
            case 3:
                return pick(2) ? 0.5 : -0.0;
            case 4:
                return text();
            case 5:
                return std::uint64_t{18446744073709551615u};
            case 6: {
                Json a = Json::array();
                for (std::size_t n = pick(9); n > 0; --n) a.push_back(value(depth + 1));
                return a;
            }
            default: {
                Json o = Json::object();
                for (std::size_t n = pick(9); n > 0; --n) o[kKeys[pick(std::size(kKeys))]] = value(depth + 1);
                return o;
            }
        }
    }

private:
    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rnd_); }
    std::string text() {
        static const char* const kPieces[] = {"", " ", "a", ".", "\u00e9", "\U0001F600", "\n", "name", "  x  "};
        std::string s;
        for (std::size_t n = pick(6); n > 0; --n) s += kPieces[pick(std::size(kPieces))];
        return s;
    }
    std::mt19937 rnd_;
};

TEST(SummaryRenderings, NeverFailOnValuesOfAnyKind) {
    RandomSummary gen(20240611);
    for (int i = 0; i < 20000; ++i) {
        const Json summary = gen.value(0);
        std::string block, line;
        ASSERT_NO_THROW(block = packing::expand_summary(summary)) << summary.dump();
        ASSERT_NO_THROW(line = packing::condense_summary(summary)) << summary.dump();
        ASSERT_LE(core::cp_len(line), 300u);
        if (!summary.is_object() || summary.empty()) {
            ASSERT_EQ(block + line, "");
        }
    }
}

}  // namespace
