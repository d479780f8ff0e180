#include "updates/zip_archive.h"

#include <zip.h>

#include <system_error>
#include <vector>

namespace ksb {

namespace {

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFile = std::unique_ptr<zip_file_t, ZipFileCloser>;

int lf_errorCode(zip_t* archive, zip_file_t* file) {
    const int code = zip_error_code_zip(file != nullptr ? zip_file_get_error(file)
                                                        : zip_get_error(archive));
    // An entry can fail without libzip naming why; a failure is never 0.
    return code != ZIP_ER_OK ? code : ZIP_ER_READ;
}

} // namespace

void ZipArchive::Closer::operator()(zip* archive) const {
    // Read-only: nothing to write back, so discard never loses anything.
    zip_discard(archive);
}

std::optional<ZipArchive> ZipArchive::open(const std::filesystem::path& path) {
    // libzip takes an empty file for an empty archive; an empty download is no archive.
    std::error_code sizeError;
    if (std::filesystem::file_size(path, sizeError) == 0 || sizeError) {
        return std::nullopt;
    }
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return std::nullopt;
    }
    return ZipArchive(archive);
}

std::optional<ZipArchive> ZipArchive::openBytes(std::string_view bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return std::nullopt;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (archive == nullptr) {
        zip_source_free(source);
        return std::nullopt;
    }
    return ZipArchive(archive);
}

std::vector<ZipEntry> ZipArchive::entries() const {
    std::vector<ZipEntry> list;
    const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            (stat.valid & ZIP_STAT_NAME) == 0 || stat.name == nullptr) {
            continue;
        }
        ZipEntry entry;
        entry.index = static_cast<std::uint64_t>(i);
        entry.name = stat.name;
        entry.size = (stat.valid & ZIP_STAT_SIZE) != 0 ? stat.size : 0;
        list.push_back(std::move(entry));
    }
    return list;
}

ZipRead ZipArchive::readText(const ZipEntry& entry, std::size_t maxBytes) const {
    ZipRead result;
    if (entry.size > maxBytes) {
        result.outcome = ZipRead::Outcome::tooLarge;
        return result;
    }
    const ZipFile file(zip_fopen_index(archive_.get(), entry.index, 0));
    if (!file) {
        return result;
    }
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), chunk.data(), chunk.size());
        if (got < 0) {
            result.text.clear();
            return result;
        }
        if (got == 0) {
            break;
        }
        // The stated size may lie; the cap holds for what is really read.
        if (result.text.size() + static_cast<std::size_t>(got) > maxBytes) {
            result.text.clear();
            result.outcome = ZipRead::Outcome::tooLarge;
            return result;
        }
        result.text.append(chunk.data(), static_cast<std::size_t>(got));
    }
    result.outcome = ZipRead::Outcome::read;
    return result;
}

int ZipArchive::streamTo(const ZipEntry& entry, std::ostream& out) const {
    const ZipFile file(zip_fopen_index(archive_.get(), entry.index, 0));
    if (!file) {
        return lf_errorCode(archive_.get(), nullptr);
    }
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), chunk.data(), chunk.size());
        if (got < 0) {
            return lf_errorCode(archive_.get(), file.get());
        }
        if (got == 0) {
            return 0;
        }
        if (!out.write(chunk.data(), static_cast<std::streamsize>(got))) {
            return -1;
        }
    }
}

} // namespace ksb
