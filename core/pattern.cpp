// The pattern engine: PCRE2 (8-bit, UTF, UCP, newline LF) with the host's search,
// iteration, substitution and split rules.
//
// A compiled Regex is read-only and shared between threads. What a search writes lives
// per thread (the match context with its JIT stack) or per call (match data, leased from
// a per-thread pool so that nested calls from a callback each get their own block).
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"

namespace core {
namespace {

static_assert(PCRE2_UNSET == Match::npos, "unset offsets map straight to Match::npos");

constexpr std::uint32_t kBaseOptions = PCRE2_UTF | PCRE2_UCP | PCRE2_ALT_CIRCUMFLEX;
constexpr std::size_t kJitStackStart = 64 * 1024;
// Reserved address space only; pages are touched as the stack grows.
constexpr std::size_t kJitStackMax = 256 * 1024 * 1024;

std::string engine_message(int code) {
    PCRE2_UCHAR buf[256];
    const int n = pcre2_get_error_message(code, buf, sizeof buf);
    if (n < 0) return "error " + std::to_string(code);
    return std::string(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
}

// Newline is LF only, so "\r", U+2028 and the like are no line ends for ^, $ and ".".
struct CompileContext {
    pcre2_compile_context* ctx;
    CompileContext() : ctx(pcre2_compile_context_create(nullptr)) {
        if (!ctx) throw std::bad_alloc();
        pcre2_set_newline(ctx, PCRE2_NEWLINE_LF);
    }
    ~CompileContext() { pcre2_compile_context_free(ctx); }
};

pcre2_code* compile_code(const std::string& text, std::uint32_t options, std::string_view source) {
    static const CompileContext context;
    int err = 0;
    PCRE2_SIZE at = 0;
    pcre2_code* code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), options, &err, &at, context.ctx);
    if (!code) {
        throw PatternError("cannot compile pattern '" + std::string(source) + "': " + engine_message(err) +
                           " (offset " + std::to_string(at) + " of '" + text + "')");
    }
    // Without JIT support the interpreter runs the code; both give the same matches.
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    return code;
}

// Per-thread search state: the limits at their maximum (the host's engine has none),
// a large JIT stack, and the pool of match data blocks.
struct ThreadState {
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* jit_stack = nullptr;
    std::vector<pcre2_match_data*> pool;

    ThreadState() {
        context = pcre2_match_context_create(nullptr);
        if (!context) throw std::bad_alloc();
        pcre2_set_match_limit(context, UINT32_MAX);
        pcre2_set_depth_limit(context, UINT32_MAX);
        pcre2_set_heap_limit(context, UINT32_MAX);
        jit_stack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
        if (jit_stack) pcre2_jit_stack_assign(context, nullptr, jit_stack);
    }
    ~ThreadState() {
        for (pcre2_match_data* m : pool) pcre2_match_data_free(m);
        pcre2_jit_stack_free(jit_stack);
        pcre2_match_context_free(context);
    }
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;
};

ThreadState& thread_state() {
    thread_local ThreadState state;
    return state;
}

// A match data block with room for `pairs` offset pairs, returned to the pool after use.
class MatchData {
public:
    explicit MatchData(std::uint32_t pairs) : state_(thread_state()), pool_(state_.pool) {
        while (!pool_.empty() && !md_) {
            pcre2_match_data* m = pool_.back();
            pool_.pop_back();
            if (pcre2_get_ovector_count(m) >= pairs)
                md_ = m;
            else
                pcre2_match_data_free(m);
        }
        if (!md_) md_ = pcre2_match_data_create(std::max<std::uint32_t>(pairs, 8), nullptr);
        if (!md_) throw std::bad_alloc();
    }
    ~MatchData() { pool_.push_back(md_); }
    MatchData(const MatchData&) = delete;
    MatchData& operator=(const MatchData&) = delete;

    pcre2_match_data* get() const { return md_; }
    const PCRE2_SIZE* ov() const { return pcre2_get_ovector_pointer(md_); }
    // This thread's search state, looked up once per block.
    ThreadState& state() const { return state_; }

private:
    ThreadState& state_;
    std::vector<pcre2_match_data*>& pool_;
    pcre2_match_data* md_ = nullptr;
};

// One pcre2_match call from byte offset `pos` of the whole subject. Returns the number
// of offset pairs set, 0 for no match; any other outcome raises PatternError.
int exec(const pcre2_code* code, std::string_view s, std::size_t pos, std::uint32_t options, const MatchData& md) {
    ThreadState& ts = md.state();
    const auto subject = reinterpret_cast<PCRE2_SPTR>(s.data() ? s.data() : "");
    options |= PCRE2_NO_UTF_CHECK;  // subjects are valid UTF-8 by contract
    int rc = pcre2_match(code, subject, s.size(), pos, options, md.get(), ts.context);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
        // Deeper than the JIT stack allows: the interpreter keeps its frames on the heap.
        rc = pcre2_match(code, subject, s.size(), pos, options | PCRE2_NO_JIT, md.get(), ts.context);
    }
    if (rc == PCRE2_ERROR_NOMATCH) return 0;
    if (rc <= 0) throw PatternError("pattern search failed: " + engine_message(rc));
    return rc;
}

