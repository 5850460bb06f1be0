#include "NovelMaterial.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>

#include "Bytes.h"
#include "core/novel/NovelText.h"
#include "core/novel/Reflow.h"

namespace material {

namespace {

using qm::chapters::Level;
using qm::chapters::ProblemType;

}  // namespace

std::u16string WrapAt(const std::vector<std::u16string>& paragraphs, std::size_t width, bool indent,
                      std::u16string_view br) {
    std::u16string out;
    for (const auto& p : paragraphs) {
        const std::u16string full = (indent ? u"\u3000\u3000" : u"") + p;
        for (std::size_t i = 0; i < full.size(); i += width) {
            out += full.substr(i, width);
            out += br;
        }
    }
    return out;
}

namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string Chinese(long n, bool financial = false, bool liang = false) {
    static const char16_t* kDigits = u"零一二三四五六七八九";
    static const char16_t* kFinancial = u"零壹贰叁肆伍陆柒捌玖";
    const char16_t* d = financial ? kFinancial : kDigits;
    const char16_t ten = financial ? u'拾' : u'十';
    const char16_t hundred = financial ? u'佰' : u'百';
    const char16_t thousand = financial ? u'仟' : u'千';
    if (n == 0) return std::u16string(1, d[0]);
    std::u16string s;
    const long th = n / 1000 % 10, hu = n / 100 % 10, te = n / 10 % 10, on = n % 10;
    bool zero = false;
    if (th) s += {d[th], thousand};
    if (hu) {
        s += (hu == 2 && liang) ? u'两' : d[hu];
        s += hundred;
    } else if (th && (te || on)) {
        zero = true;
    }
    if (te) {
        if (zero) s += d[0];
        if (!(te == 1 && n < 20)) s += d[te];
        s += ten;
        zero = false;
    } else if ((th || hu) && on) {
        zero = true;
    }
    if (on) {
        if (zero) s += d[0];
        s += d[on];
    }
    return s;
}

std::u16string FullWidth(long n) {
    std::u16string s;
    for (const char c : std::to_string(n)) s += static_cast<char16_t>(0xFF10 + (c - '0'));
    return s;
}

std::u16string Pad(long n, int width) {
    std::string s = std::to_string(n);
    while (static_cast<int>(s.size()) < width) s = "0" + s;
    return Ascii(s);
}

std::u16string Roman(long n) {
    static const std::pair<int, const char*> kParts[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
        {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    std::string s;
    for (const auto& [v, r] : kParts) {
        while (n >= v) {
            s += r;
            n -= v;
        }
    }
    return Ascii(s);
}

const std::vector<std::u16string>& LongTitles() {
    static const std::vector<std::u16string> t = {
        u"灵根育孕源流出　心性修持大道生",     u"悟彻菩提真妙理　断魔归本合元神",
        u"四海千山皆拱伏　九幽十类尽除名",     u"官封弼马心何足　名注齐天意未宁",
        u"乱蟠桃大圣偷丹　反天宫诸神捉怪",     u"观音赴会问原因　小圣施威降大圣",
        u"八卦炉中逃大圣　五行山下定心猿",     u"我佛造经传极乐　观音奉旨上长安",
        u"甄士隐梦幻识通灵　贾雨村风尘怀闺秀", u"贾夫人仙逝扬州城　冷子兴演说荣国府",
        u"贾雨村夤缘复旧职　林黛玉抛父进京都", u"薄命女偏逢薄命郎　葫芦僧乱判葫芦案",
        u"比通灵金莺微露意　探宝钗黛玉半含酸", u"恋风流情友入家塾　起嫌疑顽童闹学堂"};
    return t;
}

const std::vector<std::u16string>& ShortTitles() {
    static const std::vector<std::u16string> t = {
        u"故乡",   u"闰土", u"月下", u"海边", u"雪天", u"贝壳", u"离别", u"归途", u"酒店", u"长衫",
        u"茴香豆", u"中秋", u"仙山", u"渡海", u"访道", u"樵夫", u"洞府", u"学艺", u"归来", u"龙宫"};
    return t;
}

struct Style {
    std::string name;
    // The heading of chapter n (numbered as shown) with title t; arabic flips
    // the numerals for a planted mixed fault.
    std::function<std::u16string(long n, const std::u16string& t, bool flip)> chapter;
    long start = 1;
    int volumeEvery = 0;  // chapters a volume, when the book has volumes
    enum Volumes { None, OwnLine, SameLine, UpperLower } volumes = None;
    bool restartPerVolume = false;
    bool canMix = true;
    bool longTitles = false;
    std::size_t chapters = 0;  // when more than the prose gives: short chapters of it over and over
    // Every seventh chapter from the 26th, to 80 of them, written this way instead.
    std::function<std::u16string(long n, const std::u16string& t)> second;
};

std::u16string Num(long n, bool chinese) { return chinese ? Chinese(n) : Ascii(std::to_string(n)); }

std::vector<Style> Styles() {
    std::vector<Style> s;
    auto add = [&](std::string name, auto f) {
        Style st;
        st.name = std::move(name);
        st.chapter = f;
        s.push_back(st);
        return &s.back();
    };
    add("第N回 回目", [](long n, const std::u16string& t, bool f) {
        return u"第" + Num(n, !f) + u"回　" + t;
    })->longTitles = true;
    add("第N章 (阿拉伯)",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, f) + u"章 " + t; });
    add("第N章 (全角)", [](long n, const std::u16string& t, bool f) {
        return u"第" + (f ? Chinese(n) : FullWidth(n)) + u"章　" + t;
    });
    add("第一百二十三回", [](long n, const std::u16string& t, bool f) {
        return u"第" + Num(n, !f) + u"回 " + t;
    })->start = 118;
    s.back().longTitles = true;
    add("第01回", [](long n, const std::u16string& t, bool f) {
        return u"第" + (f ? Chinese(n) : Pad(n, 2)) + u"回 " + t;
    });
    add("第壹章", [](long n, const std::u16string& t, bool f) {
        return u"第" + (f ? Ascii(std::to_string(n)) : Chinese(n, true)) + u"章 " + t;
    });
    add("第两百章", [](long n, const std::u16string& t, bool f) {
        return u"第" + (f ? Ascii(std::to_string(n)) : Chinese(n, false, true)) + u"章 " + t;
    })->start = 196;
    add("卷一 + 第N章 (每卷重编)",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"章 " + t; });
    s.back().volumes = Style::OwnLine;
    s.back().volumeEvery = 6;
    s.back().restartPerVolume = true;
    add("第一卷 第三章 (同一行)",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"章 " + t; });
    s.back().volumes = Style::SameLine;
    s.back().volumeEvery = 6;
    add("上卷/中卷/下卷 + 第N回",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"回 " + t; });
    s.back().volumes = Style::UpperLower;
    s.back().volumeEvery = 12;
    s.back().longTitles = true;
    add("Chapter 12", [](long n, const std::u16string& t, bool) {
        return u"Chapter " + Ascii(std::to_string(n)) + u" " + t;
    })->canMix = false;
    add("CHAPTER XII", [](long n, const std::u16string&, bool) {
        return u"CHAPTER " + Roman(n);
    })->canMix = false;
    add("【第三节】",
        [](long n, const std::u16string& t, bool f) { return u"【第" + Num(n, !f) + u"节】" + t; });
    add("001. 标题", [](long n, const std::u16string& t, bool) {
        return Pad(n, 3) + u". " + t;
    })->canMix = false;
    add("一、标题", [](long n, const std::u16string& t, bool) {
        return Chinese(n) + u"、" + t;
    })->canMix = false;
    add("（一）", [](long n, const std::u16string& t, bool) {
        return u"（" + Chinese(n) + u"）" + t;
    })->canMix = false;
    add("第1话",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, f) + u"话 " + t; });
    add("第一集",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"集：" + t; });
    add("第一篇",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"篇 " + t; });
    add("第一节",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"节 " + t; });
    add("标题后的杂字", [](long n, const std::u16string& t, bool f) {
        return u"第" + Num(n, f) + u"章 " + t +
               (n % 2 ? u"（求月票）" : u" 更新时间:2010-5-1 12:00:00 本章字数:3125");
    });
    add("第一章风起 (不空格)",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, !f) + u"章" + t; });
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
    add("600 章，80 章写作“N、标题”",
        [](long n, const std::u16string& t, bool f) { return u"第" + Num(n, f) + u"章 " + t; });
    s.back().chapters = 600;
    s.back().second = [](long n, const std::u16string& t) { return Num(n, false) + u"、" + t; };
    return s;
}

