#include "core/filetools/Rename.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/text/Utf16.h"
#include "core/text/WholeNumber.h"

namespace qm::rename {

namespace {

bool Digit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool Valid(const std::u16string& name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(std::u16string_view(u"/\0", 2)) == std::u16string::npos &&
           text::Utf8Length(name) <= 255;
}

}  // namespace

NameParts SplitName(const std::u16string& fileName) {
    const std::size_t dot = fileName.rfind(u'.');
    if (dot == std::u16string::npos || dot == 0) return {fileName, {}};
    return {fileName.substr(0, dot), fileName.substr(dot + 1)};
}

std::u16string NewName(const std::u16string& fileName, const Rules& r, std::size_t index) {
    NameParts p = SplitName(fileName);
    const bool hadDot = fileName.rfind(u'.') != std::u16string::npos && fileName.rfind(u'.') != 0;
    if (!r.find.empty()) {
        std::u16string out;
        std::size_t from = 0;
        for (std::size_t at; (at = p.name.find(r.find, from)) != std::u16string::npos;
             from = at + r.find.size()) {
            out.append(p.name, from, at - from);
            out += r.replaceWith;
        }
        out.append(p.name, from);
        p.name = std::move(out);
    }
    if (r.number != NumberPlace::None) {
        const std::u16string n =
            text::WholeNumberText(r.start + static_cast<std::int64_t>(index) * r.step, r.digits);
        if (r.number == NumberPlace::BeforeName)
            p.name = n + p.name;
        else if (r.number == NumberPlace::AfterName)
            p.name += n;
        else
            p.name = n;
    }
    p.name = r.prefix + p.name + r.suffix;
    if (r.changeExtension) {
        std::u16string ext = r.extension;
        if (!ext.empty() && ext.front() == u'.') ext.erase(0, 1);
        return ext.empty() ? p.name : p.name + u"." + ext;
    }
    return hadDot ? p.name + u"." + p.extension : p.name;
}

bool NaturalLess(const std::u16string& a, const std::u16string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (Digit(a[i]) && Digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && Digit(a[ei])) ++ei;
            while (ej < b.size() && Digit(b[ej])) ++ej;
            // Compare by value: leading zeros off, then length, then digits.
            std::size_t zi = i, zj = j;
            while (zi + 1 < ei && a[zi] == u'0') ++zi;
            while (zj + 1 < ej && b[zj] == u'0') ++zj;
            if (ei - zi != ej - zj) return ei - zi < ej - zj;
            for (std::size_t k = 0; k < ei - zi; ++k)
                if (a[zi + k] != b[zj + k]) return a[zi + k] < b[zj + k];
            if (ei - i != ej - j) return ei - i < ej - j;  // equal values: fewer zeros first
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

Plan MakePlan(const std::vector<std::u16string>& files, const Rules& rules,
              const std::vector<std::u16string>& everything) {
    Plan plan;
    plan.rows.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        plan.rows.push_back({files[i], NewName(files[i], rules, i), Problem::None});

    // Names that stay: everything but the files that get a new name.
    std::unordered_set<std::u16string> moving;
    std::unordered_map<std::u16string, std::size_t> targets;
    for (Row& row : plan.rows) {
        if (row.to == row.from) {
            row.problem = Problem::Unchanged;
            continue;
        }
        moving.insert(row.from);
        if (!Valid(row.to)) row.problem = Problem::Invalid;
        ++targets[row.to];
    }
    std::unordered_set<std::u16string> staying;
    for (const std::u16string& n : everything)
        if (!moving.count(n)) staying.insert(n);
    for (Row& row : plan.rows) {
        if (row.problem != Problem::None) continue;
        if (targets[row.to] > 1)
            row.problem = Problem::Duplicate;
        else if (staying.count(row.to))
            row.problem = Problem::Exists;
    }
    for (const Row& row : plan.rows) {
        if (row.problem == Problem::None)
            ++plan.changes;
        else if (row.problem != Problem::Unchanged)
            ++plan.problems;
    }
    return plan;
}

Plan Reverse(const Plan& done, const std::vector<std::u16string>& everything) {
    Plan back;
    for (const Row& row : done.rows)
        if (row.problem == Problem::None) back.rows.push_back({row.to, row.from, Problem::None});
    // Checked as a plan of its own: the folder may have changed since.
    std::unordered_set<std::u16string> moving;
    for (const Row& row : back.rows) moving.insert(row.from);
    std::unordered_set<std::u16string> present(everything.begin(), everything.end());
    for (Row& row : back.rows) {
        if (!present.count(row.from))
            row.problem = Problem::Invalid;  // gone since
        else if (present.count(row.to) && !moving.count(row.to))
            row.problem = Problem::Exists;
    }
    for (const Row& row : back.rows) {
        if (row.problem == Problem::None)
            ++back.changes;
        else
            ++back.problems;
    }
    return back;
}

std::vector<Move> Moves(const Plan& plan, const std::vector<std::u16string>& everything) {
    std::vector<const Row*> rows;
    std::unordered_set<std::u16string> sources;
    for (const Row& row : plan.rows)
        if (row.problem == Problem::None) rows.push_back(&row), sources.insert(row.from);
    const bool chained = std::any_of(rows.begin(), rows.end(),
                                     [&](const Row* r) { return sources.count(r->to) > 0; });
    std::vector<Move> moves;
    if (!chained) {
        for (const Row* r : rows) moves.push_back({r->from, r->to});
        return moves;
    }
    std::unordered_set<std::u16string> taken(everything.begin(), everything.end());
    for (const Row* r : rows) taken.insert(r->to);
    std::vector<std::u16string> temporary;
    std::size_t serial = 0;
    for (const Row* r : rows) {
        std::u16string t;
        do {
            t = u".~改名" + text::WholeNumberText(static_cast<std::int64_t>(serial++)) + u".tmp";
        } while (taken.count(t));
        taken.insert(t);
        moves.push_back({r->from, t});
        temporary.push_back(std::move(t));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) moves.push_back({temporary[i], rows[i]->to});
    return moves;
}

}  // namespace qm::rename
