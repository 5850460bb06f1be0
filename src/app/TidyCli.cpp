#include "app/TidyCli.h"

#include <QFileInfo>
#include <QString>
#include <new>
#include <optional>

#include "core/encoding/Encoding.h"
#include "core/novel/Audit.h"
#include "core/novel/Chapters.h"
#include "core/novel/Merge.h"
#include "core/novel/NovelBook.h"
#include "core/novel/Reflow.h"
#include "core/novel/Repeats.h"
#include "core/novel/purge/Purge.h"
#include "core/text/Lines.h"
#include "core/text/Utf16.h"
#include "core/text/Utf8.h"
#include "core/tools/Convert.h"
#include "core/tools/Scrub.h"
#include "files/EncodedFile.h"
#include "files/EpubWriter.h"
#include "files/TextFile.h"

namespace tidycli {

namespace {

constexpr std::string_view kName = "quillmere-tidy";

struct Options {
    std::string command;
    std::string input;
    std::string second;  // merge: the other copy
    std::optional<std::string> output;
    std::optional<qm::enc::Encoding> encoding;
    std::optional<std::string> rules;   // purge: the user's list
    std::optional<std::string> pua;     // scrub: the map of private-use characters
    std::optional<std::string> title;   // epub
    std::optional<std::string> author;  // epub
    bool help = false;
};

bool WritesText(const std::string& c) {
    return c == "reflow" || c == "indent" || c == "blanklines" || c == "purge" || c == "epub" ||
           c == "scrub" || c == "repair" || c == "merge";
}
bool Reports(const std::string& c) {
    return c == "chapters" || c == "check" || c == "duplicates" || c == "audit";
}

// The parsed options, or the reason the command line is wrong.
std::optional<Options> Parse(const std::vector<std::string>& args, std::string& why) {
    Options o;
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnd && (a == "-h" || a == "--help")) {
            o.help = true;
        } else if (!optionsEnd && a == "--") {
            optionsEnd = true;
        } else if (!optionsEnd &&
                   (a == "-o" || a == "--output" || a == "-e" || a == "--encoding")) {
            if (i + 1 >= args.size()) {
                why =
                    "选项“" + a + "”后面缺少" + (a[1] == 'o' || a[2] == 'o' ? "输出文件" : "编码");
                return std::nullopt;
            }
            const std::string& v = args[++i];
            if (a == "-o" || a == "--output") {
                if (o.output) {
                    why = "输出文件只能给一个";
                    return std::nullopt;
                }
                o.output = v;
            } else {
                o.encoding = qm::enc::FromName(v);
                if (!o.encoding) {
                    why = "不认识的编码“" + v +
                          "”（可用：GBK、GB18030、UTF-8、UTF-8 BOM、UTF-16LE、UTF-16BE、Big5）";
                    return std::nullopt;
                }
            }
        } else if (!optionsEnd &&
                   (a == "--rules" || a == "--title" || a == "--author" || a == "--pua")) {
            if (i + 1 >= args.size()) {
                why = "选项“" + a + "”后面缺少" +
                      (a == "--rules"   ? "规则文件"
                       : a == "--pua"   ? "私用区字符对照表"
                       : a == "--title" ? "书名"
                                        : "作者");
                return std::nullopt;
            }
            std::optional<std::string>& slot = a == "--rules"   ? o.rules
                                               : a == "--pua"   ? o.pua
                                               : a == "--title" ? o.title
                                                                : o.author;
            if (slot) {
                why = "选项“" + a + "”只能给一次";
                return std::nullopt;
            }
            slot = args[++i];
        } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
            why = "不认识的选项“" + a + "”";
            return std::nullopt;
        } else {
            positional.push_back(a);
        }
    }
    if (o.help) return o;
    if (positional.empty()) {
        why = "缺少命令";
        return std::nullopt;
    }
    o.command = positional[0];
    if (!WritesText(o.command) && !Reports(o.command)) {
        why = "不认识的命令“" + o.command + "”";
        return std::nullopt;
    }
    if (positional.size() < 2) {
        why = "缺少输入文件";
        return std::nullopt;
    }
    const std::size_t inputs = o.command == "merge" ? 2 : 1;
    if (positional.size() < inputs + 1) {
        why = "命令 merge 需要两个输入文件";
        return std::nullopt;
    }
    if (positional.size() > inputs + 1) {
        why = "多余的参数“" + positional[inputs + 1] + "”";
        return std::nullopt;
    }
    o.input = positional[1];
    if (inputs == 2) o.second = positional[2];
    if (WritesText(o.command) && !o.output) {
        why = "命令 " + o.command + " 需要用 -o 指定输出文件（“-o -”写到标准输出）";
        return std::nullopt;
    }
    if (o.rules && o.command != "purge") {
        why = "--rules 只用于 purge";
        return std::nullopt;
    }
    // Standard output carries their report: the text goes to a file.
    if (o.command == "repair" && *o.output == "-") {
        why = "repair 把每段乱码写到标准输出，结果须用 -o 写到文件";
        return std::nullopt;
    }
    if (o.command == "merge" && *o.output == "-") {
        why = "merge 把每章的来源写到标准输出，结果须用 -o 写到文件";
        return std::nullopt;
    }
    if (o.pua && o.command != "scrub") {
        why = "--pua 只用于 scrub";
        return std::nullopt;
    }
    if ((o.title || o.author) && o.command != "epub") {
        why = "--title 和 --author 只用于 epub";
        return std::nullopt;
    }
    if (Reports(o.command) && o.output) {
        why = "命令 " + o.command + " 把结果写到标准输出，不用 -o";
        return std::nullopt;
    }
    return o;
}