// Sentences that start like headings, and lists, planted among the paragraphs.
const std::vector<std::vector<std::u16string>>& Traps() {
    static const std::vector<std::vector<std::u16string>> t = {
        {u"第五章的内容，我到现在还没有看完。"},
        {u"第一次见到他的时候，我才十二岁，他也不过十三四岁。"},
        {u"第三者插足的事，他向来是不信的。"},
        {u"第二天一早，他便动身到城里去了，直到傍晚才回来。"},
        {u"“第十回写得太长了，”他说，“删去一半才好。”"},
        {u"他说：“第三章 风起 这一回你读过没有？”"},
        {u"店里的规矩有三条：", u"一、不许赊账", u"二、不许吃醉", u"三、不许喧哗"},
        {u"他在信封上写着 Shanghai Road Number Twelve 几个字，又用英文添了一句 see you "
         u"again in the spring，这才封好。"},
        {u"一九二一年一月。"},
        {u"这一路他走了 1280 里，花了 36 天，身上只剩 3.5 两银子。"},
        {u"第一封信", u"第四本书", u"第六回合开始了"},
        {u"第三集播出后，他就出了名"},
        {u"第一乐章", u"16:30", u"比分 2:1", u"16", u"哗啦啦～～～", u"------"},
    };
    return t;
}

