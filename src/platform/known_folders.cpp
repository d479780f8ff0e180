#include "platform/known_folders.h"

#include "platform/environment.h"
#include "platform/native_path.h"

namespace platform {

namespace {

std::filesystem::path lf_knownFolder(const char* override, const char* xdg,
                                     std::string_view belowHome) {
    if (auto value = environmentValue(override)) {
        return std::filesystem::path(*value);
    }
    if (auto value = environmentValue(xdg)) {
        return std::filesystem::path(*value);
    }
    if (auto home = environmentValue("HOME")) {
        return std::filesystem::path(*home) / belowHome;
    }
    return {};
}

} // namespace

std::filesystem::path appDataFolder() {
    return lf_knownFolder("KSBY_APPDATA", "XDG_CONFIG_HOME", ".config");
}

std::filesystem::path documentsFolder() {
    return lf_knownFolder("KSBY_DOCUMENTS", "XDG_DOCUMENTS_DIR", "Documents");
}

std::filesystem::path publicDocumentsFolder() {
    return lf_knownFolder("KSBY_PUBLIC_DOCUMENTS", "XDG_PUBLICSHARE_DIR", "Public");
}

std::filesystem::path programDataFolder() {
    return lf_knownFolder("KSBY_PROGRAMDATA", "XDG_DATA_HOME", ".local/share");
}

std::filesystem::path programDataPath(std::string_view restAfterProgramData) {
    const std::filesystem::path folder = programDataFolder();
    if (folder.empty()) {
        return {};
    }
    return toNativePath(folder, restAfterProgramData);
}

} // namespace platform
