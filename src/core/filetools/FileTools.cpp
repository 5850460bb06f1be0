#include "core/filetools/FileTools.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/encoding/Encoding.h"
#include "core/text/Common.h"
#include "core/text/Paths.h"
#include "core/text/Strip.h"
#include "core/text/WholeNumber.h"

namespace ModGetFileNameInPath {

std::u16string GetFolderOfPath(std::u16string_view path, bool flag) {
    using qm::text::LastSeparator;
    path = qm::text::Strip(path);
    const std::size_t cut = LastSeparator(path);
    if (cut == std::u16string_view::npos) return {};
    const std::u16string_view folder = path.substr(0, cut);
    const std::size_t inner = LastSeparator(folder);
    if (inner == std::u16string_view::npos) return {};
    return std::u16string(flag ? folder : folder.substr(inner + 1));
}

}  // namespace ModGetFileNameInPath

namespace qm::filetools {

namespace {

std::u16string Ascii(const char* s) {
    return std::u16string(s, s + std::char_traits<char>::length(s));
}

// True when the text holds no ".": the splitter takes whole numbers only.
bool ChkInt(std::u16string_view text) { return text.find(u'.') == std::u16string_view::npos; }

}  // namespace

std::u16string GetFileName(std::u16string_view path) {
    std::u16string out;
    for (char16_t c : path) {
        if (c == u'\\' || c == u'/') {
            out.clear();
        } else {
            out += c == u' ' ? u'_' : c;
        }
    }
    return out;
}

std::optional<std::u16string> FileNameFromPath(std::u16string_view path) {
    if (text::LastSeparator(path) == std::u16string_view::npos) return std::nullopt;
    return std::u16string(text::FileNameOf(path));
}

std::optional<double> ParseNumber(std::u16string_view text) {
    text = text::Strip(text);
    std::string ascii;
    std::size_t i = 0;
    const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : u'\0'; };
    if (at(i) == u'+' || at(i) == u'-') ascii += static_cast<char>(text[i++]);
    bool digits = false;
    for (; (at(i) >= u'0' && at(i) <= u'9') || (at(i) == u',' && digits); ++i) {
        if (text[i] != u',') {
            ascii += static_cast<char>(text[i]);
            digits = true;
        }
    }
    if (at(i) == u'.') {
        ascii += '.';
        for (++i; at(i) >= u'0' && at(i) <= u'9'; ++i) {
            ascii += static_cast<char>(text[i]);
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    if (at(i) == u'e' || at(i) == u'E') {
        std::string exp = "e";
        std::size_t k = i + 1;
        if (at(k) == u'+' || at(k) == u'-') exp += static_cast<char>(text[k++]);
        bool expDigits = false;
        for (; at(k) >= u'0' && at(k) <= u'9'; ++k) {
            exp += static_cast<char>(text[k]);
            expDigits = true;
        }
        if (!expDigits) return std::nullopt;
        ascii += exp;
        i = k;
    }
    if (i != text.size()) return std::nullopt;
    const double v = std::strtod(ascii.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::u16string PlainNumber(double value) {
    if (value == 0) return u"0";
    char buf[64];
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        std::snprintf(buf, sizeof buf, "%.0f", value);
    } else {
        std::snprintf(buf, sizeof buf, "%.15g", value);
    }
    return Ascii(buf);
}

std::u16string SpaceValue(double bytes) {
    static const char* const kUnits[] = {"Byte", "KB", "MB", "GB", "TB", "QB"};
    double v = std::trunc(bytes);
    int step = 0;
    while (v > 1024) {
        v /= 1024;
        ++step;
    }
    v = std::round(v * 100) / 100;
    return PlainNumber(v) + (step < 6 ? Ascii(kUnits[step]) : std::u16string());
}

std::u16string GroupedThreeDecimals(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", std::fabs(value));
    const std::string s(buf);
    const std::size_t dot = s.find('.');
    std::u16string out = value < 0 ? u"-" : u"";
    for (std::size_t k = 0; k < dot; ++k) {
        if (k > 0 && (dot - k) % 3 == 0) out += u',';
        out += static_cast<char16_t>(s[k]);
    }
    for (std::size_t k = dot; k < s.size(); ++k) out += static_cast<char16_t>(s[k]);
    return out;
}

std::int64_t SplitPlan::Boundary(std::int64_t i) const {
    if (i >= parts) return sourceSize;
    // Halves to even, so consecutive parts meet without a byte lost or repeated.
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double b = std::nearbyint(static_cast<double>(i) * partSize);
    std::fesetround(old);
    return std::clamp<std::int64_t>(static_cast<std::int64_t>(b), 0, sourceSize);
}

SplitCheck CheckSplit(const SplitRequest& r) {
    SplitCheck c;
    const auto fail = [&c](std::u16string text, std::u16string title, Box focus,
                           std::vector<Box> yellow, bool sizeKnown = false) {
        c.problem =
            SplitProblem{std::move(text), std::move(title), focus, std::move(yellow), sizeKnown};
        return c;
    };
    double value = 0;
    if (r.sizeMode) {
        const std::u16string t = u"提示";
        if (r.sizeText.empty())
            return fail(u"输入分割的文件大小.", t, Box::SplSize, {Box::SplSize});
        const std::optional<double> v = ParseNumber(r.sizeText);
        if (!v || !ChkInt(r.sizeText)) {
            return fail(u"文件分割大小仅支持整数.", t, Box::SplSize, {Box::SplSize});
        }
        if (*v == 0) return fail(u"文件分割大小不能为0.", t, Box::SplSize, {Box::SplSize});
        value = *v;
    } else {
        const std::u16string t = u"Parcelo - Error";
        if (r.countText.empty()) {
            return fail(u"Enter number to split file into.", t, Box::SplNum, {Box::SplNum});
        }
        const std::optional<double> v = ParseNumber(r.countText);
        if (!v || !ChkInt(r.countText)) {
            return fail(u"Only integer values allowed for number of split files.", t, Box::SplNum,
                        {Box::SplNum});
        }
        if (*v == 0 || *v == 1) {
            return fail(u"File can not be split into zero or one part.", t, Box::SplNum,
                        {Box::SplNum});
        }
        value = std::trunc(*v);
    }
    if (r.openFile.empty())
        return fail(u"选择一个要分割的文件.", u"错误", Box::OpenFile, {Box::OpenFile});
    if (r.saveFile.empty())
        return fail(u"输入分割文件的连续名称.", u"错误", Box::SaveFile, {Box::SaveFile});
    if (r.sourceSize < 0) {
        return fail(u"文件 '" + r.openFile + u"' 不存在.", u"错误", Box::OpenFile, {Box::OpenFile});
    }
    // Refused before any part is written, rather than parts left without a script.
    if (std::optional<SplitProblem> p = CheckScriptNames(r)) {
        c.problem = std::move(p);
        return c;
    }
    SplitPlan& p = c.plan;
    p.sourceSize = r.sourceSize;
    const auto size = static_cast<double>(r.sourceSize);
    if (r.sizeMode) {
        p.partSize = value * 1024;
        if (size <= p.partSize) {
            return fail(u"源文件大小是:" + GroupedThreeDecimals(std::floor(size / 1024)) +
                            u" KBytes\r\n指定的分割文件大小是:" + r.sizeText +
                            u" KBytes\r\n分割无法完成.",
                        u"错误", Box::SplSize, {Box::SplSize, Box::OpenFile}, true);
        }
        const double whole = std::floor(size / p.partSize);
        p.parts = static_cast<std::int64_t>(whole) + (whole * p.partSize < size ? 1 : 0);
    } else {
        // A count past any sensible number is simply too many.
        p.parts = value > 1e12 ? std::int64_t{1'000'000'000'000} : static_cast<std::int64_t>(value);
        p.partSize = size / static_cast<double>(p.parts);
    }
    if (p.parts > 200) {
        return fail(u"分割文件太多,超出200个.\r\n分割无法继续.", u"错误", Box::SplNum,
                    {Box::SplNum}, true);
    }
    if (p.partSize < 100) {
        return fail(u"分割的文件大小不能小于 100 bytes.\r\n分割无法继续.", u"错误", Box::None, {},
                    true);
    }
    return c;
}

std::u16string ConfirmText(const SplitPlan& plan, bool sizeMode) {
    const double last = sizeMode ? static_cast<double>(plan.sourceSize) -
                                       static_cast<double>(plan.parts - 1) * plan.partSize
                                 : plan.partSize;
    return u"文件将分割成 " + text::WholeNumberText(plan.parts) + u" 个文件.\r\n\r\n分割序号是0到" +
           text::WholeNumberText(plan.parts - 1) + u"' 个" + SpaceValue(plan.partSize) +
           u"\r\nPart '" + text::WholeNumberText(plan.parts) + u"' of " + SpaceValue(last) +
           u"\r\n\r\n         确认分割吗?";
}

std::u16string ReadableName(std::u16string_view name) {
    std::u16string out;
    out.reserve(name.size());
    for (char16_t c : name) {
        if (c < 0x20)
            out += static_cast<char16_t>(0x2400 + c);
        else if (c == 0x7F)
            out += u'\u2421';
        else
            out += c;
    }
    return out;
}

std::optional<std::u16string> ScriptNameProblem(std::u16string_view name) {
    for (char16_t c : name) {
        if (c < 0x20 || c == 0x7F) return u"含有换行符或其他控制字符";
    }
    if (name.find_first_of(u"\"*?<>|:") != std::u16string_view::npos) {
        return u"含有 Windows 文件名不能使用的字符（\" * ? < > | :）";
    }
    if (qm::enc::Encode(name, qm::enc::Encoding::Gbk).unencodable > 0)
        return u"含有 GBK 编码无法表示的字符";
    return std::nullopt;
}

std::optional<SplitProblem> CheckScriptNames(const SplitRequest& r) {
    const std::pair<std::u16string, Box> names[] = {{GetFileName(r.openFile), Box::OpenFile},
                                                    {GetFileName(r.saveFile), Box::SaveFile}};
    for (const auto& [name, box] : names) {
        if (const auto why = ScriptNameProblem(name)) {
            return SplitProblem{u"文件名“" + ReadableName(name) + u"”" + *why +
                                    u"，合并用的批处理文件无法安全地写出这个名字。\r\n"
                                    u"请先给文件改名。",
                                u"错误",
                                box,
                                {box},
                                false};
        }
    }
    return std::nullopt;
}

namespace {

// cmd reads these specially even in a name ("+" joins files for copy);
// quoted, and % doubled, they are plain.
std::u16string BatName(std::u16string_view name) {
    if (name.find_first_of(u"&|<>^%()!;,=+ ") == std::u16string_view::npos)
        return std::u16string(name);
    std::u16string out = u"\"";
    for (char16_t c : name) {
        out += c;
        if (c == u'%') out += u'%';
    }
    return out + u"\"";
}

// Single quotes make every character plain to the shell; a quote itself is
// closed, escaped and reopened.
std::u16string ShName(std::u16string_view name) {
    std::u16string out = u"'";
    for (char16_t c : name) out += c == u'\'' ? std::u16string(u"'\\''") : std::u16string(1, c);
    return out + u"'";
}

std::u16string PartName(std::u16string_view base, std::int64_t k) {
    return std::u16string(base) + u"." + text::WholeNumberText(k);
}

}  // namespace

std::optional<std::u16string> BatchText(std::u16string_view partBase,
                                        std::u16string_view sourceName, std::int64_t parts,
                                        bool withDelete) {
    if (ScriptNameProblem(partBase) || ScriptNameProblem(sourceName)) return std::nullopt;
    std::u16string out = u"copy /b ";
    for (std::int64_t k = 0; k < parts; ++k) {
        out += BatName(PartName(partBase, k));
        out += k + 1 < parts ? u" + " : u" ";
    }
    out += BatName(sourceName) + u"\r\n";
    if (withDelete) {
        for (std::int64_t k = 0; k < parts; ++k)
            out += u"del " + BatName(PartName(partBase, k)) + u"\r\n";
        std::u16string self = std::u16string(sourceName) + u".bat";
        for (std::size_t at = 0; (at = self.find(u'%', at)) != std::u16string::npos; at += 2) {
            self.insert(at, 1, u'%');
        }
        out += u"DEL \"" + self + u"\"\r\n";
    }
    return out;
}

std::u16string ShellText(std::u16string_view partBase, std::u16string_view sourceName,
                         std::int64_t parts, bool withDelete) {
    // Into the script's own folder without a command substitution, which
    // would drop a folder name's trailing line breaks.
    std::u16string out =
        u"#!/bin/sh\n# Joins the parts back into the file they were cut from; run it beside "
        u"them.\ncase $0 in */*) cd -- \"${0%/*}/\" || exit 1 ;; esac\ncat --";
    std::u16string names;
    for (std::int64_t k = 0; k < parts; ++k) {
        names += u' ';
        names += ShName(PartName(partBase, k));
    }
    out += names + u" > " + ShName(sourceName) + u" || exit 1\n";
    if (withDelete) {
        out += u"rm -f --" + names + u"\n";
        out += u"rm -f -- " + ShName(std::u16string(sourceName) + u".sh") + u"\n";
    }
    return out;
}

std::u16string MergeSeparator(std::u16string_view comboText) {
    if (comboText == u"空行") return u"\r\n\r\n";
    return std::u16string(text::Strip(comboText)) + u"\r\n";
}

namespace {

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

std::u16string_view WithoutBreaksAround(std::u16string_view s) {
    while (!s.empty() && IsBreak(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBreak(s.back())) s.remove_suffix(1);
    return s;
}

std::u16string_view TitleOf(std::u16string_view piece, std::u16string_view titleSep) {
    const std::size_t cut = titleSep.empty() ? std::u16string_view::npos : piece.find(titleSep);
    return WithoutBreaksAround(piece.substr(0, cut));
}

}  // namespace

std::vector<Record> CutRecords(std::u16string_view text, std::u16string_view titleSep,
                               std::u16string_view recordSep) {
    std::vector<Record> out;
    if (recordSep.empty()) return out;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(recordSep, start)) != std::u16string_view::npos;
         start = at + recordSep.size()) {
        Record r;
        std::u16string_view piece = text.substr(start, at - start);
        r.title = std::u16string(TitleOf(piece, titleSep));
        std::u16string name;
        常用模块::ForEachPiece(r.title, [&name](std::u16string_view p, bool) { name += p; });
        // A line break or other control character left inside is no name a
        // user would want, nor one a message or a script shows plainly.
        const bool control =
            std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
        r.safeName = !name.empty() && name != u"." && name != u".." && !control &&
                     name.find_first_of(u"/\\") == std::u16string::npos;
        r.fileName = name + u".txt";
        // The line break after the previous separator, whichever kind it is.
        if (piece.substr(0, 2) == u"\r\n")
            piece.remove_prefix(2);
        else if (!piece.empty() && IsBreak(piece.front()))
            piece.remove_prefix(1);
        r.content = std::u16string(piece);
        out.push_back(std::move(r));
    }
    return out;
}

std::optional<std::u16string> UnclosedRecord(std::u16string_view text, std::u16string_view titleSep,
                                             std::u16string_view recordSep) {
    if (recordSep.empty()) return std::nullopt;
    // Where the records end, found as CutRecords finds them (from the left).
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(recordSep, start)) != std::u16string_view::npos;)
        start = at + recordSep.size();
    const std::u16string_view tail = text.substr(start);
    if (tail.find_first_not_of(u" \t\r\n\u3000") == std::u16string_view::npos) return std::nullopt;
    return std::u16string(TitleOf(tail, titleSep));
}

