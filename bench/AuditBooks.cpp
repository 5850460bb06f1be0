#include "AuditBooks.h"

#include <algorithm>
#include <random>

#include "Bytes.h"
#include "core/novel/Chapters.h"
#include "core/text/Utf16.h"

namespace material {

namespace {

using qm::audit::Kind;

// A chapter as the bench lays books out: with a volume heading before it,
// and what was planted in it.
struct BookChapter : AuditChapter {
    std::u16string volume = {};  // a volume heading before it, if any
    bool plain = true;           // a numbered chapter of prose, where faults are planted
    std::optional<Kind> planted = {};
};

std::u16string Digits(std::size_t n) { return testsupport::FromUtf8(std::to_string(n)); }

struct Draft {
    std::string name;
    std::vector<BookChapter> chaps;
};

std::vector<BookChapter> Prose(const std::vector<std::u16string>& ps, std::size_t target,
                               std::size_t from, std::size_t to, std::uint32_t seed) {
    std::vector<BookChapter> out;
    for (AuditChapter& c : ProseChapters(ps, target, from, to, seed)) out.push_back({std::move(c)});
    return out;
}

// The book as RenderAuditBook lays it out, a volume heading as a chapter
// without paragraphs; the planted chapters' and all headings' lines told.
std::u16string Render(const std::vector<BookChapter>& chaps, std::vector<Planted>* planted,
                      std::vector<std::size_t>* headings = nullptr) {
    std::vector<AuditChapter> flat;
    std::vector<std::size_t> at;  // each chapter's place in flat
    for (const BookChapter& c : chaps) {
        if (!c.volume.empty()) flat.push_back({c.volume, {}});
        at.push_back(flat.size());
        flat.push_back(c);
    }
    std::vector<std::size_t> lines;
    std::u16string text = RenderAuditBook(flat, &lines);
    for (std::size_t i = 0; i < chaps.size(); ++i) {
        if (chaps[i].planted && planted) planted->push_back({*chaps[i].planted, lines[at[i]]});
        if (headings) headings->push_back(lines[at[i]]);
    }
    return text;
}

std::vector<Draft> CleanDrafts(const std::vector<std::u16string>& ps) {
    const std::size_t hong = std::min(kXiyouji + kHongloumeng, ps.size());
    const std::size_t xi = std::min(kXiyouji, ps.size());
    std::vector<Draft> out;
    out.push_back({"西游记 长章", Prose(ps, 600, 0, xi, 1)});
    out.push_back({"红楼梦", Prose(ps, 400, xi, hong, 2)});
    out.push_back({"短章", Prose(ps, 60, 0, xi, 3)});
    out.push_back({"故乡", Prose(ps, 220, hong, ps.size(), 4)});
    {
        Draft d{"诗与感言", Prose(ps, 450, 0, xi, 5)};
        std::vector<std::u16string> verse;
        // Verse from another book, as a chapter that is a poem quotes it.
        for (std::size_t i = xi; i < ps.size(); ++i)
            if (ps[i].size() <= 20) verse.push_back(ps[i]);
        BookChapter poem{
            {u"", {verse.begin(), verse.begin() + std::min<std::size_t>(8, verse.size())}},
            {},
            false,
            std::nullopt};
        poem.plain = false;
        d.chaps.insert(d.chaps.begin() + 4, poem);
        BookChapter note{{u"",
                          {u"感谢各位书友一路以来的支持！本书明天就要上架了，还请大家多多订阅，"
                           u"有月票的投一张月票，小弟拜谢。",
                           u"上架当天会有五更，不见不散！"}},
                         {},
                         false,
                         std::nullopt};
        note.plain = false;
        d.chaps.insert(d.chaps.begin() + 8, note);
        for (std::size_t i = 0; i < d.chaps.size(); ++i)
            d.chaps[i].heading = AuditTitle(i + 1, d.chaps[i].paras[0]);
        d.chaps[4].heading = u"第5章 诗一首";
        d.chaps[8].heading = u"第9章 上架感言";
        BookChapter words{{u"作者的话", {u"新书起航，求收藏，求推荐！"}}, {}, false, std::nullopt};
        words.plain = false;
        d.chaps.push_back(words);
        out.push_back(std::move(d));
    }
    {
        Draft d{"且听下回分解", Prose(ps, 300, xi, hong, 6)};
        for (BookChapter& c : d.chaps) c.paras.push_back(u"毕竟不知后事如何，且听下回分解。");
        out.push_back(std::move(d));
    }
    {
        Draft d{"分卷与番外", Prose(ps, 350, 0, xi, 7)};
        for (std::size_t i = 0; i < d.chaps.size(); i += 5)
            d.chaps[i].volume =
                u"第" + Digits(i / 5 + 1) + u"卷 " + AuditTitle(0, d.chaps[i].paras[0]).substr(4);
        BookChapter pro{
            {u"序章", {u"话说天下大势，分久必合，合久必分。"}}, {}, false, std::nullopt};
        pro.plain = false;
        d.chaps.insert(d.chaps.begin(), pro);
        d.chaps[1].volume.swap(d.chaps[0].volume);
        BookChapter end{
            {u"尾声", {u"自此之后，众人各归其所，不在话下。"}}, {}, false, std::nullopt};
        end.plain = false;
        d.chaps.push_back(end);
        out.push_back(std::move(d));
    }
    return out;
}

std::vector<std::u16string> SplitSentences(const std::u16string& p) {
    std::vector<std::u16string> out;
    std::u16string cur;
    for (const char16_t c : p) {
        cur += c;
        if (std::u16string_view(u"。．！？").find(c) != std::u16string_view::npos) {
            out.push_back(std::move(cur));
            cur.clear();
        }
    }
    if (!cur.empty()) out.push_back(std::move(cur));
    return out;
}

std::vector<std::u16string> Flatten(const std::vector<std::u16string>& paras, std::size_t size) {
    std::vector<std::u16string> out;
    std::u16string cur;
    std::size_t total = 0;
    for (const auto& p : paras) {
        total += p.size();
        cur += p;
        if (cur.size() >= 150) out.push_back(std::move(cur)), cur.clear();
        if (total >= size) break;
    }
    if (!cur.empty()) out.push_back(std::move(cur));
    return out;
}

void Plant(Draft& d, std::size_t i, Kind kind, std::size_t shape, std::size_t median,
           const std::vector<std::u16string>& foreign, std::mt19937& rng) {
    BookChapter& c = d.chaps[i];
    const std::vector<std::u16string> prev = d.chaps[i - 1].paras;
    c.planted = kind;
    switch (kind) {
        case Kind::Placeholder:
            if (shape % 3 == 0) {
                c.paras = {
                    u"正在手打中，请稍等片刻，内容更新后，请重新刷新页面，即可获取最新更新！"};
            } else if (shape % 3 == 1) {
                c.paras = {u"本章未完，请稍后刷新。", u"内容更新中……"};
            } else {
                std::u16string few;
                for (const auto& s : SplitSentences(c.paras[0]))
                    if (few.size() + s.size() < median / 6 || few.empty()) few += s;
                c.paras = {few};
            }
            break;
        case Kind::Antitheft: {
            const std::size_t size = AuditLength(c);
            if (shape % 4 == 0) {
                std::u16string mixed;
                for (const auto& p : prev) mixed += p;
                std::shuffle(mixed.begin(), mixed.end(), rng);
                c.paras = {u"防盗章节，本章将于半小时后替换为正文，请支持正版订阅。", mixed};
            } else if (shape % 4 == 1) {
                std::vector<std::u16string> f = foreign;
                std::rotate(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(rng() % f.size()),
                            f.end());
                c.paras = Flatten(f, size);
            } else if (shape % 4 == 2) {
                for (auto& p : c.paras) std::shuffle(p.begin(), p.end(), rng);
            } else {
                std::vector<std::u16string> sentences;
                for (std::size_t k = 0; k < i; ++k)
                    for (const auto& p : d.chaps[k].paras)
                        for (auto& s : SplitSentences(p)) sentences.push_back(std::move(s));
                std::shuffle(sentences.begin(), sentences.end(), rng);
                c.paras = Flatten(sentences, size);
            }
            break;
        }
        case Kind::SameAsPrevious:
            c.paras = prev;
            if (shape % 2 == 1 && !c.paras.empty()) {
                // One short sentence told differently, as another site has it.
                std::u16string& last = c.paras.back();
                if (last.size() * 30 < AuditLength(c) && last.size() > 1) last[0] = u'又';
            }
            break;
        case Kind::RepeatedTail:
            // The closing passage with the formula after it, if the book has one.
            if (prev.size() > 1 && prev.back().size() < 20)
                c.paras.push_back(prev[prev.size() - 2]);
            c.paras.push_back(prev.back());
            break;
        case Kind::Truncated: {
            std::u16string all;
            for (const auto& p : c.paras) all += p + u'\n';
            std::size_t at = std::min(all.size(), median) * (30 + rng() % 15) / 100;
            while (at > 1 && !qm::text::IsHan(all[at - 1])) --at;
            std::u16string kept = all.substr(0, at);
            c.paras.clear();
            std::u16string cur;
            for (const char16_t ch : kept) {
                if (ch == u'\n') {
                    c.paras.push_back(std::move(cur));
                    cur.clear();
                } else {
                    cur += ch;
                }
            }
            if (!cur.empty()) c.paras.push_back(std::move(cur));
            break;
        }
        case Kind::Duplicate:
            break;
    }
}

}  // namespace

std::vector<AuditBook> CleanAuditBooks(const std::vector<std::u16string>& paragraphs) {
    std::vector<AuditBook> out;
    for (const Draft& d : CleanDrafts(paragraphs))
        out.push_back({d.name, Render(d.chaps, nullptr), {}});
    return out;
}

std::vector<AuditBook> PlantedAuditBooks(const std::vector<std::u16string>& paragraphs,
                                         std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::size_t xi = std::min(kXiyouji, paragraphs.size());
    const std::size_t hong = std::min(kXiyouji + kHongloumeng, paragraphs.size());
    const std::vector<std::u16string> modern(paragraphs.begin() + static_cast<std::ptrdiff_t>(hong),
                                             paragraphs.end());
    const std::vector<std::u16string> classic(paragraphs.begin(),
                                              paragraphs.begin() + static_cast<std::ptrdiff_t>(xi));
    std::vector<AuditBook> out;
    std::size_t shape = 0;
    for (const Draft& clean : CleanDrafts(paragraphs)) {
        if (clean.chaps.size() < 8) continue;
        std::vector<std::size_t> lengths;
        for (const AuditChapter& c : clean.chaps) lengths.push_back(AuditLength(c));
        std::nth_element(lengths.begin(),
                         lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2),
                         lengths.end());
        const std::size_t median = lengths[lengths.size() / 2];
        const auto& foreign = clean.name == "故乡" ? classic : modern;
        for (const Kind kind : {Kind::Placeholder, Kind::Antitheft, Kind::SameAsPrevious,
                                Kind::RepeatedTail, Kind::Truncated, Kind::Duplicate}) {
            Draft d = clean;
            // Two faults a book, apart, on chapters of prose after the first.
            std::vector<std::size_t> at;
            for (std::size_t i = 2; i + 2 < d.chaps.size(); ++i)
                if (d.chaps[i].plain && d.chaps[i - 1].plain && d.chaps[i + 1].plain &&
                    (at.empty() || i >= at.back() + 4))
                    at.push_back(i);
            std::shuffle(at.begin(), at.end(), rng);
            at.resize(std::min<std::size_t>(2, at.size()));
            std::sort(at.rbegin(), at.rend());
            for (const std::size_t i : at) {
                if (kind == Kind::Duplicate) {
                    BookChapter copy = d.chaps[i - 1 - shape % 2];
                    copy.volume.clear();
                    copy.planted = Kind::Duplicate;
                    d.chaps.insert(d.chaps.begin() + static_cast<std::ptrdiff_t>(i), copy);
                } else {
                    Plant(d, i, kind, shape, median, foreign, rng);
                }
                ++shape;
            }
            AuditBook b{clean.name + " / " + qm::audit::KindName(kind), {}, {}};
            b.text = Render(d.chaps, &b.planted);
            out.push_back(std::move(b));
        }
    }
    return out;
}