// A path on the command line is bytes, whatever the locale: it goes back to
// the same bytes however it decodes.
QString Path(const std::string& s) { return files::PathFromBytes(s); }

// Messages are UTF-8, as the reports are.
std::string Utf8(const QString& s) { return s.toStdString(); }

// A path as a message names it: bytes that are not UTF-8 written as "\xB5".
std::string Shown(const std::string& path) { return Utf8(files::ShownPath(Path(path))); }

// Text given on the command line (a title, an author).
QString Text(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A heading's text on one report line: tabs would split its fields.
std::string Field(std::u16string_view s) {
    std::string out = qm::text::ToUtf8(s);
    for (char& c : out) {
        if (c == '\t') c = ' ';
    }
    return out;
}

}  // namespace

std::string HelpText() {
    return R"(用法：quillmere-tidy 命令 输入文件 [-o 输出文件] [--encoding 编码]

整理从网上下载的小说文本。输入文件的编码（GBK、GB18030、UTF-8、UTF-16、Big5）
和换行方式自动识别，结果按同样的编码和换行方式写出。写文件时先写临时文件，
写完整后才替换目标，失败时不留下写了一半的文件。

命令：
  reflow       智能分段：把按固定宽度折断的行接回段落，段落结尾和标题照旧
  indent       段首缩进：每段以“　　”开头，标题不缩进
  blanklines   段间空行：段与段之间恰好一个空行
  chapters     章节目录：每行一个标题，格式为“行号<TAB>级别<TAB>标题”，
               级别为 volume（卷）、chapter（章）、special（序章、楔子、番外、后记等）
  check        检查章节编号：每行一个问题，格式为“类型<TAB>行号<TAB>说明”，
               类型为 gap（缺号）、repeat（重号）、restart（未分卷却从头编号）、
               order（顺序颠倒）、mixed（中文数字与阿拉伯数字混用，每换一次报一处）、
               missing（缺号处的正文里有像标题的一行，可能漏识别了标题）
  purge        净化广告：去掉网址和常见的网站广告、水印（整行或段落中的一截），
               加上 --rules 给出的规则；正文照旧
  repair       乱码转正常：找出正文中的乱码段落并逐段修复，文字已丢失的段落
               只列出不改；每段一行写到标准输出，格式为
               “行号<TAB>起<TAB>止<TAB>类型<TAB>说明”，起止为该行中的字符位置
               （从 0 数起，不含止），类型为 repaired（已修复）或 lossy（已丢失）
  scrub        清除隐形字符：去掉零宽字符、双向控制符、软连字符等看不见的格式字符，
               把 HTML 实体（&quot; &#34; 等）还原成字符、去掉残留的 HTML 标签，
               不换行空格改为空格；各类各字符的个数写到标准错误。
               --pua 给出对照表时，按表替换私用区字符（U+E000–U+F8FF）
  duplicates   查找重复：每行一处重复，格式为“行号<TAB>首次出现的行号<TAB>内容”
  audit        体检：每行一个可疑章节，格式为“类型<TAB>标题行号<TAB>说明”，
               类型为 placeholder（占位）、antitheft（防盗）、same-as-previous
               （与上一章相同）、repeated-tail（结尾重复）、truncated（截断）、
               duplicate（整章重复）；大部分章节因同一原因可疑时只报一行，
               行号为 0（整本书的问题）；找到与否退出状态都是 0
  epub         导出 EPUB 3 电子书：按章节分页，目录分卷、章两级
  merge        合并两个版本：quillmere-tidy merge A B -o 输出文件，按章节标题
               （没有标题的按编号）对齐两个下载版本，每章取完好的一份（都完好时
               取较长的），按 A 的编码和换行写出；标准输出每章一行“A 的标题行号
               <TAB>B 的标题行号<TAB>来源 A 或 B”（没有的写“-”），两个版本都
               不完好的章节写到标准错误

选项：
  -o, --output 文件     输出文件，reflow、indent、blanklines、purge、scrub、repair、
                        merge、epub 必须给出；“-o -”写到标准输出
                        （epub、merge、repair 除外）
  --rules 文件          purge 的自定义规则：每行一条，一个词语，
                        或“正则:”后面跟一个正则表达式
  --pua 文件            scrub 的私用区字符对照表：每行“U+E3F2<TAB>的”
                        （或用逗号分隔的两列）
  --title 书名          epub 的书名，默认为输入文件名
  --author 作者         epub 的作者，默认为空
  -e, --encoding 编码   不自动识别，按此编码读入：GBK、GB18030、UTF-8、
                        "UTF-8 BOM"、UTF-16LE、UTF-16BE、Big5
  -h, --help            显示本说明

行号从 1 数起。chapters、check、duplicates 和 audit 的输出一律是 UTF-8。
退出状态：0 成功；1 失败（原因写在标准错误）；2 命令行用法有误。

例：
  quillmere-tidy reflow 小说.txt -o 小说-分段.txt
  quillmere-tidy reflow 小说.txt -o - > 小说-分段.txt
  quillmere-tidy indent 小说-分段.txt -o 小说-分段.txt
  quillmere-tidy blanklines 小说.txt -o 小说.txt
  quillmere-tidy chapters 小说.txt
  quillmere-tidy check 小说.txt
  quillmere-tidy purge 小说.txt -o 小说-净化.txt --rules 我的规则.txt
  quillmere-tidy duplicates 小说.txt
  quillmere-tidy repair 小说.txt -o 小说-修复.txt
  quillmere-tidy audit 小说.txt
  quillmere-tidy scrub 小说.txt -o 小说-清除.txt --pua 对照表.txt
  quillmere-tidy epub 小说.txt -o 小说.epub --title 小说 --author 佚名
  quillmere-tidy merge 小说A.txt 小说B.txt -o 小说-合并.txt
)";
}

