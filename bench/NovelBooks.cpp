#include "NovelBooks.h"

#include <tuple>

namespace material {

namespace {

using qm::chapters::ProblemType;

constexpr const char* kTwoStyles = "600 章，80 章写作“N、标题”";

void AddStyles(std::vector<Style>& s) {
    auto add = [&](std::string name, auto f) {
        Style st;
        st.name = std::move(name);
        st.chapter = f;
        s.push_back(st);
        return &s.back();
    };
    // A number between two strings: 【一】风起, 12章　风起, ===第3章=== ...
    const std::tuple<const char*, const char16_t*, bool, const char16_t*, long> kAround[] = {
        {"【一】", u"【", true, u"】", 1},       {"【1】", u"【", false, u"】 ", 1},
        {"(10)标题", u"(", false, u")", 1},      {"三十章 (无第)", u"", true, u"章 ", 28},
        {"12章 (无第)", u"", false, u"章　", 1}, {"第 1 章", u"第 ", false, u" 章 ", 1},
        {"1、标题", u"", false, u"、", 1},       {"===第3章===", u"===第", false, u"章===", 1}};
    for (const auto& [name, before, chinese, after, start] : kAround) {
        const std::u16string b = before, a = after;
        const bool c = chinese;
        add(name, [b, a, c](long n, const std::u16string& t, bool f) {
            return b + Num(n, c != f) + a + (a.back() == u'=' ? u"" : t);
        })->start = start;
    }
    add("chapter.844", [](long n, const std::u16string& t, bool) {
        return u"chapter." + Num(n, false) + u" " + t;
    })->canMix = false;
    s.back().start = 844;
    add("001 标题", [](long n, const std::u16string& t, bool) {
        return Pad(n, 3) + u" " + t;
    })->canMix = false;
    // Built by appending: GCC 12 warns falsely of an overlap on "第" + Num(...).
    add(kTwoStyles, [](long n, const std::u16string& t, bool f) {
        std::u16string h = u"第";
        h += Num(n, f);
        return h + u"章 " + t;
    });
    s.back().chapters = 600;
}

// The index in the 目录's headings of the heading at `item`.
std::size_t HeadingIndex(const Draft& d, std::size_t item) {
    std::size_t h = 0;
    for (std::size_t k = 0; k < item; ++k) h += d.items[k].kind == Item::Heading;
    return h;
}

void Finish(Draft& d, bool twoStyles) {
    const std::size_t n = d.chapters.size();
    // Every seventh chapter from the 26th, to 80 of them, written "N、标题".
    for (std::size_t i = 25; twoStyles && i < n && (i - 25) / 7 < 80; i += 7) {
        const auto text =
            Num(d.number[i], false) + u"、" + d.titles[(i + d.index) % d.titles.size()];
        d.headings[HeadingIndex(d, d.chapterItem[i])].text = text;
        d.items[d.chapterItem[i]].text = text;
    }
    // A heading written so the finder cannot take it ("第十八章 风起。"), in
    // the longest pair of chapters free of other faults: the gap it leaves
    // is to be told as a heading missed, at its line.
    if (d.faults && n >= 22) {
        std::size_t missed = 17;
        auto pair = [&](std::size_t i) {
            std::size_t c = 0;
            for (const auto& p : d.chapters[i - 1]) c += p.size();
            for (const auto& p : d.chapters[i]) c += p.size();
            return c;
        };
        for (const std::size_t i : {18, 19, 21}) missed = pair(i) > pair(missed) ? i : missed;
        d.planted.push_back({ProblemType::Missing, missed});
        Item& it = d.items[d.chapterItem[missed]];
        d.headings.erase(d.headings.begin() +
                         static_cast<std::ptrdiff_t>(HeadingIndex(d, d.chapterItem[missed])));
        it.kind = Item::Missed;
        it.text += u"。";
    }
    // A line that carries the numbering on right under a heading.
    if (n > 12) {
        const std::size_t at = d.chapterItem[12] + 1;
        d.items.insert(d.items.begin() + static_cast<std::ptrdiff_t>(at),
                       {Item::Paragraph, Num(d.number[12] + 1, false) + u"多岁……"});
        for (std::size_t j = 13; j < n; ++j) ++d.chapterItem[j];
    }
}

}  // namespace

std::vector<Book> BenchBooks(const std::vector<std::u16string>& paragraphs, bool faults) {
    Recipe r = BasicRecipe();
    AddStyles(r.styles);
    r.traps.push_back({u"第一封信", u"第四本书", u"第六回合开始了"});
    r.traps.push_back({u"第三集播出后，他就出了名"});
    r.traps.push_back({u"第一乐章", u"16:30", u"比分 2:1", u"16", u"哗啦啦～～～", u"------"});
    r.ends.push_back(u"番外 第1章 海边");
    r.finish = [&r](Draft& d) { Finish(d, r.styles[d.index].name == kTwoStyles); };
    auto books = MakeBooks(paragraphs, faults, r);
    // Some put a blurb between the 目录 and the text (every third book has a 目录).
    for (std::size_t si = 3; si < books.size(); si += 6) {
        auto& items = books[si].items;
        std::size_t at = 1;
        while (items[at].kind == Item::Toc) ++at;
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(at),
                     {Item::Paragraph, paragraphs[si % paragraphs.size()]});
        for (auto& f : books[si].faults) ++f.item;
    }
    return books;
}

}  // namespace material
