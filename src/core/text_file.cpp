#include "core/text_file.h"

#include "core/atomic_file.h"
#include "core/log.h"
#include "platform/win32_error.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <fmt/format.h>
#include <memory>

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens the file for reading; on failure sets error to the Win32 code. Linux opens folders,
// Windows does not: a folder is refused as access denied.
FileHandle lf_openForReading(const fs::path& path, std::uint32_t& error) {
    std::error_code ignored;
    if (fs::is_directory(path, ignored)) {
        error = platform::win32ErrorFromErrno(EISDIR);
        return nullptr;
    }
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = platform::win32ErrorFromErrno(errno);
    }
    return file;
}

// The whole file; false when it cannot be opened or a read fails.
bool lf_readBytes(const fs::path& path, std::string& bytes) {
    std::uint32_t error = 0;
    FileHandle file = lf_openForReading(path, error);
    if (!file) {
        return false;
    }
    std::error_code ignored;
    const auto size = fs::file_size(path, ignored);
    std::size_t chunk = ignored ? 65536 : static_cast<std::size_t>(size) + 1;
    bytes.clear();
    // The size is a hint only; a file that grows meanwhile is read to its end.
    while (true) {
        const std::size_t want = chunk;
        const std::size_t had = bytes.size();
        bytes.resize(had + want);
        const std::size_t got = std::fread(bytes.data() + had, 1, want, file.get());
        bytes.resize(had + got);
        if (got < want) {
            break;
        }
        chunk = 65536;
    }
    return std::ferror(file.get()) == 0;
}

bool lf_writeLines(const auto& lines, const fs::path& path) {
    return gf_replaceFileAtomically(path, [&](std::ostream& out) {
        for (const std::string& line : lines) {
            out << line << kLineEnd;
        }
    });
}

} // namespace

CharacterEncoding lf_detectCharacterEncoding(const fs::path& path) {
    std::uint32_t error = 0;
    FileHandle file = lf_openForReading(path, error);
    if (!file) {
        gf_log(fmt::format("cannot open file {} for character encoding, err: {}", path.string(),
                           error));
        return CharacterEncoding::none_found;
    }
    char mark[2];
    const std::size_t got = std::fread(mark, 1, sizeof mark, file.get());
    return lf_encodingFromMark(std::string_view(mark, got));
}

bool lf_readWideTextFile(CharacterEncoding encoding, const fs::path& path,
                         std::vector<std::string>& lines) {
    if (encoding == CharacterEncoding::none_found) {
        return false;
    }
    std::string bytes;
    if (!lf_readBytes(path, bytes)) {
        return false;
    }
    lf_decodeTextBytes(encoding, bytes, lines);
    return true;
}

bool gf_readExtTextFileToStringVector(const fs::path& path, std::vector<std::string>& lines) {
    try {
        const CharacterEncoding encoding = lf_detectCharacterEncoding(path);
        if (encoding == CharacterEncoding::none_found) {
            return false;
        }
        return lf_readWideTextFile(encoding, path, lines);
    } catch (const std::exception& e) {
        gf_log(fmt::format("gf_readExtTextFileToStringVector {}", e.what()));
        return true;
    }
}

std::optional<std::vector<std::string>> TextFile::readLines(std::size_t expectedLines) {
    lines_.clear();
    std::string bytes;
    if (!lf_readBytes(path_, bytes)) {
        return std::nullopt;
    }
    lines_.reserve(expectedLines);
    gf_appendByteLines(bytes, lines_);
    if (lines_.empty()) {
        return std::nullopt;
    }
    return lines_;
}

bool gf_writeTextFile(std::string_view text, const fs::path& path, bool lineEnd) {
    return gf_replaceFileAtomically(path, [&](std::ostream& out) {
        out << text;
        if (lineEnd) {
            out << kLineEnd;
        }
    });
}

bool gf_writeLinesToFile(const std::vector<std::string>& lines, const fs::path& path) {
    return lf_writeLines(lines, path);
}

bool gf_writeStringListToFile(const std::list<std::string>& lines, const fs::path& path) {
    return lf_writeLines(lines, path);
}

std::size_t gf_countFilesInFolder(const fs::path& folder) {
    if (!fs::exists(folder)) {
        return 0;
    }
    std::size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            ++count;
        }
    }
    return count;
}