struct Rng {
    std::uint32_t s;
    std::uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : Next() % n; }
};

}  // namespace

std::u16string Joined(const std::vector<std::u16string>& paragraphs, bool indent,
                      std::u16string_view br) {
    std::u16string out;
    for (const auto& p : paragraphs) {
        out += (indent ? u"\u3000\u3000" : u"") + p;
        out += br;
    }
    return out;
}

std::vector<std::u16string> LoadParagraphs(const std::string& dataDir) {
    std::vector<std::u16string> out;
    for (const char* f : {"xiyouji.txt", "hongloumeng.txt", "guxiang.txt"}) {
        std::ifstream in(dataDir + "/" + f, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) out.push_back(testsupport::FromUtf8(line));
        }
    }
    return out;
}

std::vector<Book> MakeBooks(const std::vector<std::u16string>& paragraphs, bool faults) {
    std::vector<Book> books;
    const auto styles = Styles();
    for (std::size_t si = 0; si < styles.size(); ++si) {
        const Style& st = styles[si];
        Rng rng{static_cast<std::uint32_t>(2166136261u ^ (si * 16777619u + 7))};
        Book book;
        book.name = st.name;
        // The prose twice over, from a different place each book: enough for
        // some 25 chapters (or more times, for a long book).
        std::vector<std::u16string> prose;
        const std::size_t from = (si * 17) % paragraphs.size();
        const std::size_t times = st.chapters ? st.chapters * 3 : 2 * paragraphs.size();
        for (std::size_t k = 0; k < times; ++k) {
            prose.push_back(paragraphs[(from + k) % paragraphs.size()]);
        }
        // Chapters of 3 to 8 paragraphs (2 to 4 in a long book).
        std::vector<std::vector<std::u16string>> chapters;
        for (std::size_t k = 0; k < prose.size();) {
            const std::size_t len = st.chapters ? 2 + rng.Below(3) : 3 + rng.Below(6);
            chapters.emplace_back(prose.begin() + k,
                                  prose.begin() + std::min(prose.size(), k + len));
            k += len;
        }
        if (st.chapters && chapters.size() > st.chapters) chapters.resize(st.chapters);
        // Traps into chapters of their own choosing (never a chapter's first line).
        const auto& traps = Traps();
        for (std::size_t t = 0; t < traps.size(); ++t) {
            // A list in a book whose headings are such a list would be headings.
            if (traps[t].size() > 1 && st.name == "一、标题") continue;
            auto& ch = chapters[(t * 5 + si) % chapters.size()];
            const std::size_t at = 1 + rng.Below(ch.size());
            ch.insert(ch.begin() + static_cast<std::ptrdiff_t>(std::min(at, ch.size())),
                      traps[t].begin(), traps[t].end());
        }
        const std::size_t n = chapters.size();
        // The numbers as written, faults planted.
        std::vector<long> number(n);
        std::vector<bool> flip(n, false);
        auto volumeOf = [&](std::size_t i) { return st.volumeEvery ? i / st.volumeEvery : 0; };
        for (std::size_t i = 0; i < n; ++i) {
            number[i] = st.restartPerVolume ? static_cast<long>(i % st.volumeEvery) + 1
                                            : st.start + static_cast<long>(i);
        }
        std::vector<std::pair<ProblemType, std::size_t>> planted;
        if (faults && n >= 22) {
            auto shift = [&](std::size_t i, long by) {
                for (std::size_t j = i;
                     j < n && (!st.restartPerVolume || volumeOf(j) == volumeOf(i)); ++j) {
                    number[j] += by;
                }
            };
            shift(3, 1);
            planted.push_back({ProblemType::Gap, 3});
            shift(8, -1);
            planted.push_back({ProblemType::Repeat, 8});
            std::swap(number[9], number[10]);
            planted.push_back({ProblemType::Order, 9});
            shift(15, 1 - number[15]);
            planted.push_back({ProblemType::Restart, 15});
            if (st.canMix) {
                flip[20] = true;
                planted.push_back({ProblemType::Mixed, 20});
            }
        }
        // A heading written so the finder cannot take it ("第十八章 风起。"), in
        // the longest pair of chapters free of other faults: the gap it leaves
        // is to be told as a heading missed, at its line.
        std::size_t missed = 17;
        auto pair = [&](std::size_t i) {
            std::size_t c = 0;
            for (const auto& p : chapters[i - 1]) c += p.size();
            for (const auto& p : chapters[i]) c += p.size();
            return c;
        };
        for (const std::size_t i : {18, 19, 21})
            missed = n >= 22 && pair(i) > pair(missed) ? i : missed;
        if (faults && n >= 22) planted.push_back({ProblemType::Missing, missed});
        if (!faults || n < 22) missed = n;
        const auto& titles = st.longTitles ? LongTitles() : ShortTitles();
        std::vector<Item> headings;  // in order, for the 目录
        std::vector<std::size_t> chapterItem(n);
        auto& items = book.items;
        auto heading = [&](std::u16string text, Level level) {
            items.push_back({Item::Heading, std::move(text), level});
            headings.push_back(items.back());
        };
        // Specials at the start and the end, in turn.
        if (si % 2 == 0) {
            heading(si % 4 == 0 ? u"楔子" : u"序章　缘起", Level::Special);
        } else {
            heading(si % 3 == 0 ? u"引子" : u"序", Level::Special);
        }
        items.push_back({Item::Paragraph, paragraphs[(si * 7) % paragraphs.size()]});
        for (std::size_t i = 0; i < n; ++i) {
            const auto& title = titles[(i + si) % titles.size()];
            std::u16string text = st.chapter(number[i], title, flip[i]);
            if (st.volumes != Style::None && i % st.volumeEvery == 0) {
                const long v = static_cast<long>(i / st.volumeEvery) + 1;
                if (st.volumes == Style::OwnLine) {
                    heading((v % 2 ? u"卷" + Chinese(v) : u"第" + Chinese(v) + u"卷") + u"　" +
                                ShortTitles()[v % ShortTitles().size()],
                            Level::Volume);
                } else if (st.volumes == Style::UpperLower && v <= 3) {
                    heading(std::u16string(1, u"上中下"[v - 1]) + u"卷", Level::Volume);
                }
            }
            if (st.volumes == Style::SameLine) {
                text = u"第" + Chinese(static_cast<long>(volumeOf(i)) + 1) + u"卷 " + text;
            }
            if (st.second && i >= 25 && (i - 25) % 7 == 0 && (i - 25) / 7 < 80)
                text = st.second(number[i], title);
            chapterItem[i] = items.size();
            if (i == missed) {
                items.push_back({Item::Missed, text + u"。"});
            } else {
                heading(std::move(text), Level::Chapter);
            }
            // A line that carries the numbering on right under a heading.
            if (i == 12) items.push_back({Item::Paragraph, Num(number[i] + 1, false) + u"多岁……"});
            for (const auto& p : chapters[i]) items.push_back({Item::Paragraph, p});
        }
        static const std::u16string kEnds[] = {u"尾声", u"番外一　海边", u"后记", u"完本感言",
                                               u"番外 第1章 海边"};
        heading(kEnds[si % 5], Level::Special);
        items.push_back({Item::Paragraph, paragraphs[(si * 11 + 3) % paragraphs.size()]});
        for (const auto& [type, i] : planted) book.faults.push_back({type, chapterItem[i]});
        // A 目录 block before the text in every third book.
        if (si % 3 == 0) {
            std::vector<Item> toc = {{Item::Paragraph, u"目录"}};
            for (const auto& h : headings) toc.push_back({Item::Toc, h.text, h.level});
            // Some put a blurb between the 目录 and the text.
            if (si % 6 == 3) toc.push_back({Item::Paragraph, paragraphs[si % paragraphs.size()]});
            const std::size_t shiftBy = toc.size();
            items.insert(items.begin(), toc.begin(), toc.end());
            for (auto& f : book.faults) f.item += shiftBy;
        }
        books.push_back(std::move(book));
    }
    return books;
}

