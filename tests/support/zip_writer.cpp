#include "support/zip_writer.h"

#include "support/file_bytes.h"
#include "support/temp_folder.h"

#include <zip.h>

#include <fstream>
#include <stdexcept>

namespace ksb::test {

ZipWriter& ZipWriter::add(std::string name, std::string bytes) {
    entries_.emplace_back(std::move(name), std::move(bytes));
    return *this;
}

ZipWriter& ZipWriter::stored(bool on) {
    stored_ = on;
    return *this;
}

void ZipWriter::write(const std::filesystem::path& path) const {
    if (entries_.empty()) {
        // libzip writes no file for an empty archive; the end record alone is one.
        std::ofstream(path, std::ios::binary).write("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
        return;
    }
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        throw std::runtime_error("zip_open failed for " + path.string());
    }
    const auto fail = [archive](const std::string& what) {
        const std::string text = what + ": " + zip_strerror(archive);
        zip_discard(archive);
        throw std::runtime_error(text);
    };
    for (const auto& [name, bytes] : entries_) {
        if (!name.empty() && name.back() == '/') {
            if (zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_RAW) < 0) {
                fail("zip_dir_add " + name);
            }
            continue;
        }
        // The bytes live in entries_ until zip_close below has read them.
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (source == nullptr) {
            fail("zip_source_buffer " + name);
        }
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(source);
            fail("zip_file_add " + name);
        }
        if (stored_) {
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
    }
    if (zip_close(archive) != 0) {
        fail("zip_close " + path.string());
    }
}

std::string ZipWriter::bytes() const {
    const TempFolder folder;
    const std::filesystem::path path = folder / "archive.zip";
    write(path);
    return readBytes(path);
}

} // namespace ksb::test
