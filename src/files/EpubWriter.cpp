#include "files/EpubWriter.h"

#include <zip.h>

#include <memory>

namespace files {

namespace {

QString ZipWhy(zip_error_t* error) {
    return QStringLiteral("无法生成EPUB压缩包：%1")
        .arg(QString::fromUtf8(zip_error_strerror(error)));
}

}  // namespace

std::string ZipEpub(const std::vector<qm::epub::File>& files, QString* why) {
    zip_error_t error;
    zip_error_init(&error);
    auto fail = [&](zip_error_t* e) {
        if (why) *why = ZipWhy(e);
        return std::string();
    };
    // The archive is built in a buffer: the atomic writer puts it on disk.
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer) {
        const std::string out = fail(&error);
        zip_error_fini(&error);
        return out;
    }
    std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> keep(buffer, zip_source_free);
    zip_t* za = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!za) {
        const std::string out = fail(&error);
        zip_error_fini(&error);
        return out;
    }
    zip_error_fini(&error);
    zip_source_keep(buffer);  // still ours after zip_close
    for (const qm::epub::File& f : files) {
        zip_source_t* s = zip_source_buffer(za, f.content.data(), f.content.size(), 0);
        const zip_int64_t index = s ? zip_file_add(za, f.path.c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (s) zip_source_free(s);
            const std::string out = fail(zip_get_error(za));
            zip_discard(za);
            return out;
        }
        // mimetype stored as it is, first in the archive: how a reader knows
        // the file for an EPUB. The text compresses fast at level 6.
        zip_set_file_compression(za, static_cast<zip_uint64_t>(index),
                                 f.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, f.compress ? 6 : 0);
    }
    if (zip_close(za) != 0) {
        const std::string out = fail(zip_get_error(za));
        zip_discard(za);
        return out;
    }
    std::string out;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(buffer, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        zip_source_open(buffer) != 0)
        return fail(zip_source_error(buffer));
    out.resize(st.size);
    const zip_int64_t n = zip_source_read(buffer, out.data(), st.size);
    zip_source_close(buffer);
    if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) return fail(zip_source_error(buffer));
    return out;
}

Outcome WriteEpub(const QString& path, const qm::epub::Book& book) {
    QString why;
    const std::string bytes = ZipEpub(qm::epub::Files(book), &why);
    if (bytes.empty()) return Outcome{false, why};
    return WriteFileAtomic(path, bytes);
}

}  // namespace files
