// A 10 MB novel: the purge (finding every mark and cutting them), the
// search for repeated passages, and the EPUB export (the book's files and
// the zipped, atomically written book).
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "core/novel/Epub.h"
#include "core/novel/Repeats.h"
#include "core/novel/purge/Purge.h"
#include "files/EpubWriter.h"

int main() {
    // 10 MB of GBK, with an address line every 200 lines to find.
    const std::u16string base =
        qm::enc::Decode(bench::MakeGbkText(10 << 20), qm::enc::Encoding::Gbk).text;
    std::u16string text;
    std::size_t lines = 0;
    for (std::size_t at = 0; at < base.size();) {
        std::size_t end = base.find(u"\r\n", at);
        end = end == std::u16string::npos ? base.size() : end + 2;
        text.append(base, at, end - at);
        if (++lines % 200 == 0) text += u"最新章节请访问ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ\r\n";
        at = end;
    }
    qm::purge::Found found;
    const double find = bench::BestOf(3, [&] { found = qm::purge::Find(text); });
    std::u16string purged;
    const double apply =
        bench::BestOf(3, [&] { purged = qm::purge::Apply(text, found.hits).text; });
    std::printf("  purge of %zu units: find %.3f s (%zu hits), apply %.3f s\n", text.size(), find,
                found.hits.size(), apply);

    // A text without line breaks, every mark on its one line (the tests keep
    // it correct; this keeps it quick: it took seconds when lines were scanned).
    std::u16string oneLine;
    for (int i = 0; i < 20000; ++i)
        oneLine += u"他走了。（ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ）她来了。 www.biquge.com 又走了。";
    qm::purge::Found marks;
    const double one = bench::BestOf(3, [&] { marks = qm::purge::Find(oneLine); });
    std::printf("  one line of %zu units with %zu marks: find %.3f s\n", oneLine.size(),
                marks.hits.size(), one);

    std::vector<qm::repeats::Repeat> repeats;
    const double rep = bench::BestOf(3, [&] { repeats = qm::repeats::Find(purged); });
    std::printf("  repeated passages in the same text: %.3f s (%zu found)\n", rep, repeats.size());

    // The same text as 2,000 chapters in 20 volumes.
    qm::epub::Book book;
    book.title = u"十兆字节";
    const std::size_t per = purged.size() / 2000 + 1;
    for (std::size_t c = 0; c * per < purged.size(); ++c) {
        if (c % 100 == 0) book.volumes.push_back({u"第" + std::u16string(1, u'卷'), {}, {}});
        qm::epub::Chapter ch;
        ch.title = u"第" + std::u16string(1, u'章');
        const std::u16string piece = purged.substr(c * per, per);
        for (std::size_t at = 0; at < piece.size();) {
            std::size_t end = piece.find(u"\r\n", at);
            if (end == std::u16string::npos) end = piece.size();
            ch.paragraphs.push_back(piece.substr(at, end - at));
            at = end + 2;
        }
        book.volumes.back().chapters.push_back(std::move(ch));
    }
    std::vector<qm::epub::File> files;
    const double build = bench::BestOf(3, [&] { files = qm::epub::Files(book); });
    QTemporaryDir dir;
    const double write = bench::BestOf(3, [&] {
        if (!files::WriteEpub(dir.filePath("book.epub"), book)) std::printf("  write failed\n");
    });
    std::printf("  EPUB of the same text: files %.3f s, whole export (files, zip, write) %.3f s\n",
                build, write);
    return 0;
}