const char* WrapName(Wrap w) {
    switch (w) {
        case Wrap::Chars30:
            return "30 字";
        case Wrap::Chars35:
            return "35 字";
        case Wrap::Chars40:
            return "40 字";
        case Wrap::Chars64:
            return "64 字";
        case Wrap::Bytes76:
            return "76 字节";
        case Wrap::Bytes80:
            return "80 字节";
        case Wrap::Ragged:
            return "网页参差";
        case Wrap::None:
            return "不折行";
    }
    return "";
}

Wrapped WrapBook(const Book& book, const Layout& layout, std::uint32_t seed) {
    Rng rng{seed * 2654435761u + 12345u};
    std::vector<std::u16string> lines;
    std::vector<bool> join;  // join[i]: line i joins line i + 1
    Wrapped w;
    auto push = [&](std::u16string line, bool joinsPrevious) {
        if (!lines.empty()) join.push_back(joinsPrevious);
        lines.push_back(std::move(line));
    };
    // A book that sets its headings apart with an empty line before them.
    const bool blankBeforeHeadings = (seed % 2) == 1;
    for (std::size_t k = 0; k < book.items.size(); ++k) {
        const Item& it = book.items[k];
        const bool inToc = it.kind == Item::Toc;
        const bool prevToc =
            k > 0 && (book.items[k - 1].kind == Item::Toc || book.items[k - 1].text == u"目录");
        if (k > 0 && !(inToc && prevToc)) {
            if (layout.blankLines || (blankBeforeHeadings && it.kind == Item::Heading)) {
                push(u"", false);
            }
        }
        w.itemLine.push_back(lines.size());
        if (it.kind != Item::Paragraph) {
            if (it.kind == Item::Heading) w.headingLines.push_back(lines.size());
            push(it.text, false);
            continue;
        }
        const std::u16string full = (layout.indent ? u"\u3000\u3000" : u"") + it.text;
        std::vector<std::u16string> pieces;
        switch (layout.wrap) {
            case Wrap::Chars30:
            case Wrap::Chars35:
            case Wrap::Chars40:
            case Wrap::Chars64: {
                const std::size_t W = layout.wrap == Wrap::Chars30   ? 30
                                      : layout.wrap == Wrap::Chars35 ? 35
                                      : layout.wrap == Wrap::Chars40 ? 40
                                                                     : 64;
                for (std::size_t i = 0; i < full.size(); i += W)
                    pieces.push_back(full.substr(i, W));
                break;
            }
            case Wrap::Bytes76:
            case Wrap::Bytes80: {
                const std::size_t B = layout.wrap == Wrap::Bytes76 ? 76 : 80;
                std::u16string cur;
                std::size_t width = 0;
                for (const char16_t c : full) {
                    const std::size_t cw = c < 0x80 ? 1 : 2;
                    if (width + cw > B) {
                        pieces.push_back(cur);
                        cur.clear();
                        width = 0;
                    }
                    cur += c;
                    width += cw;
                }
                if (!cur.empty()) pieces.push_back(cur);
                break;
            }
            case Wrap::Ragged: {
                std::size_t i = 0;
                while (i < full.size()) {
                    std::size_t len = 14 + rng.Below(33);
                    if (i + len < full.size() && rng.Below(10) < 4) {
                        // Web copies often break after a comma.
                        for (std::size_t back = 0; back < 6 && len > back + 4; ++back) {
                            if (full[i + len - back - 1] == u'，') {
                                len -= back;
                                break;
                            }
                        }
                    }
                    pieces.push_back(full.substr(i, len));
                    i += len;
                }
                break;
            }
            case Wrap::None:
                pieces.push_back(full);
                break;
        }
        for (std::size_t p = 0; p < pieces.size(); ++p) push(pieces[p], p > 0);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) w.text += u"\r\n";
        w.text += lines[i];
    }
    w.text += u"\r\n";
    join.push_back(false);  // the final break, before the empty last line
    w.join = std::move(join);
    return w;
}

