#include "core/search/Regex.h"

#include "core/text/Common.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <optional>

namespace qm::regex {

namespace {

using Clock = std::chrono::steady_clock;

// Start positions one call may try, and the steps one start may take: one
// call then ends within a few tenths of a second, whatever the pattern.
constexpr PCRE2_SIZE kStarts = 256;
constexpr std::uint32_t kStepsPerStart = 1'000'000;

PCRE2_SPTR16 Units(std::u16string_view s) { return reinterpret_cast<PCRE2_SPTR16>(s.data()); }

// One piece of a replacement template: literal text, or a group's text.
struct Piece {
    std::u16string literal;
    int group = -1;  // -1: the literal
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsHex(char16_t c) {
    return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// "\u4e00" as JavaScript writes it becomes PCRE2's "\x{4e00}", so that the
// pattern users copy from web pages works and "\x{4e00}" keeps working too
// (PCRE2's own JavaScript mode would take that one as the letters "x{4e00}").
// origin[i] is where unit i of the result came from, for error positions.
std::u16string JavaScriptEscapes(std::u16string_view p, std::vector<std::size_t>& origin) {
    std::u16string out;
    origin.clear();
    auto put = [&](std::u16string_view s, std::size_t from) {
        out += s;
        origin.insert(origin.end(), s.size(), from);
    };
    bool quoted = false;  // inside \Q…\E everything is literal
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] != u'\\' || i + 1 >= p.size()) {
            put(p.substr(i, 1), i);
            continue;
        }
        const char16_t next = p[i + 1];
        if (quoted) {
            if (next == u'E') quoted = false;
            put(p.substr(i, 2), i);
            ++i;
        } else if (next == u'Q') {
            quoted = true;
            put(p.substr(i, 2), i);
            ++i;
        } else if (next == u'u' && i + 5 < p.size() && IsHex(p[i + 2]) && IsHex(p[i + 3]) &&
                   IsHex(p[i + 4]) && IsHex(p[i + 5])) {
            put(u"\\x{", i);
            for (std::size_t k = 2; k < 6; ++k) put(p.substr(i + k, 1), i + k);
            put(u"}", i + 5);
            i += 5;
        } else {
            put(p.substr(i, 2), i);  // any other escape, "\\" included, as it is
            ++i;
        }
    }
    origin.push_back(p.size());  // an error at the very end
    return out;
}

// $10 means group 10 when there is one, else group 1 and a "0" (as in Perl and
// JavaScript); ${10} is always group 10.
std::vector<Piece> ParseTemplate(std::u16string_view t, std::size_t captures) {
    std::vector<Piece> pieces;
    std::u16string literal;
    auto flush = [&] {
        if (!literal.empty()) pieces.push_back({std::move(literal), -1});
        literal.clear();
    };
    auto group = [&](std::size_t n) {
        flush();
        pieces.push_back({{}, static_cast<int>(n)});
    };
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char16_t c = t[i];
        const char16_t next = i + 1 < t.size() ? t[i + 1] : 0;
        if (c == u'\\' && next != 0) {
            ++i;
            if (IsDigit(next))
                group(next - u'0');
            else if (next == u'n')
                literal += u"\r\n";
            else if (next == u't')
                literal += u'\t';
            else if (next == u'\\')
                literal += u'\\';
            else
                literal.append({c, next});
        } else if (c == u'$' && next == u'$') {
            literal += u'$';
            ++i;
        } else if (c == u'$' && next == u'&') {
            group(0);
            ++i;
        } else if (c == u'$' && IsDigit(next)) {
            std::size_t n = next - u'0';
            ++i;
            if (i + 1 < t.size() && IsDigit(t[i + 1]) && n * 10 + (t[i + 1] - u'0') <= captures) {
                n = n * 10 + (t[i + 1] - u'0');
                ++i;
            }
            group(n);
        } else if (c == u'$' && next == u'{') {
            std::size_t j = i + 2, n = 0;
            while (j < t.size() && IsDigit(t[j]) && n < 100000) n = n * 10 + (t[j++] - u'0');
            if (j > i + 2 && j < t.size() && t[j] == u'}') {
                group(n);
                i = j;
            } else {
                literal += c;
            }
        } else {
            literal += c;
        }
    }
    flush();
    return pieces;
}

}  // namespace

struct Pattern::Impl {
    pcre2_code* code = nullptr;
    pcre2_match_data* data = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;

