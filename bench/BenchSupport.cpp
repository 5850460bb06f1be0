#include "BenchSupport.h"

#include <cstdlib>

#include "core/encoding/Encoding.h"

namespace bench {

std::string MakeGbkText(std::size_t bytes) {
    const std::u16string pieces[] = {
        u"清晨五点，天刚蒙蒙亮，村口的老槐树下已经聚了几个人。",
        u"Zhang San said the meeting moves to 9 o'clock. ",
        u"李四点点头，把手里的 report 折好放进口袋。",
        u"第 12345 号文件  ",
        u"阳光透过窗帘洒在桌上，屋里很安静。",
    };
    std::string encoded[5];
    for (int i = 0; i < 5; ++i)
        encoded[i] = qm::enc::Encode(pieces[i], qm::enc::Encoding::Gbk).bytes;
    std::string out;
    out.reserve(bytes + 256);
    for (unsigned k = 0; out.size() < bytes; ++k) {
        out += encoded[k % 5];
        if (k % 3 == 0) out += encoded[(k / 3) % 5];
        out += "\r\n";
        if (k % 7 == 0) out += "\r\n";
    }
    return out;
}

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double TimeCommand(const std::string& command) {
    const double t0 = Now();
    if (std::system(command.c_str()) != 0) return -1;
    return Now() - t0;
}

}  // namespace bench
