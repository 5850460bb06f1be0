#include "core/novel/purge/Purge.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/search/Regex.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/Utf16.h"
#include "core/text/WholeNumber.h"

namespace qm::purge {

namespace {

using regex::Pattern;

// ---------------------------------------------------------------------------
// Characters

bool IsZeroWidth(char16_t c) { return text::kZeroWidths.Has(c); }

bool IsBlank(char16_t c) { return text::kPurgeBlanks.Has(c); }

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

bool IsAsciiAlnum(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// A surrogate counts: ad words in the extensions are words too.
bool IsHan(char16_t c) { return text::IsHan(c, text::HanUnits::WithSurrogates); }

// A character of a word: Chinese, a letter or a digit in any width. Anything
// else (punctuation, brackets, blanks) ends a clause for the purpose of
// taking ad words along with a hit.
bool IsWordChar(char16_t c) {
    if (IsHan(c) || IsAsciiAlnum(c)) return true;
    if (c >= 0xFF10 && c <= 0xFF19) return true;
    if ((c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) return true;
    if (c >= 0x0370 && c <= 0x04FF) return true;  // Greek and Cyrillic: ω, ѡ
    return false;
}

bool IsSoft(char16_t c) { return IsBlank(c) || IsZeroWidth(c); }

constexpr std::u16string_view kOpeners = u"([【〖〔［（{「『<＜〈";
constexpr std::u16string_view kClosers = u")]】〗〕］）}」』>＞〉";

// Chinese characters, the bulk of any text, are none of these: asked first.
bool IsOpener(char16_t c) {
    return !(c >= 0x3400 && c <= 0x9FFF) && kOpeners.find(c) != std::u16string_view::npos;
}
bool IsCloser(char16_t c) {
    return !(c >= 0x3400 && c <= 0x9FFF) && kClosers.find(c) != std::u16string_view::npos;
}
bool Pairs(char16_t open, char16_t close) {
    const std::size_t i = kOpeners.find(open);
    return i != std::u16string_view::npos && kClosers[i] == close;
}

constexpr std::u16string_view kSentenceEnd = u"。.！!？?…．";
constexpr std::u16string_view kClause = u"，,、；;：:|｜/／~～-—·－";
constexpr std::u16string_view kQuoteClose = u"”’」』";
constexpr std::u16string_view kWrap = u"—-~～|｜*＊=＝#＃·";

bool In(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

// ---------------------------------------------------------------------------
// The folded copy ("skeleton"): what an address or an ad phrase looks like
// with its disguises taken off. Every unit remembers the span of the original
// text it stands for.

struct Skeleton {
    std::u16string s;
    // Nearly every unit stands for the one unit of the original right after
    // the previous unit's: its place is implied. Only the others (after a
    // dropped zero-width character, a run of blanks, "(点)") are listed, so
    // the map costs next to nothing beside the text.
    struct Odd {
        std::uint32_t unit, from, to;
    };
    std::vector<Odd> odd;  // in unit order
    std::size_t n = 0;     // units written while folding
    std::size_t end = 0;   // original end of the last unit written

    // Room for every unit at once: folding writes by index, the hot loop of
    // a 10 MB text.
    void Reserve(std::size_t size) { s.resize(size); }
    void Put(char16_t c, std::size_t a, std::size_t b) {
        s[n] = c;
        if (a != end || b != a + 1)
            odd.push_back({static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(a),
                           static_cast<std::uint32_t>(b)});
        end = b;
        ++n;
    }
    // The last unit now stands for the original up to b.
    void Stretch(std::size_t b) {
        if (odd.empty() || odd.back().unit != n - 1)
            odd.push_back({static_cast<std::uint32_t>(n - 1), static_cast<std::uint32_t>(end - 1),
                           static_cast<std::uint32_t>(b)});
        odd.back().to = static_cast<std::uint32_t>(b);
        end = b;
    }
    void Finish() { s.resize(n); }  // not shrunk: a copy would double the peak
    // The listed unit at or before unit i, or null.
    const Odd* OddAtOrBefore(std::size_t i) const {
        const auto it = std::upper_bound(odd.begin(), odd.end(), i,
                                         [](std::size_t u, const Odd& o) { return u < o.unit; });
        return it == odd.begin() ? nullptr : &*std::prev(it);
    }
    // Original start and end of unit i.
    std::size_t From(std::size_t i) const {
        const Odd* o = OddAtOrBefore(i);
        if (!o) return i;
        return o->unit == i ? o->from : o->to + (i - o->unit - 1);
    }
    std::size_t To(std::size_t i) const {
        const Odd* o = OddAtOrBefore(i);
        if (o && o->unit == i) return o->to;
        return (o ? o->to + (i - o->unit - 1) : i) + 1;
    }
    // Skeleton index of the first unit at or after original offset o.
    std::size_t IndexOf(std::size_t o) const {
        std::size_t lo = 0, hi = s.size();
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (From(mid) < o) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    }
};

char16_t FoldUnit(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    switch (c) {
        case 0x03C9:  // ω
        case 0x03CE:  // ώ
        case 0x0461:  // ѡ
        case 0x0460:
        case 0x24E6:  // ⓦ
        case 0x0175:  // ŵ
        case 0x0174:
            return u'w';
        default:
            return c;
    }
}

// Stand-ins for a dot, turned into '.' only between letters or digits (so
// that 点 in 一点 or 。 ending a sentence stay what they are).
bool IsDotStandIn(char16_t c) {
    return c == u'点' || c == u'點' || c == 0x3002 || c == 0x00B7 || c == 0x30FB || c == 0x2022 ||
           c == 0xFF61;
}

Skeleton Fold(std::u16string_view text) {
    Skeleton k;
    k.Reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c >= 0x4E00 && c <= 0x9FFF && c != u'点' && c != u'點') {
            k.Put(c, i, i + 1);
            ++i;
            continue;
        }
        if (IsZeroWidth(c)) {
            ++i;
            continue;
        }
        if (IsBlank(c)) {
            if (k.n > 0 && k.s[k.n - 1] == u' ') {
                k.Stretch(i + 1);
            } else {
                k.Put(u' ', i, i + 1);
            }
            ++i;
            continue;
        }
        // (点) and its bracketed kin stand for one dot.
        if (IsOpener(c) && i + 2 < text.size() && (text[i + 1] == u'点' || text[i + 1] == u'點') &&
            IsCloser(text[i + 2])) {
            k.Put(u'点', i, i + 3);
            i += 3;
            continue;
        }
        const char16_t f = FoldUnit(c);
        k.Put(f, i, i + 1);
        ++i;
    }
    k.Finish();
    auto alnumAt = [&](std::size_t j) {
        return j < k.s.size() &&
               ((k.s[j] >= u'a' && k.s[j] <= u'z') || (k.s[j] >= u'0' && k.s[j] <= u'9'));
    };
    // Found again rather than listed while folding: a list would cost a
    // word for every 。 of the book.
    for (std::size_t j = 0; j < k.s.size(); ++j) {
        if (!IsDotStandIn(k.s[j])) continue;
        std::size_t p = j, n = j + 1;
        if (p > 0 && k.s[p - 1] == u' ') --p;
        if (n < k.s.size() && k.s[n] == u' ') ++n;
        if (p > 0 && alnumAt(p - 1) && alnumAt(n)) k.s[j] = u'.';
    }
    return k;
}

// ---------------------------------------------------------------------------
// Lines of the original text.

using text::Line;

std::size_t LineOf(const std::vector<Line>& lines, std::size_t offset) {
    const auto it = std::upper_bound(lines.begin(), lines.end(), offset,
                                     [](std::size_t o, const Line& l) { return o < l.start; });
    return static_cast<std::size_t>(it - lines.begin()) - 1;
}

// ---------------------------------------------------------------------------
// The built-in rules, as patterns over the skeleton.

// Letters of a word with an optional blank between them: "w w w" as "www".
std::u16string Spaced(std::u16string_view word) {
    std::u16string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (i > 0) out += u" ?";
        out += word[i];
    }
    return out;
}

std::u16string UrlPattern() {
    static constexpr std::u16string_view kTopLevel[] = {
        u"com", u"net", u"org", u"cn", u"cc", u"info", u"biz", u"me", u"la", u"tv", u"co", u"io",
        u"us", u"tw", u"hk", u"top", u"xyz", u"vip", u"club", u"site", u"online", u"wang", u"app",
        u"ink", u"pw", u"name", u"mobi", u"asia", u"live", u"shop", u"fun", u"icu", u"ren", u"ltd",
        u"work", u"cloud", u"tech", u"store", u"win", u"bid", u"cm", u"ws", u"ru", u"kr",
        // cheap and free domains the pirate sites move between
        u"so", u"pro", u"life", u"xin", u"kim", u"men", u"cx", u"ml", u"tk", u"ga", u"gq", u"cf",
        u"one", u"link", u"news", u"space", u"today", u"world", u"best", u"zone", u"cool", u"wiki",
        u"blog", u"website", u"host", u"city", u"de", u"uk", u"jp", u"eu", u"in"};
    std::u16string tld = u"(?:";
    for (std::size_t i = 0; i < std::size(kTopLevel); ++i) {
        if (i > 0) tld += u'|';
        tld += Spaced(kTopLevel[i]);
    }
    tld += u")(?![a-z0-9])";
    // A label: letters tight, or single letters with blanks between.
    const std::u16string label = u"(?:[a-z0-9][a-z0-9\\-]*|[a-z0-9](?: [a-z0-9\\-])+)";
    // A blank on both sides of a dot or none: "store. Me" in English prose is
    // no address.
    const std::u16string dot = u"(?:\\.| \\. | ?[(\\[]dot[)\\]] ?| dot )";
    const std::u16string scheme = u"(?:" + Spaced(u"http") + u" ?s? ?: ?/ ?/ ?)?";
    const std::u16string www = u"(?:" + Spaced(u"www") + u"|" + Spaced(u"wap") + u"|m)";
    const std::u16string path = u"(?::[0-9]{1,5})?(?:/[a-z0-9_\\-./?=&%#~+]*)?";
    return u"(?<![a-z0-9\\-])" + scheme + u"(?:" +
           // www.<Chinese name>.com, as some sites spell themselves
           www + dot + u"\\p{Han}{1,12}" + dot + tld + u"|" +
           // any host name ending in a known top-level domain
           u"(?:" + label + dot + u")+" + tld + u")" + path;
}

struct BuiltInRule {
    std::u16string_view name;
    std::u16string pattern;
};

std::vector<BuiltInRule> BuiltInRules() {
    // Each needs words only an ad uses together; a single word never does.
    return {
        {u"网址", UrlPattern()},
        {u"翻页提示",
         u"本章(?:未完|没完|尚未完结?)[^\\r\\n]{0,16}?(?:翻页|下一页|继续阅读|后面精彩|精彩内容)|"
         u"(?:请|点击)(?:翻页|下一页)(?:继续)?阅读"},
        {u"记住网址",
         u"天才[一1]秒记住|[一1]秒记住(?=[:【\\[《(「 ]|本站|网址|域名|地址)|"
         u"请?记住本(?:站|书)的?(?:首发|最新)?(?:网址|域名|地址)"},
        {u"最新章节",
         u"(?:最新|最快)章节(?:请|尽在|就上|首发|[,: ]?请?(?:访问|到|上)[^\\r\\n]{0,2}?(?=[a-z]))|"
         u"最快更新[^\\r\\n]{0,4}?(?:无错|无弹窗|全文字|请|访问|首发|就上)|"
         u"最快更新[^\\r\\n,。!]{0,20}?最新章节"},
        {u"未完待续", u"\\(未完待续[^\\r\\n)]{0,100}\\)"},
        {u"无弹窗",
         u"无弹窗(?:广告)?|(?:全文字|无错)(?:版|首发|更新|阅读|小说)|无广告(?:阅读|小说|版)"},
        {u"手机阅读",
         u"手机(?:用户|阅读|版)[,: ]?请(?:访问|登录|登陆|浏览|到|上|点击)|"
         u"(?:手机|移动)(?:用户)?(?:阅读|访问)[^\\r\\n]{0,4}(?=(?:m|wap) ?\\.)"},
        {u"整理声明",
         u"本书由[^\\r\\n,，。]{0,12}?(?:网|站|论坛|书友|小说|txt|[a-z]{3})[^\\r\\n,，。]{0,8}?"
         u"(?:整理|提供|收集|首发|上传|制作|发布)|"
         // any name, when what follows is the ad's own tail
         u"本书由[^\\r\\n,，。]{1,12}?(?:整理|提供|收集|首发|上传|制作|发布)"
         u"(?=[,。 ]?(?:更多|请|欢迎|txt|下载|访问|仅供|版权|[a-z]))"},
        {u"更多小说",
         u"更多(?:精彩|好看|免费|最新)?(?:小说|好书|txt|电子书)[^\\r\\n。]{0,6}?"
         u"(?:请访问|尽在|请到|请上|下载|请关注|访问)"},
        {u"搜索提示",
         u"(?:百度|谷歌|搜狗|google|baidu)(?:搜索|一下)[^\\r\\n。,]{1,20}?"
         u"(?:最新章节|阅读|免费|小说网|首发|全文|就能|即可)"},
        {u"下载提示", u"(?:txt|电子书)(?:全集)?(?:免费)?下载(?:地址|网址)?"},
        {u"站名",
         u"[(\\[【〖〔「][ "
         u"]?[^\\r\\n)\\]】〗〕」]{0,12}?(?:小说网|中文网|文学网|书网|读书网|看书网|"
         u"小说阁|趣阁|小说吧|文学城|小说站)[ ]?[)\\]】〗〕」]"},
        {u"收藏本站",
         u"(?:请|欢迎)?收藏本站|(?:欢迎|请)(?:广大)?书友们?(?:光临|访问|收藏)|"
         u"喜欢[^\\r\\n,。]{1,20}?请大家收藏(?=[:(\\[【 ]|本站|网址)|加入书签[,， "
         u"]?方便(?:阅读|下次)"},
        {u"站点口号",
         u"(?:小说|章节|本站|文字|无错)更新(?:速度)?最快|更新速度(?:全网)?最快|为您提供(?:精彩|"
         u"最新|免费|"
         u"优质)?(?:小说|好书|章节)|"
         u"长时间阅读请注意眼睛的休息|章节错误[,， ]?点此举报|(?:上一章|上一页)[^\\r\\n]{0,12}?"
         u"(?:目录|书页)[^\\r\\n]{0,12}?(?:下一章|下一页)"},
    };
}

struct CompiledBuiltIn {
    std::u16string name;
    Pattern pattern;
    RuleKind kind;
};

const std::vector<CompiledBuiltIn>& CompiledBuiltIns() {
    static const std::vector<CompiledBuiltIn> rules = [] {
        std::vector<CompiledBuiltIn> out;
        for (const BuiltInRule& r : BuiltInRules()) {
            auto compiled = Pattern::Compile(r.pattern, {});
            // The patterns are the program's own; one that fails is a bug the
            // tests catch, and the others still work.
            if (auto* p = std::get_if<Pattern>(&compiled))
                out.push_back({std::u16string(r.name), std::move(*p),
                               r.name == u"网址" ? RuleKind::Url : RuleKind::BuiltIn});
        }
        return out;
    }();
    return rules;
}

// The phrases (all but the address) as one pattern: one pass over the text
// instead of one each; each match is then given to the rule that takes it.
const Pattern* AnyPhrase() {
    static const std::optional<Pattern> any = []() -> std::optional<Pattern> {
        std::u16string all;
        for (const BuiltInRule& r : BuiltInRules()) {
            if (r.name == u"网址") continue;
            if (!all.empty()) all += u'|';
            all += u"(?:" + r.pattern + u")";
        }
        // Every phrase starts with one of these: a cheap test that lets the
        // scan pass over the bulk of the text, which PCRE2 cannot do by
        // itself for Chinese first characters. (A rule starting with another
        // character must add it here.)
        const std::u16string first =
            u"(?=[本请点天一1记最无全手移更百谷搜gbt电(\\[【〖〔「欢收喜加小章文为长上])";
        auto compiled = Pattern::Compile(first + u"(?:" + all + u")", {});
        if (auto* p = std::get_if<Pattern>(&compiled)) return std::move(*p);
        return std::nullopt;
    }();
    return any ? &*any : nullptr;
}

// Words that ads wrap around their core ("最新章节请访问", "无弹窗广告",
// "手机用户请到"). They go with a hit, never make one.
constexpr std::u16string_view kGlue[] = {
    u"请",    u"您",   u"访问", u"登录", u"登陆",   u"浏览", u"打开",   u"输入", u"网址",   u"地址",
    u"域名",  u"阅读", u"在线", u"手机", u"用户",   u"电脑", u"版",     u"就上", u"尽在",   u"首发",
    u"更新",  u"最快", u"最新", u"章节", u"全文字", u"全文", u"本站",   u"小说", u"广告",   u"欢迎",
    u"光临",  u"免费", u"下载", u"txt",  u"电子书", u"百度", u"搜索",   u"收藏", u"更多",   u"精彩",
    u"好看",  u"本书", u"整理", u"提供", u"发布",   u"记住", u"一秒",   u"天才", u"无弹窗", u"无错",
    u"手打",  u"备用", u"永久", u"点击", u"书友",   u"快",   u"看",     u"就到", u"到",     u"上",
    u"的",    u"网",   u"站",   u"无",   u"最",     u"新",   u"享受",   u"体验", u"推荐",   u"精品",
    u"好书",  u"书",   u"地",   u"址",   u"吧",     u"和",   u"与",     u"章",   u"继续",   u"后面",
    u"内容",  u"仅供", u"交流", u"学习", u"更",     u"优质", u"舒适",   u"为您", u"牢记",   u"谨记",
    u"举报",  u"书签", u"方便", u"目录", u"大家",   u"速度", u"请牢记", u"网友", u"提示",   u"注册",
    u"免注册"};

bool IsGluePunct(char16_t c) {
    return c == u' ' || c == u':' || c == u',' || c == u'!' || c == u'~' || c == u'-' ||
           c == u'|' || c == u'/' || c == u'.' || c == u'。' || c == u'、' || c == u';' ||
           c == 0x00B7 || c == u'—' || c == u'(' || c == u')' || c == u'[' || c == u']' ||
           c == u'【' || c == u'】';
}

// Length of the longest glue word ending at p (backward) or starting at p.
std::size_t GlueBefore(std::u16string_view s, std::size_t p) {
    if (p == 0) return 0;
    if (IsGluePunct(s[p - 1])) return 1;
    std::size_t best = 0;
    for (const auto w : kGlue)
        if (w.size() <= p && w.size() > best && s.substr(p - w.size(), w.size()) == w)
            best = w.size();
    return best;
}

std::size_t GlueAfter(std::u16string_view s, std::size_t p) {
    if (p >= s.size()) return 0;
    if (IsGluePunct(s[p])) return 1;
    std::size_t best = 0;
    for (const auto w : kGlue)
        if (w.size() > best && s.substr(p, w.size()) == w) best = w.size();
    return best;
}

bool SkWord(char16_t c) { return IsWordChar(c); }

// Site names beside an address: 笔趣阁, 某某小说网, 顶点小说.
constexpr std::u16string_view kSiteSuffix[] = {u"小说网", u"中文网", u"文学网", u"书网", u"小说",
                                               u"文学",   u"书屋",   u"书阁",   u"书城", u"书吧",
                                               u"趣阁",   u"网",     u"阁",     u"站"};

// ---------------------------------------------------------------------------

struct Token {
    std::size_t start = 0;  // skeleton units
    std::size_t end = 0;
    RuleKind kind = RuleKind::BuiltIn;
    std::u16string rule;
};

struct Segment {
    std::size_t start = 0;  // original units
    std::size_t end = 0;
    RuleKind kind = RuleKind::BuiltIn;
    std::u16string rule;
};

}  // namespace

// ---------------------------------------------------------------------------
// The user's list

struct UserRules::Compiled {
    struct Phrase {
        Pattern pattern;  // over the skeleton
        std::u16string name;
    };
    struct Expr {
        Pattern pattern;
        std::u16string name;
    };
    std::vector<Phrase> phrases;
    std::vector<Expr> exprs;
};

UserRules::UserRules() : rules_(std::make_unique<Compiled>()) {}
UserRules::UserRules(UserRules&&) noexcept = default;
UserRules& UserRules::operator=(UserRules&&) noexcept = default;
UserRules::~UserRules() = default;

std::size_t UserRules::Size() const { return rules_->phrases.size() + rules_->exprs.size(); }

namespace {

std::size_t WordChars(std::u16string_view s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), IsWordChar));
}

}  // namespace

