#include "AuditMaterial.h"

#include <algorithm>
#include <random>

#include "Bytes.h"
#include "core/text/Utf16.h"

namespace material {

namespace {

bool Closed(const std::u16string& p) {
    return !p.empty() &&
           std::u16string_view(u"。．！？”」…").find(p.back()) != std::u16string_view::npos;
}

}  // namespace

std::u16string AuditTitle(std::size_t n, const std::u16string& firstPara) {
    std::u16string t = u"第";
    t += testsupport::FromUtf8(std::to_string(n));
    t += u"章 ";
    std::size_t han = 0;
    for (const char16_t c : firstPara)
        if (qm::text::IsHan(c) && han < 4) t += c, ++han;
    return t;
}

std::size_t AuditLength(const AuditChapter& c) {
    std::size_t n = 0;
    for (const auto& p : c.paras) n += p.size();
    return n;
}

std::vector<AuditChapter> ProseChapters(const std::vector<std::u16string>& ps, std::size_t target,
                                        std::size_t from, std::size_t to, std::uint32_t seed) {
    to = std::min(to, ps.size());
    std::mt19937 rng(seed);
    std::vector<AuditChapter> out;
    AuditChapter cur;
    std::size_t want = target;
    for (std::size_t i = from; i < to; ++i) {
        cur.paras.push_back(ps[i]);
        if (AuditLength(cur) >= want && Closed(ps[i])) {
            out.push_back(std::move(cur));
            cur = {};
            want = target * (6 + rng() % 9) / 10;
        }
    }
    if (!cur.paras.empty()) {
        if (out.empty() || AuditLength(cur) >= target / 2) {
            out.push_back(std::move(cur));
        } else {
            for (auto& p : cur.paras) out.back().paras.push_back(std::move(p));
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i].heading = AuditTitle(i + 1, out[i].paras[0]);
    return out;
}

std::u16string RenderAuditBook(const std::vector<AuditChapter>& chapters,
                               std::vector<std::size_t>* headings) {
    std::u16string text = u"　　本书由网友整理，仅供交流。\r\n\r\n";
    std::size_t line = 2;
    for (const AuditChapter& c : chapters) {
        if (headings) headings->push_back(line);
        text += c.heading + u"\r\n";
        for (const auto& p : c.paras) text += u"　　" + p + u"\r\n";
        text += u"\r\n";
        line += c.paras.size() + 2;
    }
    return text;
}

}  // namespace material
