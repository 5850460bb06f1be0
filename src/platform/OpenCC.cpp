#include "platform/OpenCC.h"

#include <opencc/opencc.h>

#include <QString>
#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

namespace platform {

namespace {

const opencc::SimpleConverter* Converter() {
    // Loading the dictionaries takes a moment: once per run.
    static const std::unique_ptr<opencc::SimpleConverter> converter =
        []() -> std::unique_ptr<opencc::SimpleConverter> {
        try {
            return std::make_unique<opencc::SimpleConverter>("t2s.json");
        } catch (...) {
            return nullptr;
        }
    }();
    return converter.get();
}

bool Convert(const opencc::SimpleConverter& c, std::u16string_view piece, std::u16string& out) {
    const QByteArray utf8 = QString::fromStdU16String(std::u16string(piece)).toUtf8();
    try {
        const std::string s = c.Convert(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        out = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdU16String();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::optional<std::u16string> TraditionalToSimplified(std::u16string_view text) {
    const opencc::SimpleConverter* converter = Converter();
    if (!converter) return std::nullopt;
    // A large text in pieces cut at line breaks (no word spans one), one per
    // processor: the dictionaries are only read, so the pieces share them.
    const std::size_t parts =
        text.size() < (1u << 20)
            ? 1
            : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<std::u16string_view> pieces;
    std::size_t at = 0;
    for (std::size_t k = 1; k < parts; ++k) {
        const std::size_t cut = text.find(u"\r\n", std::max(at, text.size() * k / parts));
        if (cut == std::u16string_view::npos) break;
        pieces.push_back(text.substr(at, cut + 2 - at));
        at = cut + 2;
    }
    pieces.push_back(text.substr(at));
    std::vector<std::u16string> outs(pieces.size());
    std::vector<char> ok(pieces.size(), 0);
    std::vector<std::thread> workers;
    for (std::size_t k = 1; k < pieces.size(); ++k) {
        workers.emplace_back([&, k] { ok[k] = Convert(*converter, pieces[k], outs[k]); });
    }
    ok[0] = Convert(*converter, pieces[0], outs[0]);
    for (std::thread& t : workers) t.join();
    std::u16string result;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (!ok[k]) return std::nullopt;
        result += outs[k];
    }
    return result;
}

}  // namespace platform