UserRules UserRules::Parse(std::u16string_view listText) {
    UserRules r;
    const std::vector<Line> lines = text::SplitLines(listText);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::u16string_view line =
            text::Strip(listText.substr(lines[n].start, lines[n].length), text::kPurgeTrimmed);
        if (line.empty() || line.front() == u'#') continue;
        auto fail = [&](std::u16string reason) { r.errors_.push_back({n, std::move(reason)}); };
        const bool isRegex = line.starts_with(u"正则:") || line.starts_with(u"正则：");
        if (isRegex) {
            const std::u16string_view body = line.substr(3);
            if (text::Strip(body, text::kPurgeTrimmed).empty()) {
                fail(u"“正则:”后面没有表达式");
                continue;
            }
            regex::Options ro;
            ro.multiLine = true;  // ^ and $ at every line, as users expect
            auto compiled = Pattern::Compile(body, ro);
            if (auto* e = std::get_if<regex::CompileError>(&compiled)) {
                fail(u"正则表达式有误（第" +
                     text::WholeNumberText(static_cast<std::int64_t>(e->offset) + 1) +
                     u"个字符）：" + e->message);
                continue;
            }
            Pattern& p = std::get<Pattern>(compiled);
            // A pattern that takes nothing would hit every position of the text.
            const regex::Found probe = p.FindAll(u"", 1, std::chrono::milliseconds(100));
            if (!probe.matches.empty()) {
                fail(u"正则表达式能匹配空文本，会命中每一处");
                continue;
            }
            if (body.find(u"\\n") != std::u16string_view::npos ||
                body.find(u"\\r") != std::u16string_view::npos) {
                fail(u"规则只在一行之内查找，不能含换行符");
                continue;
            }
            r.rules_->exprs.push_back({std::move(p), std::u16string(line)});
            continue;
        }
        // A phrase: folded as the text is, so that it sees through the same disguises.
        const Skeleton k = Fold(line);
        if (WordChars(k.s) < 2) {
            fail(u"短语太短：至少要有两个字，否则会删掉正文");
            continue;
        }
        // Literal characters, with a blank allowed between any two of them.
        std::u16string pattern;
        for (const char16_t c : k.s) {
            if (c == u' ') continue;
            if (!pattern.empty()) pattern += u" ?";
            if (c < 0x80 && !IsAsciiAlnum(c)) pattern += u'\\';
            pattern += c;
        }
        auto compiled = Pattern::Compile(pattern, {});
        if (auto* e = std::get_if<regex::CompileError>(&compiled)) {
            fail(u"短语无法使用：" + e->message);
            continue;
        }
        r.rules_->phrases.push_back({std::move(std::get<Pattern>(compiled)), std::u16string(line)});
    }
    return r;
}