    ~Impl() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(stack);
        pcre2_code_free(code);
    }

    // Calls visit(start, end) for each match in order, until it returns false.
    //
    // PCRE2's match limit holds for one start position; a search that tries
    // every position of a long text could still run for hours. So each call
    // may start a match at no more than kStarts positions (the offset limit),
    // and the clock is read between calls.
    template <class Visit>
    Stop Scan(std::u16string_view text, std::chrono::milliseconds budget, Visit visit,
              const Progress& progress = {}) const {
        const auto deadline = Clock::now() + budget;
        PCRE2_SIZE offset = 0;
        std::uint32_t options = 0;
        auto nextTell = Clock::now() + std::chrono::milliseconds(50);
        // Between calls: out of time, or asked to stop?
        auto interrupted = [&]() -> std::optional<Stop> {
            const auto now = Clock::now();
            if (now > deadline) return Stop::TimeOut;
            if (progress && now >= nextTell) {
                nextTell = now + std::chrono::milliseconds(50);
                if (!progress(offset, text.size())) return Stop::Canceled;
            }
            return std::nullopt;
        };
        const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
        // A start of a chunk never between CR and LF, nor inside a surrogate pair.
        auto wholeCharacter = [&](PCRE2_SIZE at) {
            if (at > 0 && at < text.size() && 常用模块::CharLengthAt(text, at - 1) == 2) ++at;
            return at;
        };
        for (;;) {
            const PCRE2_SIZE last =
                options != 0 ? offset : std::min<PCRE2_SIZE>(text.size(), offset + kStarts);
            pcre2_set_offset_limit(context, last);
            const int rc =
                pcre2_match(code, Units(text), text.size(), offset, options, data, context);
            if (rc == PCRE2_ERROR_NOMATCH) {
                if (options != 0) {
                    // Nothing non-empty here after an empty match: one character on.
                    if (offset >= text.size()) return Stop::End;
                    offset += 常用模块::CharLengthAt(text, offset);
                    options = 0;
                    continue;
                }
                if (last >= text.size()) return Stop::End;
                offset = wholeCharacter(last + 1);
                if (const auto stop = interrupted()) return *stop;
                continue;
            }
            // The match, depth or heap limit: PCRE2 gave up on this match.
            if (rc < 0) return Stop::Runaway;
            if (ov[1] < ov[0]) return Stop::Runaway;  // \K past the end: nothing sane to take
            if (!visit(ov[0], ov[1])) return Stop::Limit;
            offset = ov[1];
            options = ov[0] == ov[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
            if (const auto stop = interrupted()) return *stop;
        }
    }
};

Pattern::Pattern(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;
Pattern::~Pattern() = default;

std::variant<Pattern, CompileError> Pattern::Compile(std::u16string_view pattern,
                                                     const Options& options) {
    std::uint32_t flags = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | PCRE2_USE_OFFSET_LIMIT;
    if (options.ignoreCase) flags |= PCRE2_CASELESS;
    if (options.multiLine) flags |= PCRE2_MULTILINE;
    if (options.dotAll) flags |= PCRE2_DOTALL;
    pcre2_compile_context* cc = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(cc, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE at = 0;
    std::vector<std::size_t> origin;
    const std::u16string translated = JavaScriptEscapes(pattern, origin);
    pcre2_code* code = pcre2_compile(Units(translated), translated.size(), flags, &error, &at, cc);
    pcre2_compile_context_free(cc);
    if (!code) {
        PCRE2_UCHAR16 buffer[256];
        const int n = pcre2_get_error_message(error, buffer, 256);
        CompileError e;
        e.message.assign(reinterpret_cast<const char16_t*>(buffer), n > 0 ? n : 0);
        e.offset = at < origin.size() ? origin[at] : pattern.size();
        return e;
    }
    auto impl = std::make_unique<Impl>();
    impl->code = code;
    // Without JIT the interpreter runs the same pattern, only slower.
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    impl->data = pcre2_match_data_create_from_pattern(code, nullptr);
    impl->context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(impl->context, kStepsPerStart);
    impl->stack = pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr);
    pcre2_jit_stack_assign(impl->context, nullptr, impl->stack);
    return Pattern(std::move(impl));
}

std::size_t Pattern::CaptureCount() const {
    std::uint32_t n = 0;
    pcre2_pattern_info(impl_->code, PCRE2_INFO_CAPTURECOUNT, &n);
    return n;
}

Found Pattern::FindAll(std::u16string_view text, std::size_t maxMatches,
                       std::chrono::milliseconds budget) const {
    Found found;
    if (maxMatches == 0) return found;
    found.stop = impl_->Scan(text, budget, [&](std::size_t start, std::size_t end) {
        found.matches.push_back({start, end - start});
        return found.matches.size() < maxMatches;
    });
    // Stopping right at the last match wanted says nothing of whether more follow.
    return found;
}

Replaced Pattern::ReplaceAll(std::u16string_view text, std::u16string_view replacement,
                             std::chrono::milliseconds budget, std::size_t maxResult,
                             const Progress& progress) const {
    const std::vector<Piece> pieces = ParseTemplate(replacement, CaptureCount());
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(impl_->data);
    const std::uint32_t pairs = pcre2_get_ovector_count(impl_->data);
    Replaced r;
    std::size_t copied = 0;
    bool tooLarge = false;
    r.stop = impl_->Scan(
        text, budget,
        [&](std::size_t start, std::size_t end) {
            r.text.append(text.substr(copied, start - copied));
            for (const Piece& p : pieces) {
                if (p.group < 0) {
                    r.text += p.literal;
                } else if (static_cast<std::uint32_t>(p.group) < pairs &&
                           ov[2 * p.group] != PCRE2_UNSET) {
                    r.text.append(
                        text.substr(ov[2 * p.group], ov[2 * p.group + 1] - ov[2 * p.group]));
                }
            }
            copied = end;
            ++r.count;
            if (r.text.size() > maxResult) {
                tooLarge = true;
                return false;
            }
            return true;
        },
        progress);
    if (tooLarge) r.stop = Stop::TooLarge;
    if (r.stop == Stop::End && r.text.size() + (text.size() - copied) > maxResult)
        r.stop = Stop::TooLarge;
    if (r.stop != Stop::End) {
        r.text.clear();
        r.text.shrink_to_fit();
        return r;
    }
    r.text.append(text.substr(copied));
    return r;
}

std::size_t MissingGroup(std::u16string_view replacement, std::size_t captureCount) {
    for (const Piece& p : ParseTemplate(replacement, captureCount))
        if (p.group > 0 && static_cast<std::size_t>(p.group) > captureCount)
            return static_cast<std::size_t>(p.group);
    return 0;
}

}  // namespace qm::regex
