#include "core/atomic_file.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void lf_removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

} // namespace

bool gf_replaceFileAtomically(const fs::path& target,
                              const std::function<void(std::ostream& out)>& writer) {
    std::error_code error;
    if (fs::exists(target, error)) {
        // A target we could not write in place (read-only, a folder) stays refused.
        std::fstream probe(target, std::ios::in | std::ios::out | std::ios::binary);
        if (!probe.is_open()) {
            return false;
        }
    }
    fs::path temporary = target;
    temporary += ".tmp";
    std::ofstream out(temporary, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out.is_open()) {
        // Nothing of ours exists; whatever holds the name (a folder, say) is not touched.
        return false;
    }
    try {
        writer(out);
    } catch (...) {
        out.close();
        lf_removeQuietly(temporary);
        throw;
    }
    out.flush();
    const bool written = out.good();
    out.close();
    if (!written || out.fail()) {
        lf_removeQuietly(temporary);
        return false;
    }
    // The replacement keeps the permissions the user gave the old file.
    const auto status = fs::status(target, error);
    if (!error && fs::is_regular_file(status)) {
        fs::permissions(temporary, status.permissions(), error);
    }
    fs::rename(temporary, target, error);
    if (error) {
        lf_removeQuietly(temporary);
        return false;
    }
    return true;
}