// ---------------------------------------------------------------------------
// Finding

namespace {

class Finder {
  public:
    Finder(std::u16string_view text, const Options& options)
        : text_(text), options_(options), lines_(text::SplitLines(text)), k_(Fold(text)) {
        skLineStarts_.reserve(lines_.size());
        skLineStarts_.push_back(0);
        for (std::size_t i = 0; i < k_.s.size(); ++i) {
            if (!IsBreak(k_.s[i])) continue;
            if (k_.s[i] == u'\r' && i + 1 < k_.s.size() && k_.s[i + 1] == u'\n') ++i;
            skLineStarts_.push_back(i + 1);
        }
    }

    Found Run() {
        if (options_.builtIn) CollectBuiltIn();
        if (options_.user) CollectUser(*options_.user);
        std::sort(tokens_.begin(), tokens_.end(),
                  [](const Token& a, const Token& b) { return a.start < b.start; });
        BuildHits();
        if (options_.frequency) CollectFrequent();
        MergeOverlaps();
        return std::move(found_);
    }

  private:
    void CollectBuiltIn() {
        const auto budget = std::chrono::milliseconds(60000);
        const std::vector<CompiledBuiltIn>& rules = CompiledBuiltIns();
        for (const CompiledBuiltIn& r : rules) {
            if (r.kind != RuleKind::Url) continue;
            for (const regex::Span& m : r.pattern.FindAll(k_.s, SIZE_MAX, budget).matches)
                if (m.length > 0) tokens_.push_back({m.start, m.start + m.length, r.kind, r.name});
        }
        const Pattern* any = AnyPhrase();
        if (!any) return;
        for (const regex::Span& m : any->FindAll(k_.s, SIZE_MAX, budget).matches) {
            if (m.length == 0) continue;
            // The rule that matches at the same place, on the rest of the line.
            std::size_t lineEnd = m.start + m.length;
            while (lineEnd < k_.s.size() && !IsBreak(k_.s[lineEnd])) ++lineEnd;
            const std::u16string_view rest =
                std::u16string_view(k_.s).substr(m.start, lineEnd - m.start);
            for (const CompiledBuiltIn& r : rules) {
                if (r.kind == RuleKind::Url) continue;
                const regex::Found one = r.pattern.FindAll(rest, 1, budget);
                if (!one.matches.empty() && one.matches[0].start == 0) {
                    tokens_.push_back({m.start, m.start + one.matches[0].length, r.kind, r.name});
                    break;
                }
            }
        }
    }