std::vector<MergeCase> MergeCases(const std::vector<std::u16string>& paragraphs,
                                  std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::size_t hong = std::min(kXiyouji + kHongloumeng, paragraphs.size());
    const std::vector<std::u16string> modern(paragraphs.begin() + static_cast<std::ptrdiff_t>(hong),
                                             paragraphs.end());
    const Kind kinds[] = {Kind::Placeholder, Kind::Antitheft, Kind::SameAsPrevious,
                          Kind::Truncated};
    std::vector<MergeCase> out;
    std::size_t shape = seed;
    for (const Draft& clean : CleanDrafts(paragraphs)) {
        if (clean.chaps.size() < 8 || clean.name == "故乡") continue;
        std::vector<std::size_t> lengths;
        for (const AuditChapter& c : clean.chaps) lengths.push_back(AuditLength(c));
        std::sort(lengths.begin(), lengths.end());
        const std::size_t median = lengths[lengths.size() / 2];
        // Holes in both copies, never in the same chapter.
        std::vector<std::size_t> at;
        for (std::size_t i = 1; i < clean.chaps.size(); ++i)
            if (clean.chaps[i].plain && clean.chaps[i - 1].plain) at.push_back(i);
        std::shuffle(at.begin(), at.end(), rng);
        Draft a = clean;
        Draft b = clean;
        for (std::size_t k = 0; k < at.size() && k < 4; ++k, ++shape)
            Plant(k % 2 == 0 ? a : b, at[k], kinds[shape % 4], shape, median, modern, rng);
        // The other site numbers its chapters its own way and has one more.
        for (std::size_t i = 0; i < b.chaps.size(); ++i) {
            std::u16string& h = b.chaps[i].heading;
            if (h.starts_with(u"第")) h = u"第" + Digits(i + 101) + h.substr(h.find(u'章'));
        }
        const BookChapter extra{
            {u"番外 闲话", {u"话说这一日，众人闲坐，说起旧事，各自感叹不已。"}}, {}, false, {}};
        b.chaps.insert(b.chaps.begin() + 3, extra);
        Draft want = clean;
        want.chaps.insert(want.chaps.begin() + 3, extra);
        MergeCase m;
        m.name = clean.name;
        std::vector<std::size_t> la;
        std::vector<std::size_t> lb;
        m.a = Render(a.chaps, nullptr, &la);
        m.b = Render(b.chaps, nullptr, &lb);
        m.want = Render(want.chaps, nullptr);
        // Only what the chapter list sees as headings ("作者的话" alone is not).
        std::vector<bool> heading(lb.empty() ? 0 : lb.back() + 1, false);
        for (const auto& h : qm::chapters::Find(m.b))
            if (h.line < heading.size()) heading[h.line] = true;
        for (std::size_t i = 0; i < lb.size(); ++i) {
            if (!heading[lb[i]]) continue;
            const std::size_t fromA = i < 3 ? i : i - 1;
            m.aligned.push_back({i == 3 ? std::nullopt : std::optional(la[fromA]), lb[i]});
        }
        out.push_back(std::move(m));
    }
    return out;
}

std::u16string LargeAuditBook(const std::vector<std::u16string>& paragraphs, std::size_t bytes) {
    std::u16string text;
    std::size_t size = 0;
    for (std::size_t n = 1; size < bytes; ++n) {
        std::u16string chapter = u"第" + Digits(n) + u"章 " + Digits(n) + u"\r\n";
        // Each pass over the prose has its Han characters moved along the
        // block, so that no chapter repeats another: new text to the audit.
        const std::size_t pass = n * 8 / paragraphs.size();
        for (std::size_t k = 0; k < 8; ++k) {
            std::u16string p = paragraphs[(n * 8 + k) % paragraphs.size()];
            for (char16_t& c : p)
                if (c >= 0x4E00 && c < 0x9FA0)
                    c = static_cast<char16_t>(0x4E00 + (c - 0x4E00 + pass * 131) % 0x51A0);
            chapter += u"　　" + p + u"\r\n";
        }
        size += qm::text::Utf8Length(chapter);
        text += chapter;
    }
    return text;
}

}  // namespace material
