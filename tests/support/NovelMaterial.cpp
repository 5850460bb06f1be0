#include "NovelMaterial.h"

#include <fstream>

#include "Bytes.h"

namespace material {

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

}  // namespace material