Score Measure(const Book& book, const Layout& layout, std::uint32_t seed) {
    Score s;
    const Wrapped w = WrapBook(book, layout, seed);
    const auto plan = qm::reflow::Decide(w.text);
    s.breaks = w.join.size();
    for (std::size_t i = 0; i < w.join.size() && i < plan.breaks.size(); ++i) {
        s.right += ((plan.breaks[i] != qm::reflow::Break::Keep) == w.join[i]) ? 1 : 0;
    }
    s.headings = w.headingLines.size();
    for (const auto h : w.headingLines) {
        const bool before = h > 0 && plan.breaks[h - 1] != qm::reflow::Break::Keep;
        const bool after = h < plan.breaks.size() && plan.breaks[h] != qm::reflow::Break::Keep;
        s.glued += (before || after) ? 1 : 0;
    }
    auto visible = [](std::u16string_view t) {
        std::u16string v;
        for (const char16_t c : t) {
            if (!qm::novel::IsBlank(c) && c != u'\r' && c != u'\n') v += c;
        }
        return v;
    };
    const auto a = visible(w.text);
    const auto b = visible(qm::reflow::Apply(w.text, plan));
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) s.changed += a[i] != b[i];
    s.changed += std::max(a.size(), b.size()) - std::min(a.size(), b.size());

    const auto found = qm::chapters::Find(w.text);
    const std::set<std::size_t> truth(w.headingLines.begin(), w.headingLines.end());
    s.found = found.size();
    for (const auto& h : found) s.foundRight += truth.count(h.line);
    const auto problems = qm::chapters::Check(found, w.text);
    s.faults = book.faults.size();
    std::vector<bool> matched(problems.size(), false);
    for (const auto& f : book.faults) {
        const std::size_t line = w.itemLine[f.item];
        for (std::size_t k = 0; k < problems.size(); ++k) {
            if (!matched[k] && problems[k].type == f.type && problems[k].line == line) {
                matched[k] = true;
                s.faultsFound++;
                break;
            }
        }
    }
    for (const bool m : matched) s.falseReports += m ? 0 : 1;
    return s;
}

}  // namespace material
