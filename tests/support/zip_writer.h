#pragma once
// Zip archives for tests, the stand-ins and benchmarks, written through libzip's write side
// (never through the program's reader). Names are taken as given, hostile ones included.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

class ZipWriter {
public:
    // A file entry; a name ending in '/' makes a folder entry.
    ZipWriter& add(std::string name, std::string bytes = {});
    // Entries stored uncompressed (faster to write, larger).
    ZipWriter& stored(bool on = true);

    // Writes the archive; throws std::runtime_error naming what libzip refused.
    void write(const std::filesystem::path& path) const;
    std::string bytes() const;

private:
    std::vector<std::pair<std::string, std::string>> entries_;
    bool stored_ = false;
};

} // namespace ksb::test
