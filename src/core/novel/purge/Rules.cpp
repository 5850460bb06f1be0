#include "core/novel/purge/Rules.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>
#include <variant>

#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/WholeNumber.h"

namespace qm::purge {

using regex::Pattern;
using text::Line;
using namespace detail;

namespace {

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

// A site's name as ads spell it: a few letters ending in a site word
// (笔趣阁, 八一中文网, 飘天文学), never the site word alone (网上). Never a
// sentence: no punctuation, no 的. Strict: only site words of two letters or
// more, where a story could send someone to a place (请到藏经阁阅读).
std::u16string SiteName(bool strict = false) {
    std::u16string suffix;
    for (const auto w : kSiteSuffix) {
        if (strict && w.size() < 2) continue;
        if (!suffix.empty()) suffix += u'|';
        suffix += w;
    }
    return u"[^\\r\\n,.。!?:;()\\[\\]【】〖〗〔〕「」《》\"' 的]{1,10}?(?:" + suffix + u")";
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
         // The formula's own tail too: glued to the prose after it, glue would not reach.
         u"天才[一1]秒记住(?:本(?:站|书)的?(?:网址|域名|地址))?|"
         u"[一1]秒记住(?=[:【\\[《(「 ]|本站|网址|域名|地址)|"
         u"请?记住本(?:站|书)的?(?:首发|最新)?(?:网址|域名|地址)"},
        // Before 最新章节, which would take only the head of these.
        {u"站名指引", u"(?:最新|最快|全本)章节[,: ]?(?:请|就|都)?(?:到|上|去|在|尽在)" +
                          SiteName() +
                          u"(?:阅读|观看|查看)?|"
                          u"本书首发(?:于|自|在)?" +
                          SiteName() + u"|请(?:到|去|上)" + SiteName(true) + u"(?:阅读|观看)"},
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
        {u"下载提示", u"(?:(?<![a-z0-9])" + Spaced(u"txt") +
                          u" ?(?:电子书)?|电子书)(?:全集)?(?:免费)?下载(?:地址|网址)?"},
        {u"站名",
         u"[(\\[【〖〔「][ "
         u"]?[^\\r\\n)\\]】〗〕」]{0,12}?(?:小说网|中文网|文学网|书网|读书网|看书网|"
         u"小说阁|趣阁|小说吧|文学城|小说站)[ ]?[)\\]】〗〕」]|"
         // Words a story may also put in 「」 or （）, only in the brackets sites use.
         u"[\\[【〖〔][ ]?[^\\r\\n()\\[\\]【】〖〗〔〕「」]{1,10}?"
         u"(?:小说|文学|书屋|书阁|书城|书吧|书斋)[ ]?[\\]】〗〕]"},
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

}  // namespace

namespace detail {

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
}  // namespace detail

UserRules::UserRules() : rules_(std::make_unique<Compiled>()) {}
UserRules::UserRules(UserRules&&) noexcept = default;
UserRules& UserRules::operator=(UserRules&&) noexcept = default;
UserRules::~UserRules() = default;

std::size_t UserRules::Size() const { return rules_->phrases.size() + rules_->exprs.size(); }

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

}  // namespace qm::purge
