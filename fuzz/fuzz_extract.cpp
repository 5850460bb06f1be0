// The extraction of numbers and addresses, and regular-expression replacement
// templates and patterns, on arbitrary texts. The first byte says which.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Encoding.h"
#include "core/search/Extract.h"
#include "core/search/Regex.h"

namespace {

bool Digit(char16_t c) { return c >= u'0' && c <= u'9'; }

void Extract(std::u16string_view text) {
    using qm::extract::Kind;
    for (Kind kind : {Kind::Mobile, Kind::FixedLine, Kind::QQ, Kind::Url}) {
        const auto spans = qm::extract::Find(kind, text);
        std::size_t end = 0, total = 0;
        for (const auto& s : spans) {
            // In order, apart, inside the text, never empty.
            if (s.start < end || s.length == 0 || s.start + s.length > text.size()) std::abort();
            end = s.start + s.length;
            total += s.length;
            const std::u16string_view v = text.substr(s.start, s.length);
            // A number never starts or ends inside a longer run of digits.
            if (kind != Kind::Url &&
                ((s.start > 0 && Digit(text[s.start - 1]) && Digit(v.front())) ||
                 (end < text.size() && Digit(text[end]) && Digit(v.back()))))
                std::abort();
            if (kind == Kind::QQ && (v.size() < 5 || v.size() > 11 || v.front() == u'0'))
                std::abort();
        }
        if (qm::extract::ReplaceSpans(text, spans, u"").size() != text.size() - total) std::abort();
        (void)qm::extract::Unique(text, spans);
    }
}

void Template(std::u16string_view replacement) {
    static const auto compiled = qm::regex::Pattern::Compile(u"(a)(b)?|(c)", {});
    const auto& pattern = std::get<qm::regex::Pattern>(compiled);
    (void)qm::regex::MissingGroup(replacement, pattern.CaptureCount());
    const auto r = pattern.ReplaceAll(u"abacxc", replacement, std::chrono::seconds(5));
    if (r.stop != qm::regex::Stop::End || r.count != 4) std::abort();
}

// Any pattern either compiles or says where it is wrong, inside the pattern.
void TryPattern(std::u16string_view pattern) {
    auto compiled = qm::regex::Pattern::Compile(pattern, {});
    if (auto* e = std::get_if<qm::regex::CompileError>(&compiled)) {
        if (e->offset > pattern.size()) std::abort();
        return;
    }
    const auto f = std::get<qm::regex::Pattern>(compiled).FindAll(u"中文 abc\r\n123 \U0001F600", 50,
                                                                  std::chrono::milliseconds(100));
    for (const auto& m : f.matches)
        if (m.start + m.length > 14) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::u16string text =
        qm::enc::Decode(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1),
                        qm::enc::Encoding::Gbk)
            .text;
    if (data[0] % 3 == 0)
        Extract(text);
    else if (data[0] % 3 == 1)
        Template(text);
    else
        TryPattern(text);
    return 0;
}
