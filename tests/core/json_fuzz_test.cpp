// Random and mutated texts (fixed seed): our reader and the host's json.loads must
// agree on every one, value or exact error message.
//
// A text is built as a list of units, each one or more whole characters in UTF-8, and
// mutated unit by unit, so every text stays valid UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/json.hpp"
#include "tests/core/json_host.hpp"

namespace {

class TextMaker {
public:
    explicit TextMaker(unsigned seed) : rng_(seed) {}

    // One text: a random document, then often a few mutations.
    std::string make() {
        Units t;
        if (pick(20) == 0) t.push_back(kBom);
        value(t, 0);
        ws(t);
        const int mutations = pick(10) < 4 ? 0 : 1 + pick(3);
        for (int k = 0; k < mutations; ++k) mutate(t);
        std::string text;
        for (const auto& u : t) text += u;
        return text;
    }

private:
    using Units = std::vector<std::string>;
    static constexpr const char* kBom = "\xEF\xBB\xBF";
    std::mt19937 rng_;

    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

    // Appends `text` one character at a time.
    static void add(Units& t, std::string_view text) {
        for (std::size_t i = 0; i < text.size();) {
            std::size_t j = i + 1;
            while (j < text.size() && (static_cast<unsigned char>(text[j]) & 0xC0) == 0x80) ++j;
            t.emplace_back(text.substr(i, j - i));
            i = j;
        }
    }

    template <typename T, std::size_t N>
    const T& one_of(const T (&items)[N]) {
        return items[pick(static_cast<int>(N))];
    }

    void ws(Units& t) {
        static const char* const kWs[] = {" ", "\t", "\n", "\r", " ", " "};
        for (int k = pick(4) == 0 ? pick(3) : 0; k > 0; --k) add(t, one_of(kWs));
    }

    void digits(Units& t, int max) {
        for (int k = 1 + pick(max); k > 0; --k) t.push_back(std::string(1, static_cast<char>('0' + pick(10))));
    }

    void number(Units& t) {
        if (pick(3) == 0) t.push_back("-");
        if (pick(4) == 0) {
            t.push_back("0");
        } else {
            t.push_back(std::string(1, static_cast<char>('1' + pick(9))));
            if (pick(2)) digits(t, pick(8) == 0 ? 25 : 5);
        }
        if (pick(3) == 0) {
            t.push_back(".");
            digits(t, 6);
        }
        if (pick(4) == 0) {
            t.push_back(pick(2) ? "e" : "E");
            static const char* const kSign[] = {"+", "-", ""};
            add(t, one_of(kSign));
            digits(t, 3);
        }
    }

    void string(Units& t) {
        static const char* const kPieces[] = {
            "a",
            "key",
            "x y",
            "\xC3\xA9",
            "\xE4\xB8\xAD",
            "\xF0\x9F\x98\x80",
            "\xE2\x80\xA8",
            "\x7F",
            "/",
            R"(\")",
            R"(\\)",
            R"(\/)",
            R"(\b)",
            R"(\f)",
            R"(\n)",
            R"(\r)",
            R"(\t)",
            R"(\u00e9)",
            R"(\u00E9)",
            R"(\u0000)",
            R"(\ud83d\ude00)",
            R"(\uD800)",
            R"(\udc00)",
            R"(\ud800\u0041)",
            R"(\ud800\ud800\udc00)",
        };
        add(t, "\"");
        for (int k = pick(4); k > 0; --k) add(t, one_of(kPieces));
        add(t, "\"");
    }

    void value(Units& t, int depth) {
        ws(t);
        const int kind = depth >= 4 ? pick(6) : pick(9);
        switch (kind) {
            case 0:
            case 1:
                number(t);
                break;
            case 2:
                string(t);
                break;
            case 3: {
                static const char* const kWords[] = {"true", "false", "null", "NaN", "Infinity", "-Infinity"};
                add(t, one_of(kWords));
                break;
            }
            case 4:
            case 5:
                pick(2) ? number(t) : string(t);
                break;
            case 6:
            case 7: {
                add(t, "[");
                ws(t);
                for (int k = pick(4), first = 1; k > 0; --k, first = 0) {
                    if (!first) add(t, ",");
                    value(t, depth + 1);
                    ws(t);
                }
                add(t, "]");
                break;
            }
            default: {
                add(t, "{");
                ws(t);
                static const char* const kKeys[] = {R"("a")", R"("b")", R"("a")", R"("\u0061")", R"("")"};
                for (int k = pick(4), first = 1; k > 0; --k, first = 0) {
                    if (!first) add(t, ",");
                    ws(t);
                    add(t, one_of(kKeys));
                    ws(t);
                    add(t, ":");
                    value(t, depth + 1);
                    ws(t);
                }
                add(t, "}");
                break;
            }
        }
    }

    void mutate(Units& t) {
        static const char* const kInserts[] = {
            "\"",       "\\", "{",   "}",  "[",  "]",    ":",     ",",        "-",
            "+",        "0",  "1",   "e",  "E",  ".",    "u",     R"(\u)",    R"(\ud800)",
            "x",        " ",  "\n",  "\t", "\f", "\x01", "\x1F",  "\xC3\xA9", "\xF0\x9F\x98\x80",
            "\xC2\xA0", kBom, "tru", "Na", "-I", "nul",  R"(\x)", "//",
        };
        const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(t.size()) + 1));
        switch (pick(5)) {
            case 0:
                if (at < t.size()) t.erase(t.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 1: {
                Units piece;
                add(piece, one_of(kInserts));
                t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
                break;
            }
            case 2:
                if (at < t.size()) {
                    Units piece;
                    add(piece, one_of(kInserts));
                    t[at] = piece[0];
                }
                break;
            case 3:
                t.resize(at);
                break;
            default: {
                const std::size_t end = std::min(t.size(), at + static_cast<std::size_t>(pick(6)));
                const Units copy(t.begin() + static_cast<std::ptrdiff_t>(at),
                                 t.begin() + static_cast<std::ptrdiff_t>(end));
                t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), copy.begin(), copy.end());
                break;
            }
        }
    }
};

}  // namespace

TEST(JsonReader, AgreesWithHostOnRandomAndMutatedTexts) {
    TextMaker maker(7);
    std::vector<std::string> records;
    for (int k = 0; k < 4000; ++k) records.push_back((k % 3 == 0 ? "S" : "R") + maker.make());
    const auto answers = json_host::run(json_host::kLoadsScript, records);
    int accepted = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        json_host::expect_loads_like_host(records[k], answers[k]);
        accepted += answers[k][0] == 'V';
    }
    // Both outcomes must be well represented for the comparison to mean anything.
    EXPECT_GT(accepted, 800);
    EXPECT_LT(accepted, 3200);
}