    void CollectUser(const UserRules& user) {
        const UserRules::Compiled& c = user.Rules();
        for (const auto& p : c.phrases) {
            const regex::Found f =
                p.pattern.FindAll(k_.s, SIZE_MAX, std::chrono::milliseconds(60000));
            for (const regex::Span& m : f.matches)
                tokens_.push_back({m.start, m.start + m.length, RuleKind::User, p.name});
        }
        for (const auto& e : c.exprs) {
            const regex::Found f = e.pattern.FindAll(text_, SIZE_MAX, options_.budget);
            if (f.stop != regex::Stop::End)
                found_.warnings.push_back(u"规则“" + e.name + u"”" +
                                          (f.stop == regex::Stop::TimeOut
                                               ? u"超时，只查了一部分"
                                               : u"回溯过多被中止，只查了一部分"));
            for (const regex::Span& m : f.matches) {
                if (m.length == 0) continue;
                const std::u16string_view piece = text_.substr(m.start, m.length);
                if (std::any_of(piece.begin(), piece.end(), IsBreak)) continue;
                const std::size_t a = k_.IndexOf(m.start), b = k_.IndexOf(m.start + m.length);
                if (b > a) tokens_.push_back({a, b, RuleKind::User, e.name});
            }
        }
    }

    // Skeleton bounds of the line holding skeleton unit i.
    // (Looked up, not scanned for: a text without line breaks may hold
    // thousands of hits on its one line.)
    std::pair<std::size_t, std::size_t> SkLine(std::size_t i) const {
        const auto it = std::upper_bound(skLineStarts_.begin(), skLineStarts_.end(), i);
        const std::size_t a = *std::prev(it);
        std::size_t b = it == skLineStarts_.end() ? k_.s.size() : *it;
        while (b > a && IsBreak(k_.s[b - 1])) --b;
        return {a, b};
    }