namespace {

// A list the user gave (purge's rules, scrub's map), `what` naming it; nothing
// when it cannot be used, told why. A file that is no text (a picture, a
// program) is refused whole: its bytes would read as thousands of rules.
std::optional<std::u16string> ReadList(const std::string& path, const std::string& what,
                                       const Streams& io) {
    files::TextReadResult list = files::ReadTextFile(Path(path));
    if (!list.ok) {
        io.err(std::string(kName) + "：无法读取" + what + "“" + Shown(path) + "”：" +
               Utf8(list.why) + "\n");
        return std::nullopt;
    }
    if (list.loaded.invalid > 0 || list.loaded.text.find(u'\0') != std::u16string::npos) {
        io.err(std::string(kName) + "：" + what + "“" + Shown(path) +
               "”含有无法识别的字节，不是文本文件，没有写入任何文件\n");
        return std::nullopt;
    }
    return std::move(list.loaded.text);
}

// The faulty lines of such a list (0-based, with why), the first few of them:
// a list with more faults than that is no list, and the rest would bury them.
void TellBadLines(const std::string& path, const std::string& what,
                  const std::vector<std::pair<std::size_t, std::string>>& bad, const Streams& io) {
    constexpr std::size_t kShown = 10;
    std::string told;
    for (std::size_t i = 0; i < bad.size() && i < kShown; ++i)
        told += std::string(kName) + "：" + what + "“" + Shown(path) + "”第 " +
                std::to_string(bad[i].first + 1) + " 行：" + bad[i].second + "\n";
    if (bad.size() > kShown)
        told += std::string(kName) + "：另有 " + std::to_string(bad.size() - kShown) + " 行有错\n";
    io.err(told + std::string(kName) + "：" + what + "有错，没有写入任何文件\n");
}

// The text without the built-in list's marks and those of the user's list;
// nothing when that list cannot be read or holds a bad rule (said on standard
// error): a purge with half a list would leave marks the user asked to go.
std::optional<std::u16string> Purge(const Options& o, const std::u16string& text,
                                    const Streams& io) {
    qm::purge::UserRules rules;
    if (o.rules) {
        const std::optional<std::u16string> list = ReadList(*o.rules, "规则文件", io);
        if (!list) return std::nullopt;
        rules = qm::purge::UserRules::Parse(*list);
        if (!rules.Errors().empty()) {
            std::vector<std::pair<std::size_t, std::string>> bad;
            for (const auto& e : rules.Errors())
                bad.emplace_back(e.line, qm::text::ToUtf8(e.reason));
            TellBadLines(*o.rules, "规则文件", bad, io);
            return std::nullopt;
        }
    }
    const qm::purge::Found found = qm::novel::FindMarks(text, rules);
    for (const auto& w : found.warnings)
        io.err(std::string(kName) + "：" + qm::text::ToUtf8(w) + "\n");
    // Text that only repeats, without any sign of a site, may be the story's
    // own (a nickname, a slogan): it stays, and the user is told where.
    std::string kept;
    std::size_t suspects = 0;
    for (const auto& h : found.hits) {
        if (qm::purge::CheckedByDefault(h)) continue;
        if (suspects++ < 10) kept += (kept.empty() ? "" : "、") + std::to_string(h.line + 1);
    }
    if (suspects > 0)
        io.err(std::string(kName) + "：另有 " + std::to_string(suspects) +
               " 处只是重复出现、可能是水印的文字没有删除（第 " + kept +
               (suspects > 10 ? " 等" : "") + " 行），需要时请用窗口的“净化广告”逐条勾选\n");
    return qm::purge::Apply(text, qm::purge::DefaultChoice(found.hits)).text;
}

// The text scrubbed (and its private-use characters mapped), with what was
// taken told on standard error; nothing when the map cannot be used.
std::optional<std::u16string> Scrub(const Options& o, const std::u16string& text,
                                    const Streams& io) {
    qm::scrub::Result r = qm::scrub::Scrub(text);
    std::string report;
    for (const auto& t : r.tallies) {
        report += qm::text::ToUtf8(qm::scrub::KindName(t.kind)) + "\t" + qm::text::ToUtf8(t.what) +
                  "\t" + std::to_string(t.count) + "\n";
    }
    if (o.pua) {
        const std::optional<std::u16string> list = ReadList(*o.pua, "对照表", io);
        if (!list) return std::nullopt;
        const qm::scrub::PuaMap map = qm::scrub::ParsePuaMap(*list);
        if (!map.badLines.empty()) {
            std::vector<std::pair<std::size_t, std::string>> bad;
            for (const std::size_t line : map.badLines)
                bad.emplace_back(line, "不是“U+E3F2<TAB>的”这样的对照");
            TellBadLines(*o.pua, "对照表", bad, io);
            return std::nullopt;
        }
        std::size_t replaced = 0;
        r.text = qm::scrub::ReplacePrivateUse(r.text, map, &replaced);
        report += "私用区字符\t按对照表替换\t" + std::to_string(replaced) + "\n";
    }
    for (const auto& p : qm::scrub::FindPrivateUse(r.text)) {
        report += "私用区字符\t" + qm::text::ToUtf8(qm::scrub::CodeName(p.code)) + "\t" +
                  std::to_string(p.count) + "（未替换，首见于第 " +
                  std::to_string(p.firstLine + 1) + " 行）\n";
    }
    if (report.empty()) report = "没有需要清除的字符\n";
    io.err(report);
    return std::move(r.text);
}

// The text with its garbled passages repaired; each passage found, repaired
// or lost, a line of `report` with its place in its line.
std::u16string Repair(const std::u16string& text, std::string& report) {
    const auto spans = qm::convert::FindGarbled(text);
    const auto lines = qm::text::SplitLines(text);
    const auto column = [&](std::size_t line, std::size_t at) {
        std::size_t n = 0;
        for (std::size_t i = lines[line].start; i < at; i += qm::text::CodePointAt(text, i).length)
            ++n;
        return n;
    };
    for (const auto& g : spans) {
        const bool repaired = g.kind == qm::convert::GarbledSpan::Kind::Repaired;
        report += std::to_string(g.line + 1) + "\t" + std::to_string(column(g.line, g.start)) +
                  "\t" + std::to_string(column(g.line, g.start + g.length)) + "\t" +
                  (repaired ? "repaired" : "lossy") + "\t" + Field(g.how) + "\n";
    }
    return qm::convert::ApplyRepairs(text, spans).text;
}

// The text as an EPUB book at the output path (never standard output: a
// zip archive there is of no use to a terminal).
int WriteBook(const Options& o, const std::u16string& text, const Streams& io) {
    if (*o.output == "-") {
        io.err(std::string(kName) + "：epub 需要输出文件，不能写到标准输出\n");
        return kUsageError;
    }
    const QString input = Path(o.input);
    const std::u16string title =
        o.title ? Text(*o.title).toStdU16String()
                : files::ShownPath(QFileInfo(input).completeBaseName()).toStdU16String();
    const std::u16string author = o.author ? Text(*o.author).toStdU16String() : u"";
    const files::Outcome written =
        files::WriteEpub(Path(*o.output), qm::novel::BookFromText(title, author, text));
    if (!written) {
        io.err(std::string(kName) + "：无法写入“" + Shown(*o.output) + "”：" + Utf8(written.why) +
               "\n");
        return kFailed;
    }
    return kOk;
}

}  // namespace