// The host clamps a start beyond the end to the end. No character starts inside another,
// so a start inside one moves on to the next character.
std::size_t start_offset(std::string_view s, std::size_t pos) {
    if (pos >= s.size()) return s.size();
    while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
    return pos;
}

// Offsets of groups 0..pairs-1; groups that did not take part, and those past the last
// one set, are npos.
Match make_match(std::string_view s, const MatchData& md, int rc, std::uint32_t pairs) {
    const std::size_t count = 2 * static_cast<std::size_t>(pairs);
    const PCRE2_SIZE* ov = md.ov();
    const std::size_t set = 2 * std::min<std::size_t>(static_cast<std::size_t>(rc), pairs);
    if (count <= 16) {
        std::array<std::size_t, 16> v;
        std::fill(v.begin(), v.end(), Match::npos);
        std::copy(ov, ov + set, v.begin());
        return Match(s, v.data(), count);
    }
    std::vector<std::size_t> v(count, Match::npos);
    std::copy(ov, ov + set, v.begin());
    return Match(s, v);
}

// A parsed replacement template: literal text and group references, in order.
struct TemplatePiece {
    std::string text;
    int group = -1;  // -1: literal text
};

bool is_name_start(unsigned char c) { return c == '_' || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c >= 0x80; }
bool is_name_char(unsigned char c) { return is_name_start(c) || (c >= '0' && c <= '9'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_octal(char c) { return c >= '0' && c <= '7'; }

// The host's template syntax: \1..\99, \g<n>, \g<name>, octal \0nn and \ooo, the escapes
// \a \b \f \n \r \t \v \\; any other escape of a non-letter is kept as written.
std::vector<TemplatePiece> parse_template(std::string_view t, const Regex& re) {
    std::vector<TemplatePiece> pieces;
    std::string literal;
    auto fail = [&](const std::string& what) -> void {
        throw PatternError("bad replacement template '" + std::string(t) + "': " + what);
    };
    auto add_group = [&](long long g) {
        if (g > re.group_count()) fail("invalid group reference " + std::to_string(g));
        if (!literal.empty()) pieces.push_back({std::move(literal), -1});
        literal.clear();
        pieces.push_back({{}, static_cast<int>(g)});
    };
    for (std::size_t i = 0; i < t.size();) {
        const char c = t[i++];
        if (c != '\\') {
            literal += c;
            continue;
        }
        if (i >= t.size()) fail("bad escape (end of pattern)");
        const char e = t[i++];
        if (e == 'g') {
            if (i >= t.size() || t[i] != '<') fail("missing <");
            const std::size_t close = t.find('>', ++i);
            if (close == std::string_view::npos)
                fail(i == t.size() ? "missing group name" : "missing >, unterminated name");
            const std::string_view name = t.substr(i, close - i);
            i = close + 1;
            if (name.empty()) fail("missing group name");
            if (is_name_start(static_cast<unsigned char>(name[0]))) {
                if (!std::all_of(name.begin(), name.end(),
                                 [](char ch) { return is_name_char(static_cast<unsigned char>(ch)); }))
                    fail("bad character in group name '" + std::string(name) + "'");
                const int g = re.group_index(name);
                if (g < 0) fail("unknown group name '" + std::string(name) + "'");
                add_group(g);
            } else {
                if (!std::all_of(name.begin(), name.end(), is_digit) || name.size() > 9)
                    fail("bad character in group name '" + std::string(name) + "'");
                add_group(std::stoll(std::string(name)));
            }
        } else if (e == '0') {
            int v = 0;
            for (int k = 0; k < 2 && i < t.size() && is_octal(t[i]); ++k) v = v * 8 + (t[i++] - '0');
            literal += static_cast<char>(v);
        } else if (is_digit(e)) {
            std::string digits(1, e);
            if (i < t.size() && is_digit(t[i])) {
                digits += t[i++];
                if (is_octal(digits[0]) && is_octal(digits[1]) && i < t.size() && is_octal(t[i])) {
                    digits += t[i++];
                    const int v = std::stoi(digits, nullptr, 8);
                    if (v > 0377) fail("octal escape value \\" + digits + " outside of range 0-0o377");
                    append_utf8(literal, static_cast<char32_t>(v));
                    continue;
                }
            }
            add_group(std::stoi(digits));
        } else {
            switch (e) {
                case 'a':
                    literal += '\a';
                    break;
                case 'b':
                    literal += '\b';
                    break;
                case 'f':
                    literal += '\f';
                    break;
                case 'n':
                    literal += '\n';
                    break;
                case 'r':
                    literal += '\r';
                    break;
                case 't':
                    literal += '\t';
                    break;
                case 'v':
                    literal += '\v';
                    break;
                case '\\':
                    literal += '\\';
                    break;
                default:
                    if ((e | 0x20) >= 'a' && (e | 0x20) <= 'z') fail(std::string("bad escape \\") + e);
                    literal += '\\';
                    literal += e;
            }
        }
    }
    if (!literal.empty()) pieces.push_back({std::move(literal), -1});
    return pieces;
}

}  // namespace

struct Regex::Impl {
    enum Mode { SEARCH = 0, ANCHORED = 1, FULL = 2 };

    std::string translated;
    std::string source;  // the host pattern, for messages
    std::uint32_t options = 0;
    std::uint32_t pairs = 1;  // capture groups + 1
    mutable pcre2_code* code[3] = {nullptr, nullptr, nullptr};
    mutable std::once_flag once[2];
    // The bytes a match can begin with, when the engine worked them out: an anchored
    // attempt at any other byte fails without a call into the engine (the walks try
    // patterns at many places where they cannot begin).
    bool has_first_bytes = false;
    std::uint8_t first_bytes[32] = {};

    void learn_first_bytes() {
        const std::uint8_t* bits = nullptr;
        if (pcre2_pattern_info(code[SEARCH], PCRE2_INFO_FIRSTBITMAP, &bits) == 0 && bits) {
            std::copy(bits, bits + 32, first_bytes);
            has_first_bytes = true;
        }
    }
    bool may_begin_at(std::string_view s, std::size_t pos) const {
        if (!has_first_bytes) return true;
        if (pos >= s.size()) return false;  // a pattern with a start set cannot match the empty text
        const auto c = static_cast<unsigned char>(s[pos]);
        return (first_bytes[c / 8] >> (c % 8)) & 1;
    }

    ~Impl() {
        for (pcre2_code* c : code) pcre2_code_free(c);
    }

    // The anchored forms are compiled on first use: anchoring at compile time keeps them
    // on the JIT, where a match-time PCRE2_ANCHORED would not.
    const pcre2_code* get(Mode m) const {
        if (m != SEARCH) {
            std::call_once(once[m - 1], [&] {
                const std::uint32_t extra = m == ANCHORED ? PCRE2_ANCHORED : PCRE2_ANCHORED | PCRE2_ENDANCHORED;
                code[m] = compile_code(translated, options | extra, source);
            });
        }
        return code[m];
    }

    std::optional<Match> once_at(Mode m, std::string_view s, std::size_t pos) const {
        const MatchData md(pairs);
        const int rc = exec(get(m), s, pos, 0, md);
        if (!rc) return std::nullopt;
        return make_match(s, md, rc, pairs);
    }

    // Every match left to right, the host's way: after an empty match at p the next one
    // may not be empty at p, and a match may start where the previous one ended.
    // `on(rc, md)` returns false to stop; at most `count` matches when count > 0.
    template <class F>
    void scan(std::string_view s, std::size_t count, F&& on) const {
        const MatchData md(pairs);
        const pcre2_code* c = code[SEARCH];
        std::size_t pos = 0, n = 0;
        std::uint32_t options = 0;
        while (count == 0 || n < count) {
            const int rc = exec(c, s, pos, options, md);
            if (!rc) break;
            ++n;
            const std::size_t start = md.ov()[0], end = md.ov()[1];
            if (!on(rc, md)) break;
            options = start == end ? PCRE2_NOTEMPTY_ATSTART : 0;
            pos = end;
        }
    }
};

Regex::Regex(std::string_view pattern, unsigned flags)
    : impl_(std::make_unique<Impl>()), pattern_(pattern), flags_(flags) {
    if (flags & ~static_cast<unsigned>(RE_IGNORECASE | RE_MULTILINE | RE_DOTALL))
        throw PatternError("unknown pattern flags " + std::to_string(flags));
    impl_->source = pattern_;
    impl_->translated = translate_pattern(pattern, flags);
    impl_->options = kBaseOptions | ((flags & RE_IGNORECASE) ? PCRE2_CASELESS : 0) |
                     ((flags & RE_MULTILINE) ? PCRE2_MULTILINE : 0) | ((flags & RE_DOTALL) ? PCRE2_DOTALL : 0);
    impl_->code[Impl::SEARCH] = compile_code(impl_->translated, impl_->options, pattern_);
    impl_->learn_first_bytes();
    std::uint32_t captures = 0;
    pcre2_pattern_info(impl_->code[Impl::SEARCH], PCRE2_INFO_CAPTURECOUNT, &captures);
    impl_->pairs = captures + 1;
}

Regex::~Regex() = default;

Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

std::optional<Match> Regex::search(std::string_view subject, std::size_t pos) const {
    return impl_->once_at(Impl::SEARCH, subject, start_offset(subject, pos));
}

std::optional<Match> Regex::match(std::string_view subject, std::size_t pos) const {
    const std::size_t start = start_offset(subject, pos);
    if (start != std::min(pos, subject.size())) return std::nullopt;  // no match starts inside a character
    if (!impl_->may_begin_at(subject, start)) return std::nullopt;
    return impl_->once_at(Impl::ANCHORED, subject, start);
}

std::optional<Match> Regex::fullmatch(std::string_view subject) const { return impl_->once_at(Impl::FULL, subject, 0); }

void Regex::for_each(std::string_view subject, const std::function<bool(const Match&)>& f) const {
    impl_->scan(subject, 0, [&](int rc, const MatchData& md) { return f(make_match(subject, md, rc, impl_->pairs)); });
}

std::vector<Match> Regex::finditer(std::string_view subject) const {
    std::vector<Match> out;
    impl_->scan(subject, 0, [&](int rc, const MatchData& md) {
        out.push_back(make_match(subject, md, rc, impl_->pairs));
        return true;
    });
    return out;
}

std::string Regex::sub(std::string_view repl, std::string_view subject, std::size_t count) const {
    const std::vector<TemplatePiece> pieces = parse_template(repl, *this);
    std::string out;
    std::size_t last = 0;
    impl_->scan(subject, count, [&](int rc, const MatchData& md) {
        const PCRE2_SIZE* ov = md.ov();
        out.append(subject.substr(last, ov[0] - last));
        for (const TemplatePiece& p : pieces) {
            if (p.group < 0) {
                out += p.text;
            } else if (p.group < rc && ov[2 * p.group] != PCRE2_UNSET) {
                out.append(subject.substr(ov[2 * p.group], ov[2 * p.group + 1] - ov[2 * p.group]));
            }
        }
        last = ov[1];
        return true;
    });
    out.append(subject.substr(last));
    return out;
}

std::string Regex::sub_fn(const std::function<std::string(const Match&)>& f, std::string_view subject,
                          std::size_t count) const {
    std::string out;
    std::size_t last = 0;
    impl_->scan(subject, count, [&](int rc, const MatchData& md) {
        const Match m = make_match(subject, md, rc, impl_->pairs);
        out.append(subject.substr(last, m.start() - last));
        out += f(m);
        last = m.end();
        return true;
    });
    out.append(subject.substr(last));
    return out;
}

std::vector<std::optional<std::string>> Regex::split(std::string_view subject, std::size_t maxsplit) const {
    std::vector<std::optional<std::string>> out;
    std::size_t last = 0;
    const int groups = static_cast<int>(impl_->pairs) - 1;
    impl_->scan(subject, maxsplit, [&](int rc, const MatchData& md) {
        const PCRE2_SIZE* ov = md.ov();
        out.emplace_back(std::string(subject.substr(last, ov[0] - last)));
        for (int g = 1; g <= groups; ++g) {
            if (g < rc && ov[2 * g] != PCRE2_UNSET)
                out.emplace_back(std::string(subject.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g])));
            else
                out.emplace_back(std::nullopt);
        }
        last = ov[1];
        return true;
    });
    out.emplace_back(std::string(subject.substr(last)));
    return out;
}

int Regex::group_count() const { return static_cast<int>(impl_->pairs) - 1; }

int Regex::group_index(std::string_view name) const {
    const std::string n(name);
    const int g = pcre2_substring_number_from_name(impl_->code[Impl::SEARCH], reinterpret_cast<PCRE2_SPTR>(n.c_str()));
    return g > 0 ? g : -1;
}

}  // namespace core
