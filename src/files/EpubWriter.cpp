#include "files/EpubWriter.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>

namespace files {

namespace {

QString ZipWhy(zip_error_t* error) {
    return QStringLiteral("无法生成EPUB压缩包：%1")
        .arg(QString::fromUtf8(zip_error_strerror(error)));
}

// The archive libzip writes, as a source of its own kind: its bytes go to
// the atomic writer's temporary file as libzip makes them, at the place it
// says (it goes back to fill in each entry's header). There is no old
// archive to read: libzip is told it is empty.
struct Sink {
    AtomicWriter& out;
    zip_uint64_t at = 0;    // where the next write goes
    zip_uint64_t size = 0;  // bytes written so far
    zip_error_t error{};
    Outcome failed{true, {}};  // the writer's own reason, when it failed

    zip_int64_t Fail(int zipCode, int err) {
        zip_error_set(&error, zipCode, err);
        return -1;
    }

    zip_int64_t Call(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        switch (cmd) {
            case ZIP_SOURCE_SUPPORTS:
                return zip_source_make_command_bitmap(
                    ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                    ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                    ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
                    ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE,
                    ZIP_SOURCE_REMOVE, -1);
            case ZIP_SOURCE_STAT: {
                auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error);
                if (!st) return -1;
                zip_stat_init(st);
                st->size = 0;
                st->valid |= ZIP_STAT_SIZE;
                return sizeof(*st);
            }
            case ZIP_SOURCE_OPEN:
            case ZIP_SOURCE_CLOSE:
            case ZIP_SOURCE_FREE:
            case ZIP_SOURCE_BEGIN_WRITE:
            case ZIP_SOURCE_COMMIT_WRITE:  // the caller commits once zip_close succeeded
            case ZIP_SOURCE_ROLLBACK_WRITE:
            case ZIP_SOURCE_REMOVE:
                return 0;
            case ZIP_SOURCE_READ:
            case ZIP_SOURCE_SEEK:
            case ZIP_SOURCE_TELL:
                return 0;  // an empty archive: nothing to read
            case ZIP_SOURCE_ERROR:
                return zip_error_to_data(&error, data, len);
            case ZIP_SOURCE_WRITE: {
                if (!failed) return Fail(ZIP_ER_WRITE, EIO);
                failed = out.WriteAt(at, static_cast<const char*>(data), len);
                if (!failed) return Fail(ZIP_ER_WRITE, EIO);
                at += len;
                size = std::max(size, at);
                return static_cast<zip_int64_t>(len);
            }
            case ZIP_SOURCE_SEEK_WRITE: {
                const zip_int64_t to = zip_source_seek_compute_offset(at, size, data, len, &error);
                if (to < 0) return -1;
                at = static_cast<zip_uint64_t>(to);
                return 0;
            }
            case ZIP_SOURCE_TELL_WRITE:
                return static_cast<zip_int64_t>(at);
            default:
                return Fail(ZIP_ER_OPNOTSUPP, 0);
        }
    }
};

zip_int64_t SinkCall(void* self, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    return static_cast<Sink*>(self)->Call(data, len, cmd);
}

// The archive of the files written into out; its reason when it fails.
Outcome Zip(const std::vector<qm::epub::File>& files, AtomicWriter& out) {
    Sink sink{out};
    zip_error_init(&sink.error);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_function_create(SinkCall, &sink, &error);
    zip_t* za = src ? zip_open_from_source(src, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr;
    if (!za) {
        if (src) zip_source_free(src);
        const Outcome o = Outcome::Failed(ZipWhy(&error));
        zip_error_fini(&error);
        zip_error_fini(&sink.error);
        return o;
    }
    zip_error_fini(&error);
    Outcome result{true, {}};
    for (const qm::epub::File& f : files) {
        zip_source_t* s = zip_source_buffer(za, f.content.data(), f.content.size(), 0);
        const zip_int64_t index = s ? zip_file_add(za, f.path.c_str(), s, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (s) zip_source_free(s);
            result = Outcome::Failed(ZipWhy(zip_get_error(za)));
            break;
        }
        // mimetype stored as it is, first in the archive: how a reader knows
        // the file for an EPUB. The text compresses fast at level 6.
        zip_set_file_compression(za, static_cast<zip_uint64_t>(index),
                                 f.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, f.compress ? 6 : 0);
    }
    if (result && zip_close(za) != 0) {
        // The disk's own reason (full, say) rather than libzip's "write error".
        result = sink.failed ? Outcome::Failed(ZipWhy(zip_get_error(za))) : sink.failed;
    } else if (result) {
        za = nullptr;  // closed, and the source freed with it
    }
    if (za) zip_discard(za);
    zip_error_fini(&sink.error);
    return result;
}

}  // namespace

Outcome WriteEpub(const QString& path, const qm::epub::Book& book) {
    AtomicWriter out(path);
    if (Outcome o = out.Open(); !o) return o;
    if (Outcome o = Zip(qm::epub::Files(book), out); !o) return o;
    return out.Commit();
}

}  // namespace files