    // Ad words before a core at p, taken back to a clause boundary: all of
    // them when they reach one, else those after the last punctuation in
    // them, else none ("他拿起手机阅读www…" keeps 手机阅读).
    std::size_t ExtendLeft(std::size_t p, std::size_t lineStart) const {
        std::size_t q = p;
        while (q > lineStart) {
            const std::size_t n = GlueBefore(k_.s, q);
            if (n == 0 || q - n < lineStart) break;
            q -= n;
        }
        std::size_t take = p;
        if (q == lineStart || !SkWord(k_.s[q - 1])) {
            take = q;
        } else {
            for (std::size_t j = p; j > q; --j)
                if (!SkWord(k_.s[j - 1])) {
                    take = j;
                    break;
                }
        }
        while (take < p && !SkWord(k_.s[take])) ++take;  // punctuation stays outside
        return take;
    }

    std::size_t ExtendRight(std::size_t p, std::size_t lineEnd) const {
        std::size_t q = p;
        while (q < lineEnd) {
            const std::size_t n = GlueAfter(k_.s, q);
            if (n == 0 || q + n > lineEnd) break;
            q += n;
        }
        std::size_t take = p;
        if (q == lineEnd || !SkWord(k_.s[q])) {
            take = q;
        } else {
            for (std::size_t j = p; j < q; ++j)
                if (!SkWord(k_.s[j])) {
                    take = j;
                    break;
                }
        }
        while (take > p && !SkWord(k_.s[take - 1])) --take;
        return take;
    }

    // Glue only between a and b?
    bool GlueBetween(std::size_t a, std::size_t b) const {
        std::size_t q = a;
        while (q < b) {
            const std::size_t n = GlueAfter(k_.s, q);
            if (n == 0) return false;
            q += n;
        }
        return true;
    }

    // A site name ending right before skeleton unit p (a blank allowed),
    // starting at a boundary; its start, or p.
    std::size_t SiteNameBefore(std::size_t p, std::size_t lineStart) const {
        std::size_t e = p;
        if (e > lineStart && k_.s[e - 1] == u' ') --e;
        for (const auto suf : kSiteSuffix) {
            if (e - lineStart < suf.size() || k_.s.substr(e - suf.size(), suf.size()) != suf)
                continue;
            std::size_t s = e - suf.size();
            std::size_t n = 0;
            while (s > lineStart && SkWord(k_.s[s - 1]) && n < 8) {
                --s;
                ++n;
            }
            if (s == lineStart || !SkWord(k_.s[s - 1])) return s;
        }
        return p;
    }

    std::size_t SiteNameAfter(std::size_t p, std::size_t lineEnd) const {
        std::size_t s = p;
        if (s < lineEnd && k_.s[s] == u' ') ++s;
        std::size_t e = s;
        while (e < lineEnd && SkWord(k_.s[e]) && e - s < 12) ++e;
        if (e < lineEnd && SkWord(k_.s[e])) return p;
        for (const auto suf : kSiteSuffix)
            if (e - s > suf.size() && k_.s.substr(e - suf.size(), suf.size()) == suf) return e;
        return p;
    }

    // Original [a, b) grown by the brackets right around it (blanks allowed
    // inside); true when there were some.
    bool TakeBrackets(std::size_t& a, std::size_t& b, const Line& line) const {
        std::size_t x = a, y = b;
        while (x > line.start && IsSoft(text_[x - 1])) --x;
        while (y < line.End() && IsSoft(text_[y])) ++y;
        if (x > line.start && y < line.End() && Pairs(text_[x - 1], text_[y])) {
            a = x - 1;
            b = y + 1;
            return true;
        }
        return false;
    }

