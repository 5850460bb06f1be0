// The replacement table's file reader.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Encoding.h"
#include "core/search/ReplaceTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string content = qm::enc::Decode(bytes, qm::enc::Encoding::Gbk).text;
    const std::vector<qm::table::Line> lines = qm::table::Parse(content);
    if (lines.size() > static_cast<std::size_t>(qm::table::kRows)) std::abort();
    // What was read and saved again reads back the same.
    qm::table::Table t;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        if (lines[r].empty) continue;
        t[r] = {lines[r].find, lines[r].replacement};
    }
    const std::vector<qm::table::Line> again = qm::table::Parse(qm::table::Serialize(t));
    std::size_t k = 0;
    for (const qm::table::Pair& p : t) {
        if (p.find.empty() || p.replacement.empty()) continue;
        // A CR LF inside a cell cannot be written: Parse never yields one.
        if (k >= again.size() || again[k].find != p.find || again[k].replacement != p.replacement) {
            std::abort();
        }
        ++k;
    }
    return 0;
}
