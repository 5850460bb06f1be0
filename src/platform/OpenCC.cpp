#include "platform/OpenCC.h"

#include <opencc/opencc.h>

#include <QString>
#include <memory>

namespace platform {

std::optional<std::u16string> TraditionalToSimplified(std::u16string_view text) {
    // Loading the dictionaries takes a moment: once per run.
    static const std::unique_ptr<opencc::SimpleConverter> converter =
        []() -> std::unique_ptr<opencc::SimpleConverter> {
        try {
            return std::make_unique<opencc::SimpleConverter>("t2s.json");
        } catch (...) {
            return nullptr;
        }
    }();
    if (!converter) return std::nullopt;
    const QByteArray utf8 = QString::fromStdU16String(std::u16string(text)).toUtf8();
    try {
        const std::string out =
            converter->Convert(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size())).toStdU16String();
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace platform