    // Nothing but blanks and punctuation in the line outside the segments?
    bool CoversLine(const Line& line, const std::vector<Segment>& segs) const {
        std::size_t at = line.start;
        for (const Segment& s : segs) {
            for (std::size_t i = at; i < s.start; ++i)
                if (IsWordChar(text_[i])) return false;
            at = std::max(at, s.end);
        }
        for (std::size_t i = at; i < line.End(); ++i)
            if (IsWordChar(text_[i])) return false;
        return true;
    }

    // A line of marks with only names around them: the words outside are
    // a site's name (笔趣阁, 某某小说网), an address without its dots
    // (630bookla) or, beside two or more marks, a few words of a book's
    // title ("喜欢某书请大家收藏：(m.xx.com)某书更新速度全网最快。"). Prose
    // never holds two marks, nor one with nothing but names around it.
    bool AdDense(const Line& line, const std::vector<Segment>& segs) const {
        std::size_t marked = 0, rest = 0, at = line.start;
        auto outside = [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to;) {
                if (!IsWordChar(text_[i])) {
                    ++i;
                    continue;
                }
                std::size_t j = i;
                bool latin = true;
                while (j < to && IsWordChar(text_[j])) {
                    latin = latin && !IsHan(text_[j]);
                    ++j;
                }
                const std::u16string_view word = text_.substr(i, j - i);
                bool site = false;
                for (const auto suf : kSiteSuffix)
                    site = site ||
                           (word.size() <= 10 && word.size() > suf.size() && word.ends_with(suf));
                if (!latin && !site) rest += j - i;
                i = j;
            }
        };
        for (const Segment& s : segs) {
            outside(at, std::max(at, s.start));
            for (std::size_t i = std::max(at, s.start); i < s.end; ++i)
                marked += IsWordChar(text_[i]);
            at = std::max(at, s.end);
        }
        outside(at, line.End());
        if (segs.size() == 1) return rest == 0;
        return rest <= 12 && rest * 2 <= marked;
    }

    void AddWholeLine(std::size_t n, RuleKind kind, const std::u16string& rule) {
        const Line& l = lines_[n];
        Hit h;
        h.line = n;
        h.text = std::u16string(text_.substr(l.start, l.length));
        h.kind = kind;
        h.rule = rule;
        h.wholeLine = true;
        if (l.Next() > l.End() || n == 0) {
            h.start = l.start;
            h.length = l.Next() - l.start;
        } else {
            // The last line, without a break of its own: the break before it goes.
            h.start = lines_[n - 1].End();
            h.length = l.End() - h.start;
        }
        found_.hits.push_back(std::move(h));
        lineTaken_[n] = true;
        lineHit_[n] = true;
    }

    // A fragment with its own separators: blanks around it, and one
    // punctuation mark on the side that leaves the sentence whole.
    void AddFragment(std::size_t n, Segment s) {
        const Line& l = lines_[n];
        std::size_t a = s.start, b = s.end;
        std::size_t x = a;
        while (x > l.start && IsSoft(text_[x - 1])) --x;
        if (x > l.start) a = x;  // the paragraph's indent stays
        while (b < l.End() && IsSoft(text_[b])) ++b;
        const std::optional<char16_t> left =
            a > l.start ? std::optional<char16_t>(text_[a - 1]) : std::nullopt;
        const std::optional<char16_t> right =
            b < l.End() ? std::optional<char16_t>(text_[b]) : std::nullopt;
        // Only the indent before it: as good as the start of the line.
        bool atStart = !left;
        if (left && IsSoft(*left)) {
            std::size_t i = a;
            while (i > l.start && IsSoft(text_[i - 1])) --i;
            atStart = i == l.start;
        }
        auto punct = [](std::optional<char16_t> c) {
            return c && (In(kSentenceEnd, *c) || In(kClause, *c));
        };
        const bool leftEnds =
            left && (In(kSentenceEnd, *left) || In(kQuoteClose, *left) || IsCloser(*left));
        const bool leftClause = left && In(kClause, *left);
        // A separator is taken as the run it is ("——", "……", "||").
        auto takeRight = [&] {
            const char16_t c = text_[b];
            while (b < l.End() && text_[b] == c) ++b;
            while (b < l.End() && IsSoft(text_[b])) ++b;
        };
        auto takeLeft = [&] {
            const char16_t c = text_[a - 1];
            while (a > l.start && text_[a - 1] == c) --a;
        };
        // Wrapped in the same marks on both sides ("——…——", "|…|", "~…~"):
        // both are the fragment's own.
        const bool wrapped = left && right && *left == *right && In(kWrap, *left);
        if (wrapped) {
            takeLeft();
            takeRight();
        } else if (punct(right) && (atStart || leftEnds)) {
            takeRight();
        } else if (leftClause && right && In(kSentenceEnd, *right)) {
            takeLeft();
        } else if (leftClause && punct(right)) {
            takeRight();
        } else if (leftClause && !right) {
            takeLeft();
        }
        Hit h;
        h.line = n;
        h.start = a;
        h.length = b - a;
        h.text = std::u16string(text_.substr(a, b - a));
        h.kind = s.kind;
        h.rule = std::move(s.rule);
        found_.hits.push_back(std::move(h));
        lineHit_[n] = true;
    }

