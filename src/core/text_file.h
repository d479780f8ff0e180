#pragma once
// Reading text files in any of the encodings the simulator's files come in, as UTF-8 lines,
// and writing line lists. Paths are native paths; Windows path texts go through
// platform::toNativePath first.
#include "core/text_encoding.h"

#include <cstddef>
#include <filesystem>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The encoding of the file's mark (core/text_encoding.h). A file that cannot be opened, or a
// folder, logs "cannot open file {} for character encoding, err: {}" with the Win32 error
// code and gives "none_found".
CharacterEncoding lf_detectCharacterEncoding(const std::filesystem::path& path);

// Appends the lines of the file in its detected encoding. False when the file cannot be opened;
// otherwise the result of lf_readWideTextFile. Any other failure logs
// "gf_readExtTextFileToStringVector {}" with its text and gives true with the lines so far.
bool gf_readExtTextFileToStringVector(const std::filesystem::path& path,
                                      std::vector<std::string>& lines);

// Reads the whole file and appends its lines decoded as lf_decodeTextBytes does. True when the
// file was opened and read (also after a UTF-16 conversion failure, which the message line
// shows); false when it cannot be read or the encoding is "none_found".
bool lf_readWideTextFile(CharacterEncoding encoding, const std::filesystem::path& path,
                         std::vector<std::string>& lines);

// A path and its lines (8-bit, without line ends).
class TextFile {
public:
    explicit TextFile(std::filesystem::path path) : path_(std::move(path)) {}

    // Reads the file afresh as 8-bit text, one trailing '\r' dropped per line. The lines, or
    // nothing when the file cannot be opened or holds no line.
    std::optional<std::vector<std::string>> readLines(std::size_t expectedLines);

    const std::filesystem::path& path() const { return path_; }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::filesystem::path path_;
    std::vector<std::string> lines_;
};

// The writers replace the file atomically (core/atomic_file.h) and end lines with kLineEnd.
// False when the file could not be written; the old file is then untouched.
bool gf_writeTextFile(std::string_view text, const std::filesystem::path& path, bool lineEnd);
bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path);
bool gf_writeStringListToFile(const std::list<std::string>& lines,
                              const std::filesystem::path& path);

// Regular files directly in the folder; 0 when the folder does not exist. Other file-system
// failures throw std::filesystem::filesystem_error.
std::size_t gf_countFilesInFolder(const std::filesystem::path& folder);
