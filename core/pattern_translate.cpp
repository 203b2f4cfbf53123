// Translation of the host's pattern syntax into PCRE2 pattern text.
//
// The pattern is parsed the way the host's parser reads it (escapes, classes, groups,
// inline flags, quantifiers), and every construct is written out in a form whose PCRE2
// meaning is the host's: white space, word and digit classes as explicit sets, word
// boundaries as look-arounds on the word set, the dotted and dotless i under ignore-case,
// `\Z` as `\z`, `{,n}` as `{0,n}`, and every literal escaped so PCRE2 reads no syntax of
// its own into it. Host syntax errors, and the few host constructs without a PCRE2
// equivalent, raise PatternError.
#include <unicode/uchar.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"

namespace core {
namespace {

// str.isspace(): the host's 29 white-space code points, as the body of a class.
constexpr std::string_view kSpaceSet =
    "\\x{9}-\\x{d}\\x{1c}-\\x{20}\\x{85}\\x{a0}\\x{1680}\\x{2000}-\\x{200a}\\x{2028}\\x{2029}"
    "\\x{202f}\\x{205f}\\x{3000}";
// str.isalnum() or "_".
constexpr std::string_view kWordSet = "\\p{L}\\p{N}_";
// str.isdecimal().
constexpr std::string_view kDigitSet = "\\p{Nd}";
constexpr std::string_view kNotDigitSet = "\\P{Nd}";
// Under ignore-case the host matches i, I, U+0130 and U+0131 with one another.
constexpr std::string_view kDottedISet = "iI\\x{130}\\x{131}";

bool is_i_like(char32_t c) { return c == U'i' || c == U'I' || c == 0x130 || c == 0x131; }
bool is_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool is_ascii_alnum(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}
bool is_ascii_letter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_octal(char c) { return c >= '0' && c <= '7'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_verbose_space(char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void append_hex_escape(std::string& out, char32_t c) {
    static constexpr char digits[] = "0123456789abcdef";
    char buf[8];
    int n = 0;
    do {
        buf[n++] = digits[c & 15];
        c >>= 4;
    } while (c);
    out += "\\x{";
    while (n) out += buf[--n];
    out += '}';
}

// One code point as a literal outside a class: letters and digits as they are, other
// ASCII escaped with a backslash, controls as \x{..}, the rest as UTF-8.
void append_literal(std::string& out, char32_t c) {
    if (is_ascii_alnum(c) || c == U'_') {
        out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
        append_hex_escape(out, c);
    } else if (c < 0x80) {
        out += '\\';
        out += static_cast<char>(c);
    } else {
        append_utf8(out, c);
    }
}

// One code point inside a class: letters and digits as they are, the rest as \x{..}.
void append_class_cp(std::string& out, char32_t c) {
    if (is_ascii_alnum(c)) {
        out += static_cast<char>(c);
    } else {
        append_hex_escape(out, c);
    }
}

std::string set_of(std::string_view body, bool negated = false) {
    std::string s = negated ? "[^" : "[";
    s += body;
    s += ']';
    return s;
}

class Translator {
public:
    Translator(std::string_view pattern, unsigned flags) : p_(pattern), caseless_((flags & RE_IGNORECASE) != 0) {}

    std::string run() {
        if (!is_valid_utf8(p_)) fail("pattern is not valid UTF-8", 0);
        while (i_ < p_.size()) {
            const std::size_t at = i_;
            const char32_t c = take();
            if (verbose_) {
                if (is_verbose_space(c)) continue;
                if (c == U'#') {
                    while (i_ < p_.size() && p_[i_++] != '\n') {
                    }
                    continue;
                }
            }
            bool item = true;
            switch (c) {
                case U'\\':
                    escape();
                    break;
                case U'[':
                    char_class(at);
                    break;
                case U'{':
                    brace();
                    break;
                case U'(':
                    item = open_group(at);
                    break;
                case U')':
                    close_group(at);
                    break;
                case U'.':
                case U'^':
                case U'$':
                case U'|':
                case U'*':
                case U'+':
                case U'?':
                    out_ += static_cast<char>(c);
                    break;
                default:
                    literal(c);
            }
            if (item) at_start_ = false;
        }
        if (!scopes_.empty()) fail("missing ), unterminated subpattern", scopes_.back().at);
        return std::move(out_);
    }

private:
    struct Scope {
        bool caseless;
        bool verbose;
        int group;  // the capture group this scope closes, 0 for none
        std::size_t at;
    };
    struct ClassAtom {
        bool is_char;
        char32_t cp;           // when is_char
        std::string_view set;  // otherwise: the set's class body
        bool negated;          // the atom is the complement of `set`
    };

    std::string_view p_;
    std::size_t i_ = 0;
    std::string out_;
    bool caseless_;
    bool verbose_ = false;
    bool at_start_ = true;  // nothing but global flags and comments so far
    std::vector<Scope> scopes_;
    int groups_ = 0;
    std::vector<std::pair<std::string, int>> names_;

    [[noreturn]] static void fail(const std::string& what, std::size_t at) {
        throw PatternError(what + " at position " + std::to_string(at));
    }

    bool eof() const { return i_ >= p_.size(); }
    char peek() const { return eof() ? '\0' : p_[i_]; }

    // The next code point (the pattern text is checked to be UTF-8 up front).
    char32_t take() { return next_cp(p_, i_); }

    // Text up to `terminator` (consumed), which must be present and not first.
    std::string until(char terminator, const char* what) {
        const std::size_t at = i_;
        const std::size_t end = p_.find(terminator, i_);
        if (end == std::string_view::npos) {
            fail(at == p_.size() ? std::string("missing ") + what
                                 : std::string("missing ") + terminator + ", unterminated name",
                 at);
        }
        if (end == at) fail(std::string("missing ") + what, at);
        i_ = end + 1;
        return std::string(p_.substr(at, end - at));
    }

    int group_by_name(const std::string& name, std::size_t at) const {
        for (const auto& [n, g] : names_)
            if (n == name) return g;
        fail("unknown group name '" + name + "'", at);
    }

    bool is_open(int group) const {
        for (const auto& s : scopes_)
            if (s.group == group) return true;
        return false;
    }

    void literal(char32_t c) {
        if (caseless_ && is_i_like(c)) {
            out_ += set_of(kDottedISet);
        } else if (is_surrogate(c)) {
            out_ += "(?!)";  // subjects are valid UTF-8 and never hold one
        } else {
            append_literal(out_, c);
        }
    }

    // Exactly `n` hex digits after \x, \u or \U.
    char32_t hex_digits(int n, std::size_t at) {
        char32_t v = 0;
        for (int k = 0; k < n; ++k) {
            if (eof() || !is_hex(peek())) fail("incomplete escape", at);
            const char h = p_[i_++];
            v = v * 16 + static_cast<char32_t>(is_digit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
        }
        return v;
    }

    // \N{name}: a character by its Unicode name or alias.
    char32_t named_char(std::size_t at) {
        if (peek() != '{') fail("missing {", i_);
        ++i_;
        const std::string name = until('}', "character name");
        for (const UCharNameChoice choice : {U_UNICODE_CHAR_NAME, U_CHAR_NAME_ALIAS}) {
            UErrorCode err = U_ZERO_ERROR;
            const UChar32 c = u_charFromName(choice, name.c_str(), &err);
            if (U_SUCCESS(err) && c >= 0) return static_cast<char32_t>(c);
        }
        fail("undefined character name '" + name + "'", at);
    }

    // The escapes that stand for one code point in and out of classes (after the
    // backslash and the letter `c`); digits are the caller's.
    char32_t char_escape(char32_t c, std::size_t at) {
        switch (c) {
            case U'a':
                return 0x07;
            case U'f':
                return 0x0C;
            case U'n':
                return 0x0A;
            case U'r':
                return 0x0D;
            case U't':
                return 0x09;
            case U'v':
                return 0x0B;
            case U'x':
                return hex_digits(2, at);
            case U'u':
                return hex_digits(4, at);
            case U'U': {
                const char32_t v = hex_digits(8, at);
                if (v > 0x10FFFF) fail("bad escape \\U", at);
                return v;
            }
            case U'N':
                return named_char(at);
            default:
                break;
        }
        if (is_ascii_letter(c)) {
            std::string e = "bad escape \\";
            append_utf8(e, c);
            fail(e, at);
        }
        return c;  // any other character stands for itself
    }

    void escape() {
        const std::size_t at = i_ - 1;
        if (eof()) fail("bad escape (end of pattern)", at);
        const char32_t c = take();
        switch (c) {
            case U'A':
                out_ += "\\A";
                return;
            case U'Z':
                out_ += "\\z";
                return;
            case U'b': {
                const std::string w = set_of(kWordSet);
                out_ += "(?:(?<=" + w + ")(?!" + w + ")|(?<!" + w + ")(?=" + w + "))";
                return;
            }
            case U'B': {
                // Not at a boundary, and never in an empty subject.
                const std::string w = set_of(kWordSet);
                out_ += "(?:(?<=" + w + ")(?=" + w + ")|(?<!" + w + ")(?!" + w + ")(?:(?<=[\\s\\S])|(?=[\\s\\S])))";
                return;
            }
            case U'd':
                out_ += kDigitSet;
                return;
            case U'D':
                out_ += kNotDigitSet;
                return;
            case U's':
                out_ += set_of(kSpaceSet);
                return;
            case U'S':
                out_ += set_of(kSpaceSet, true);
                return;
            case U'w':
                out_ += set_of(kWordSet);
                return;
            case U'W':
                out_ += set_of(kWordSet, true);
                return;
            default:
                break;
        }
        if (c == U'0') {
            // \0 and up to two more octal digits
            char32_t v = 0;
            for (int k = 0; k < 2 && is_octal(peek()); ++k) v = v * 8 + static_cast<char32_t>(p_[i_++] - '0');
            literal(v);
            return;
        }
        if (c >= U'1' && c <= U'9') {
            std::string digits(1, static_cast<char>(c));
            if (is_digit(peek())) {
                digits += p_[i_++];
                if (is_octal(digits[0]) && is_octal(digits[1]) && is_octal(peek())) {
                    digits += p_[i_++];
                    const auto v = static_cast<char32_t>(std::stoi(digits, nullptr, 8));
                    if (v > 0377) fail("octal escape value \\" + digits + " outside of range 0-0o377", at);
                    literal(v);
                    return;
                }
            }
            const int g = std::stoi(digits);
            if (g > groups_) fail("invalid group reference " + digits, at);
            if (is_open(g)) fail("cannot refer to an open group", at);
            out_ += "\\g{" + digits + "}";
            return;
        }
        literal(char_escape(c, at));
    }

    // A quantifier in braces, or a literal "{" when the text is not one.
    void brace() {
        const std::size_t save = i_;
        std::string lo, hi;
        bool comma = false;
        while (is_digit(peek())) lo += p_[i_++];
        if (peek() == ',') {
            comma = true;
            ++i_;
            while (is_digit(peek())) hi += p_[i_++];
        }
        if (peek() != '}' || (save == i_)) {
            i_ = save;
            out_ += "\\{";
            return;
        }
        ++i_;
        out_ += '{';
        out_ += lo.empty() ? "0" : lo;
        if (comma) out_ += ',' + hi;
        out_ += '}';
    }

    // After "(": returns false for constructs that add no item (comments, global flags).
    bool open_group(std::size_t at) {
        if (peek() == '*') fail("nothing to repeat", i_);  // PCRE2 would read a verb
        if (peek() != '?') {
            scopes_.push_back({caseless_, verbose_, ++groups_, at});
            out_ += '(';
            return true;
        }
        ++i_;
        if (eof()) fail("unexpected end of pattern", i_);
        const char c = p_[i_++];
        switch (c) {
            case 'P': {
                if (peek() == '<') {
                    ++i_;
                    const std::string name = until('>', "group name");
                    for (const auto& n : names_)
                        if (n.first == name) fail("redefinition of group name '" + name + "'", at);
                    scopes_.push_back({caseless_, verbose_, ++groups_, at});
                    names_.emplace_back(name, groups_);
                    out_ += "(?P<" + name + ">";
                    return true;
                }
                if (peek() == '=') {
                    ++i_;
                    const std::string name = until(')', "group name");
                    const int g = group_by_name(name, at);
                    if (is_open(g)) fail("cannot refer to an open group", at);
                    out_ += "\\g{" + std::to_string(g) + "}";
                    return true;
                }
                fail(std::string("unknown extension ?P") + peek(), at);
            }
            case ':':
            case '>':
            case '=':
            case '!':
                push_scope(at);
                out_ += "(?";
                out_ += c;
                return true;
            case '<': {
                const char d = peek();
                if (d != '=' && d != '!') fail(std::string("unknown extension ?<") + d, at);
                ++i_;
                push_scope(at);
                out_ += "(?<";
                out_ += d;
                return true;
            }
            case '#':
                while (!eof() && p_[i_] != ')') ++i_;
                if (eof()) fail("missing ), unterminated comment", at);
                ++i_;
                return false;
            case '(': {
                const std::string cond = until(')', "group name");
                int g;
                if (is_digit(cond[0])) {
                    for (const char d : cond)
                        if (!is_digit(d)) fail("bad character in group name '" + cond + "'", at);
                    if (cond.size() > 9) fail("invalid group reference " + cond, at);
                    g = std::stoi(cond);
                    if (g == 0) fail("bad group number", at);
                } else {
                    g = group_by_name(cond, at);
                }
                push_scope(at);
                out_ += "(?(" + std::to_string(g) + ")";
                return true;
            }
            default:
                break;
        }
        --i_;
        return inline_flags(at);
    }

    void push_scope(std::size_t at) { scopes_.push_back({caseless_, verbose_, 0, at}); }

    // (?imsx) at the start, or (?imsx-imsx:...).
    bool inline_flags(std::size_t at) {
        std::string on, off;  // the letters PCRE2 is given: i, m, s
        bool on_i = false, on_x = false, off_i = false, off_x = false;
        auto letter = [&](char f, bool adding) {
            if (f == 'a' || f == 'L' || (!adding && f == 'u'))
                fail(std::string("unsupported inline flag '") + f + "'", at);
            if (f == 'i' || f == 'm' || f == 's') (adding ? on : off) += f;
            if (f == 'i') (adding ? on_i : off_i) = true;
            if (f == 'x') (adding ? on_x : off_x) = true;
        };
        auto known = [](char f) {
            return f == 'i' || f == 'm' || f == 's' || f == 'x' || f == 'u' || f == 'a' || f == 'L';
        };
        char c = peek();
        if (c != '-') {
            if (!known(c)) fail(std::string("unknown extension ?") + c, at);
            while (true) {
                letter(c, true);
                ++i_;
                if (eof()) fail("missing -, : or )", i_);
                c = peek();
                if (c == ')' || c == '-' || c == ':') break;
                if (!known(c)) fail("unknown flag", i_);
            }
        }
        if (c == ')') {
            ++i_;
            if (!at_start_ || !scopes_.empty()) fail("global flags not at the start of the expression", at);
            if (on_i) caseless_ = true;
            if (on_x) verbose_ = true;
            if (!on.empty()) out_ += "(?" + on + ")";
            return false;
        }
        if (c == '-') {
            ++i_;
            c = peek();
            if (!known(c)) fail("missing flag", i_);
            while (true) {
                letter(c, false);
                ++i_;
                if (eof()) fail("missing :", i_);
                c = peek();
                if (c == ':') break;
                if (!known(c)) fail("unknown flag", i_);
            }
        }
        ++i_;  // ':'
        if ((on_i && off_i) || (on_x && off_x)) fail("bad inline flags: flag turned on and off", at);
        push_scope(at);
        if (on_i) caseless_ = true;
        if (off_i) caseless_ = false;
        if (on_x) verbose_ = true;
        if (off_x) verbose_ = false;
        out_ += "(?" + on + (off.empty() ? "" : "-" + off) + ":";
        return true;
    }

    void close_group(std::size_t at) {
        if (scopes_.empty()) fail("unbalanced parenthesis", at);
        caseless_ = scopes_.back().caseless;
        verbose_ = scopes_.back().verbose;
        scopes_.pop_back();
        out_ += ')';
    }

    // One item of a class, `c` already taken.
    ClassAtom class_atom(char32_t c) {
        if (c != U'\\') return {true, c, {}, false};
        const std::size_t at = i_ - 1;
        if (eof()) fail("bad escape (end of pattern)", at);
        const char32_t e = take();
        switch (e) {
            case U'b':
                return {true, 0x08, {}, false};
            case U's':
                return {false, 0, kSpaceSet, false};
            case U'S':
                return {false, 0, kSpaceSet, true};
            case U'w':
                return {false, 0, kWordSet, false};
            case U'W':
                return {false, 0, kWordSet, true};
            case U'd':
                return {false, 0, kDigitSet, false};
            case U'D':
                return {false, 0, kNotDigitSet, false};
            default:
                break;
        }
        if (e >= U'0' && e <= U'7') {
            char32_t v = e - U'0';
            for (int k = 0; k < 2 && is_octal(peek()); ++k) v = v * 8 + static_cast<char32_t>(p_[i_++] - '0');
            if (v > 0377) fail("octal escape value outside of range 0-0o377", at);
            return {true, v, {}, false};
        }
        if (e == U'8' || e == U'9') fail("bad escape", at);
        return {true, char_escape(e, at), {}, false};
    }

    // A class, "[" already taken. The host's sets are unions of characters, ranges and
    // categories; a category's complement (\S, \W) cannot be written inside a PCRE2
    // class, so a class holding one becomes an alternation or look-ahead over classes.
    void char_class(std::size_t at) {
        std::vector<std::pair<char32_t, char32_t>> ranges;
        std::string sets;                           // positive categories
        std::vector<std::string_view> complements;  // categories whose complement is in
        bool negate = false;
        if (peek() == '^') {
            ++i_;
            negate = true;
        }
        auto add = [&](const ClassAtom& a) {
            if (a.is_char)
                ranges.emplace_back(a.cp, a.cp);
            else if (a.negated)
                complements.push_back(a.set);
            else
                sets += a.set;
        };
        bool first = true;
        while (true) {
            if (eof()) fail("unterminated character set", at);
            const char32_t c = take();
            if (c == U']' && !first) break;
            first = false;
            const ClassAtom a = class_atom(c);
            if (peek() != '-') {
                add(a);
                continue;
            }
            ++i_;
            if (eof()) fail("unterminated character set", at);
            const char32_t d = take();
            if (d == U']') {
                add(a);
                ranges.emplace_back(U'-', U'-');
                break;
            }
            const ClassAtom b = class_atom(d);
            if (!a.is_char || !b.is_char || b.cp < a.cp) fail("bad character range", at);
            ranges.emplace_back(a.cp, b.cp);
        }

        std::string body;
        bool has_i = false;
        for (auto [lo, hi] : ranges) {
            for (const char32_t c : {U'I', U'i', char32_t{0x130}, char32_t{0x131}})
                if (lo <= c && c <= hi) has_i = true;
            if (is_surrogate(lo)) lo = 0xE000;
            if (is_surrogate(hi)) hi = 0xD7FF;
            if (lo > hi) continue;
            append_class_cp(body, lo);
            if (hi != lo) {
                body += '-';
                append_class_cp(body, hi);
            }
        }
        if (caseless_ && has_i) body += kDottedISet;
        body += sets;

        if (complements.empty()) {
            if (body.empty())
                out_ += negate ? "[\\x{0}-\\x{10ffff}]" : "(?!)";
            else
                out_ += set_of(body, negate);
        } else if (!negate) {
            // in the body, or outside one of the complemented categories
            std::vector<std::string> alts;
            if (!body.empty()) alts.push_back(set_of(body));
            for (const auto s : complements) alts.push_back(set_of(s, true));
            if (alts.size() == 1) {
                out_ += alts[0];
            } else {
                out_ += "(?:";
                for (std::size_t k = 0; k < alts.size(); ++k) out_ += (k ? "|" : "") + alts[k];
                out_ += ')';
            }
        } else {
            // outside the body, and inside every complemented category
            out_ += "(?:";
            if (!body.empty()) out_ += "(?!" + set_of(body) + ")";
            for (std::size_t k = 0; k + 1 < complements.size(); ++k) out_ += "(?=" + set_of(complements[k]) + ")";
            out_ += set_of(complements.back());
            out_ += ')';
        }
    }
};

}  // namespace

std::string translate_pattern(std::string_view pattern, unsigned flags) { return Translator(pattern, flags).run(); }

}  // namespace core