    void BuildHits() {
        lineTaken_.assign(lines_.size(), false);
        lineHit_.assign(lines_.size(), false);
        std::size_t t = 0;
        while (t < tokens_.size()) {
            const auto [ls, le] = SkLine(tokens_[t].start);
            // The tokens of this line, merged where only ad words lie between.
            std::vector<std::pair<std::size_t, std::size_t>> spans;
            std::vector<const Token*> firsts;
            for (; t < tokens_.size() && tokens_[t].start < le; ++t) {
                const Token& tk = tokens_[t];
                const std::size_t e = std::min(tk.end, le);
                if (!spans.empty() && (tk.start <= spans.back().second ||
                                       GlueBetween(spans.back().second, tk.start))) {
                    spans.back().second = std::max(spans.back().second, e);
                } else {
                    spans.push_back({tk.start, e});
                    firsts.push_back(&tk);
                }
            }
            const std::size_t n = LineOf(lines_, k_.From(ls));
            const Line& line = lines_[n];
            std::vector<Segment> segs;
            std::vector<std::pair<std::size_t, std::size_t>> named;  // with site names
            for (std::size_t i = 0; i < spans.size(); ++i) {
                std::size_t s = ExtendLeft(spans[i].first, ls);
                std::size_t e = ExtendRight(spans[i].second, le);
                if (i > 0) s = std::max(s, spans[i - 1].second);
                Segment seg{k_.From(s), k_.To(e - 1), firsts[i]->kind, firsts[i]->rule};
                // A site name beside it goes too, when that makes a bracket or
                // the whole line: alone in prose it may be a real word.
                const std::size_t ns = SiteNameBefore(s, ls), ne = SiteNameAfter(e, le);
                Segment wide = seg;
                wide.start = k_.From(ns);
                wide.end = k_.To(ne - 1);
                std::size_t a = wide.start, b = wide.end;
                if ((ns != s || ne != e) && TakeBrackets(a, b, line)) {
                    seg.start = a;
                    seg.end = b;
                } else {
                    TakeBrackets(seg.start, seg.end, line);
                }
                segs.push_back(seg);
                named.push_back({wide.start, wide.end});
            }
            if (CoversLine(line, segs)) {
                AddWholeLine(n, segs.front().kind, segs.front().rule);
                continue;
            }
            std::vector<Segment> wide = segs;
            for (std::size_t i = 0; i < wide.size(); ++i) {
                wide[i].start = std::min(wide[i].start, named[i].first);
                wide[i].end = std::max(wide[i].end, named[i].second);
            }
            if (CoversLine(line, wide) || AdDense(line, wide)) {
                AddWholeLine(n, segs.front().kind, segs.front().rule);
                continue;
            }
            std::size_t lastEnd = line.start;
            for (Segment& s : segs) {
                if (s.start < lastEnd) s.start = lastEnd;
                if (s.end <= s.start) continue;
                lastEnd = s.end;
                AddFragment(n, s);
            }
        }
        MergeOverlaps();
    }

    // Hits in text order, none overlapping: fragments of one line may touch
    // once their separators grew, and are then one hit.
    void MergeOverlaps() {
        std::sort(found_.hits.begin(), found_.hits.end(),
                  [](const Hit& a, const Hit& b) { return a.start < b.start; });
        std::vector<Hit> kept;
        for (Hit& h : found_.hits) {
            if (!kept.empty() && h.start < kept.back().start + kept.back().length) {
                Hit& k = kept.back();
                if (k.wholeLine && h.wholeLine) {
                    // The last line, whose hit took the break before it, after
                    // a line that goes with its own break: each stays a hit of
                    // its own, the last now without a break.
                    const std::size_t end = h.start + h.length;
                    h.start = k.start + k.length;
                    h.length = end - h.start;
                    kept.push_back(std::move(h));
                    continue;
                }
                const std::size_t end = std::max(k.start + k.length, h.start + h.length);
                k.length = end - k.start;
                if (!k.wholeLine) k.text = std::u16string(text_.substr(k.start, k.length));
                continue;
            }
            kept.push_back(std::move(h));
        }
        found_.hits = std::move(kept);
    }

    // --- The frequency rule

    static bool HasSiteWord(std::u16string_view s) {
        static constexpr std::u16string_view kWords[] = {
            u"网",   u"站",  u"阅读", u"小说", u"章节", u"更新", u"首发", u"收藏",
            u"推荐", u"txt", u"下载", u"记住", u"访问", u"手机", u"书友", u"整理"};
        for (const auto w : kWords)
            if (s.find(w) != std::u16string_view::npos) return true;
        return false;
    }

    // Not prose: a clause break inside it ("，" "。" "！" before its end)
    // says a sentence, which a watermark never is; then a bracket of its
    // own, letters among the Chinese, or site words in a line
    // without any sentence mark tell a mark.
    static bool NotProse(std::u16string_view folded) {
        std::u16string_view inner = folded;
        if (inner.size() >= 2 && Pairs(inner.front(), inner.back()))
            inner = inner.substr(1, inner.size() - 2);
        while (!inner.empty() && In(u"。！？!?…", inner.back())) inner.remove_suffix(1);
        if (std::any_of(inner.begin(), inner.end(),
                        [](char16_t c) { return In(u"。！？!?，,；;…", c); }))
            return false;
        // An editor's apparatus repeats in every chapter too: 【注释】, （注1）.
        static constexpr std::u16string_view kEditorial[] = {
            u"注", u"释", u"按", u"校", u"译", u"原文", u"评", u"批", u"题解", u"赏析", u"出处"};
        for (const auto w : kEditorial)
            if (inner.starts_with(w)) return false;
        if (folded.size() >= 2 && Pairs(folded.front(), folded.back())) return true;
        // Letters, not digits: "第 12345 号文件" or a date may be a line of prose.
        const bool latin = std::any_of(folded.begin(), folded.end(),
                                       [](char16_t c) { return c >= u'a' && c <= u'z'; });
        const bool han = std::any_of(folded.begin(), folded.end(), IsHan);
        // Site words alone make a mark only without any sentence mark at all.
        return (latin && han) || (inner.size() == folded.size() && HasSiteWord(folded));
    }

