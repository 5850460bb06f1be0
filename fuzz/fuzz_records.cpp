// The record cutting of the text-into-files window, on arbitrary texts and
// separators. The first two bytes give the separators' lengths.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Encoding.h"
#include "core/filetools/FileTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::u16string all =
        qm::enc::Decode(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2),
                        qm::enc::Encoding::Gbk)
            .text;
    const std::size_t titleLen = std::min<std::size_t>(data[0] % 4, all.size());
    const std::size_t recordLen = std::min<std::size_t>(data[1] % 4, all.size() - titleLen);
    const std::u16string_view titleSep = std::u16string_view(all).substr(0, titleLen);
    const std::u16string_view recordSep = std::u16string_view(all).substr(titleLen, recordLen);
    const std::u16string_view text = std::u16string_view(all).substr(titleLen + recordLen);
    const auto records = qm::filetools::CutRecords(text, titleSep, recordSep);
    // One record per separator, none without one.
    std::size_t count = 0;
    if (!recordSep.empty()) {
        for (std::size_t at = 0; (at = text.find(recordSep, at)) != std::u16string_view::npos;
             at += recordSep.size()) {
            ++count;
        }
    }
    if (records.size() != count) std::abort();
    for (const auto& r : records) {
        // A name that could leave the output folder is never called safe.
        const std::u16string name = r.fileName.substr(0, r.fileName.size() - 4);
        const bool escapes =
            name.empty() || name == u"." || name == u".." ||
            name.find_first_of(std::u16string_view(u"/\\\0", 3)) != std::u16string::npos;
        if (r.safeName && escapes) std::abort();
        // Nor one holding a line break; and no title starts or ends with one.
        for (char16_t c : name) {
            if (r.safeName && c < 0x20) std::abort();
        }
        const auto isBreak = [](char16_t c) { return c == u'\r' || c == u'\n'; };
        if (!r.title.empty() && (isBreak(r.title.front()) || isBreak(r.title.back()))) std::abort();
        if (r.content.size() > text.size()) std::abort();
    }
    // Whatever follows the records is told only when it holds something.
    if (const auto tail = qm::filetools::UnclosedRecord(text, titleSep, recordSep)) {
        if (recordSep.empty() || tail->size() > text.size()) std::abort();
    }
    return 0;
}