namespace {

int RunUnguarded(const std::vector<std::string>& args, const Streams& io) {
    std::string why;
    const auto options = Parse(args, why);
    if (!options) {
        io.err(std::string(kName) + "：" + why + "。用“" + std::string(kName) +
               " --help”查看用法。\n");
        return kUsageError;
    }
    if (options->help) {
        return io.out(HelpText()) ? kOk : kFailed;
    }
    const Options& o = *options;
    const files::TextReadResult read = files::ReadTextFile(Path(o.input), o.encoding);
    if (!read.ok) {
        io.err(std::string(kName) + "：无法读取“" + Shown(o.input) + "”：" + Utf8(read.why) + "\n");
        return kFailed;
    }
    const std::u16string& text = read.loaded.text;
    // A file of several encodings cannot be written back as it was: UTF-8 holds them all.
    qm::enc::FileFormat format = read.loaded.format;
    if (format.mixedEncodings) {
        std::string where;
        for (const auto& run : read.loaded.runs)
            where += (where.empty() ? "第 " : "，第 ") + std::to_string(run.line + 1) + " 行起 " +
                     qm::enc::Name(run.encoding);
        io.err(std::string(kName) + "：“" + Shown(o.input) + "”混合了多种编码（" + where +
               "），已逐段读入" + (WritesText(o.command) ? "，结果以 UTF-8 写出" : "") + "\n");
        format.encoding = qm::enc::Encoding::Utf8;
        format.bom = false;
        format.mixedEncodings = false;
    }

    if (Reports(o.command)) {
        std::string report;
        if (o.command == "duplicates") {
            for (const auto& r : qm::novel::FindRepeats(text)) {
                report += std::to_string(r.line + 1) + "\t" + std::to_string(r.firstLine + 1) +
                          "\t" + Field(r.text) + "\n";
            }
        } else if (o.command == "audit") {
            for (const auto& f : qm::audit::Audit(text).findings) {
                // Line 0: the whole book, no one chapter.
                report += std::string(qm::audit::KindName(f.kind)) + "\t" +
                          std::to_string(f.across.empty() ? f.line + 1 : 0) + "\t" +
                          Field(f.reason) + "\n";
            }
        } else if (o.command == "chapters") {
            for (const auto& h : qm::chapters::Find(text)) {
                report += std::to_string(h.line + 1) + "\t" + qm::chapters::LevelName(h.level) +
                          "\t" + Field(h.text) + "\n";
            }
        } else {
            for (const auto& p : qm::chapters::Check(qm::chapters::Find(text), text)) {
                report += std::string(qm::chapters::TypeName(p.type)) + "\t" +
                          std::to_string(p.line + 1) + "\t" + Field(p.note) + "\n";
            }
        }
        if (!io.out(report)) {
            io.err(std::string(kName) + "：无法写到标准输出\n");
            return kFailed;
        }
        return kOk;
    }

    if (o.command == "epub") return WriteBook(o, text, io);

    std::u16string result;
    // merge and repair: what they did, for standard output once the file is
    // written (never told of a file that was not).
    std::string told;
    if (o.command == "merge") {
        const files::TextReadResult other = files::ReadTextFile(Path(o.second), o.encoding);
        if (!other.ok) {
            io.err(std::string(kName) + "：无法读取“" + Shown(o.second) + "”：" + Utf8(other.why) +
                   "\n");
            return kFailed;
        }
        qm::audit::Merged m = qm::audit::Merge(text, other.loaded.text);
        const auto line = [](const std::optional<std::size_t>& l) {
            return l ? std::to_string(*l + 1) : std::string("-");
        };
        for (const auto& c : m.chapters)
            told += line(c.lineA) + "\t" + line(c.lineB) + "\t" +
                    (c.source == qm::audit::Source::A ? "A" : "B") + "\n";
        std::string missing;
        for (const auto& w : m.missing) missing += qm::text::ToUtf8(w) + "\n";
        io.err(missing);
        result = std::move(m.text);
    } else if (o.command == "purge") {
        std::optional<std::u16string> purged = Purge(o, text, io);
        if (!purged) return kFailed;
        result = std::move(*purged);
    } else if (o.command == "repair") {
        result = Repair(text, told);
    } else if (o.command == "scrub") {
        std::optional<std::u16string> scrubbed = Scrub(o, text, io);
        if (!scrubbed) return kFailed;
        result = std::move(*scrubbed);
    } else if (o.command == "reflow") {
        result = qm::reflow::Reflow(text);
    } else if (o.command == "indent") {
        result = qm::reflow::Indent(text);
    } else {
        result = qm::reflow::BlankLines(text);
    }
    // Never write "?" in place of what the user had.
    const auto refuse = [&](std::size_t unencodable) {
        io.err(std::string(kName) + "：结果中有 " + std::to_string(unencodable) + " 个字符无法用 " +
               qm::enc::Name(format.encoding) + " 编码写出，没有写入任何文件\n");
        return kFailed;
    };
    if (*o.output == "-") {
        const qm::enc::Encoded encoded = qm::enc::EncodeFile(result, format);
        if (encoded.unencodable > 0) return refuse(encoded.unencodable);
        if (!io.out(encoded.bytes)) {
            io.err(std::string(kName) + "：无法写到标准输出\n");
            return kFailed;
        }
        return kOk;
    }
    const files::TextWriteResult written = files::WriteTextFile(
        Path(*o.output), result, format, false, [](const auto&) { return false; });
    if (written.canceled) return refuse(written.encoded.unencodable);
    if (!written.ok) {
        io.err(std::string(kName) + "：无法写入“" + Shown(*o.output) + "”：" + Utf8(written.why) +
               "\n");
        return kFailed;
    }
    if (!told.empty() && !io.out(told)) {
        io.err(std::string(kName) + "：无法写到标准输出\n");
        return kFailed;
    }
    return kOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, const Streams& io) {
    try {
        return RunUnguarded(args, io);
    } catch (const std::bad_alloc&) {
        // Output goes through a temporary file, so nothing half-written is left.
        io.err(std::string(kName) + "：内存不足，文件太大，没有写入任何文件\n");
        return kFailed;
    }
}

}  // namespace tidycli