    // A line judged without its bracketed asides, which the bracket rule
    // weighs on their own: "求收藏〔书友群12345〕再会。" is prose around a mark.
    static std::u16string WithoutBrackets(std::u16string_view s) {
        if (s.size() >= 2 && Pairs(s.front(), s.back())) return std::u16string(s);
        std::u16string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (IsOpener(s[i])) {
                const std::size_t j = s.find(kClosers[kOpeners.find(s[i])], i + 1);
                if (j != std::u16string_view::npos) {
                    i = j;
                    continue;
                }
            }
            out += s[i];
        }
        return out;
    }

    struct Place {
        std::size_t line;
        std::size_t start;  // original
        std::size_t end;
    };

    std::u16string FoldedPiece(std::size_t a, std::size_t b) const {
        const std::size_t x = k_.IndexOf(a), y = k_.IndexOf(b);
        return std::u16string(
            text::Strip(std::u16string_view(k_.s).substr(x, y - x), text::kPurgeTrimmed));
    }

    // Places far enough apart to count as different chapters.
    std::size_t Spread(const std::vector<Place>& places) const {
        if (!options_.chapterLines.empty()) {
            std::vector<std::size_t> chapters;
            for (const Place& p : places)
                chapters.push_back(
                    static_cast<std::size_t>(std::upper_bound(options_.chapterLines.begin(),
                                                              options_.chapterLines.end(), p.line) -
                                             options_.chapterLines.begin()));
            chapters.erase(std::unique(chapters.begin(), chapters.end()), chapters.end());
            return chapters.size();
        }
        constexpr std::size_t kApart = 500;  // units: less than the shortest chapter
        std::size_t count = 0, last = 0;
        for (const Place& p : places)
            if (count == 0 || p.start >= last + kApart) {
                ++count;
                last = p.start;
            }
        return count;
    }

    void CollectFrequent() {
        constexpr std::size_t kMaxLength = 40, kMinSpread = 4;
        std::unordered_map<std::u16string, std::vector<Place>> lines, brackets;
        std::vector<bool> heading(lines_.size(), false);
        for (const std::size_t h : options_.chapterLines)
            if (h < lines_.size()) heading[h] = true;
        for (std::size_t n = 0; n < lines_.size(); ++n) {
            if (lineTaken_[n] || heading[n]) continue;
            const Line& l = lines_[n];
            const bool free = !lineHit_[n];
            const std::u16string_view whole = text_.substr(l.start, l.length);
            const std::u16string_view trimmed = text::Strip(whole, text::kPurgeTrimmed);
            if (free && trimmed.size() >= 2 && trimmed.size() <= kMaxLength &&
                WordChars(trimmed) >= 2) {
                lines[FoldedPiece(l.start, l.End())].push_back({n, l.start, l.End()});
            }
            // Brackets inside longer lines.
            for (std::size_t i = l.start; i < l.End(); ++i) {
                if (!IsOpener(text_[i])) continue;
                for (std::size_t j = i + 1; j < l.End() && j - i <= kMaxLength; ++j) {
                    if (!IsCloser(text_[j])) continue;
                    if (Pairs(text_[i], text_[j]) && WordChars(text_.substr(i, j - i)) >= 2 &&
                        !(trimmed.size() == j + 1 - i && trimmed.data() == text_.data() + i))
                        brackets[FoldedPiece(i, j + 1)].push_back({n, i, j + 1});
                    break;
                }
            }
        }
        for (auto& [key, places] : lines) {
            if (places.size() < kMinSpread || !NotProse(WithoutBrackets(key)) ||
                Spread(places) < kMinSpread)
                continue;
            for (const Place& p : places)
                if (!lineHit_[p.line]) AddWholeLine(p.line, RuleKind::Frequency, u"重复出现");
        }
        std::sort(found_.hits.begin(), found_.hits.end(),
                  [](const Hit& a, const Hit& b) { return a.start < b.start; });
        // Does [a, b) overlap a hit already made?
        auto overlapsHit = [&](std::size_t a, std::size_t b) {
            auto it = std::lower_bound(found_.hits.begin(), found_.hits.end(), b,
                                       [](const Hit& h, std::size_t o) { return h.start < o; });
            return it != found_.hits.begin() && std::prev(it)->start + std::prev(it)->length > a;
        };
        for (auto& [key, places] : brackets) {
            if (places.size() < kMinSpread || !NotProse(key) || Spread(places) < kMinSpread)
                continue;
            for (const Place& p : places) {
                if (!lineTaken_[p.line] && !overlapsHit(p.start, p.end))
                    frequentFragments_.push_back({p.line, p.start, p.end});
            }
        }
        std::sort(frequentFragments_.begin(), frequentFragments_.end(),
                  [](const Place& a, const Place& b) { return a.start < b.start; });
        for (const Place& p : frequentFragments_)
            AddFragment(p.line, {p.start, p.end, RuleKind::Frequency, u"重复出现"});
    }

    std::u16string_view text_;
    const Options& options_;
    std::vector<Line> lines_;
    Skeleton k_;
    std::vector<std::size_t> skLineStarts_;  // where each line starts in the skeleton
    std::vector<Token> tokens_;
    std::vector<bool> lineTaken_;  // a whole-line hit
    std::vector<bool> lineHit_;    // any hit
    std::vector<Place> frequentFragments_;
    Found found_;
};

}  // namespace

Found Find(std::u16string_view text, const Options& options) { return Finder(text, options).Run(); }

std::u16string Normalized(std::u16string_view line) {
    std::u16string out = Fold(line).s;
    std::erase(out, u' ');
    return out;
}

namespace {

// Length of the line break at i (CR LF, LF or CR), 0 for none.
std::size_t BreakAt(std::u16string_view text, std::size_t i) {
    if (i >= text.size() || !IsBreak(text[i])) return 0;
    return text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
}

// Is the hit still exactly where it was found? A fragment's span must hold
// what was found; a whole line's span must hold that line and its break (or
// the break before it, for the last line) and the line nothing else: text
// typed into a listed line belongs to the user, not to the ad.
bool StillThere(std::u16string_view text, const Hit& h) {
    if (h.start > text.size() || h.length > text.size() - h.start) return false;
    const std::u16string_view span = text.substr(h.start, h.length);
    if (!h.wholeLine) return span == h.text;
    if (span.size() < h.text.size()) return false;
    const std::size_t a = h.start, b = h.start + h.length, t = h.text.size();
    const bool lineStart = a == 0 || IsBreak(text[a - 1]);
    const bool lineEnd = b == text.size() || IsBreak(text[b]);
    // The line, then its own break (none when it is the whole text's end).
    if (lineStart && span.starts_with(h.text) && BreakAt(text, a + t) == span.size() - t &&
        (span.size() > t || b == text.size()))
        return true;
    // The break before the line, then the line up to the end of its line.
    const std::size_t before = span.size() - t;
    return before > 0 && BreakAt(text, a) == before && lineEnd && span.ends_with(h.text) &&
           !(a > 0 && text[a - 1] == u'\r' && text[a] == u'\n');
}

}  // namespace

Applied Apply(std::u16string_view text, const std::vector<Hit>& chosen) {
    Applied out;
    std::vector<text::Span> cut;
    for (const Hit& h : chosen) {
        // A hit found on another version of the text is left alone.
        if (!StillThere(text, h)) {
            ++out.stale;
            continue;
        }
        cut.push_back({h.start, h.length});
        ++out.removed;  // one inside another already cut counts too
    }
    out.text = text::CutSpans(text, std::move(cut));
    return out;
}

}  // namespace qm::purge