std::u16string ReadableTitle(std::u16string_view title) {
    return title.empty() ? std::u16string(u"（空标题）") : ReadableName(title);
}

std::optional<std::u16string> NotCleanText(std::string_view bytes, enc::LoadedText* decoded) {
    // A binary file is told by its NUL bytes before anything is decoded;
    // only UTF-16, which is recognised by its BOM, holds them as text.
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    if (!utf16 && bytes.find('\0') != std::string_view::npos) {
        return u"含有 NUL 字节，像是二进制文件";
    }
    enc::LoadedText t = enc::DecodeFile(bytes);
    if (t.invalid > 0) {
        const std::string name = enc::Name(t.format.encoding);
        return u"有 " + text::WholeNumberText(static_cast<std::int64_t>(t.invalid)) +
               u" 个字节无法按 " + std::u16string(name.begin(), name.end()) + u" 解码";
    }
    if (decoded) *decoded = std::move(t);
    return std::nullopt;
}

std::u16string ReplaceInLines(std::u16string_view text, std::u16string_view find,
                              std::u16string_view replacement) {
    std::u16string out;
    out.reserve(text.size() + 2);
    常用模块::ForEachPiece(text, [&](std::u16string_view line, bool last) {
        if (last && line.empty()) return;  // after the closing CR LF: no line
        常用模块::AppendReplaced(out, line, find, replacement);
        out += u"\r\n";
    });
    return out;
}

}  // namespace qm::filetools
