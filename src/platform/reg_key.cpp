#include "platform/reg_key.h"
#include "platform/ascii.h"

#include "platform/environment.h"
#include "platform/known_folders.h"
#include "platform/reg_exception.h"
#include "platform/utf_conversion.h"
#include "platform/warning_sink.h"

#include <fstream>
#include <string>

namespace winreg {

namespace {

using Values = std::vector<std::pair<std::string, std::u16string>>;

constexpr std::int32_t kNotFound = 2;
constexpr std::int32_t kInvalidHandle = 6;

std::string_view lf_trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view lf_withoutTrailingBackslashes(std::string_view path) {
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    return path;
}

std::string_view lf_rootName(RegRoot root) {
    return root == RegRoot::localMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// Whether the key of a header line is the wanted key, or lies below it (then the wanted key
// exists as its parent).
struct HeaderMatch {
    bool valid = false;
    bool same = false;
    bool below = false;
};

HeaderMatch lf_matchHeader(std::string_view inner, RegRoot root, std::string_view subKey) {
    HeaderMatch match;
    const std::size_t slash = inner.find('\\');
    const std::string_view rootName = inner.substr(0, slash);
    const std::string_view path = lf_withoutTrailingBackslashes(
        slash == std::string_view::npos ? "" : inner.substr(slash + 1));
    const bool localMachine = platform::equalsNoCase(rootName, lf_rootName(RegRoot::localMachine));
    const bool currentUser = platform::equalsNoCase(rootName, lf_rootName(RegRoot::currentUser));
    if (!localMachine && !currentUser) {
        return match;
    }
    match.valid = true;
    if ((localMachine ? RegRoot::localMachine : RegRoot::currentUser) != root) {
        return match;
    }
    match.same = platform::equalsNoCase(path, subKey);
    match.below = subKey.empty() || (path.size() > subKey.size() && path[subKey.size()] == '\\' &&
                                     platform::equalsNoCase(path.substr(0, subKey.size()), subKey));
    return match;
}

void lf_warnLine(const std::filesystem::path& store, int number, std::string_view what) {
    platform::warn("registry store " + store.string() + " line " + std::to_string(number) + ": " +
                   std::string(what));
}

// Reads the whole store; collects the values of the wanted key and tells whether it exists.
bool lf_readKey(RegRoot root, std::string_view subKey, Values& values) {
    const std::filesystem::path store = platform::registryStorePath();
    if (store.empty()) {
        return subKey.empty();
    }
    std::error_code ec;
    if (!std::filesystem::exists(store, ec)) {
        return subKey.empty();
    }
    std::ifstream in(store, std::ios::binary);
    if (!in.is_open() || std::filesystem::is_directory(store, ec)) {
        platform::warn("registry store " + store.string() + " cannot be read; registry empty");
        return subKey.empty();
    }

    enum class Section { none, invalid, other, wanted };
    Section section = Section::none;
    bool exists = subKey.empty();
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string_view text = line;
        if (number == 1 && text.substr(0, 3) == "\xEF\xBB\xBF") {
            text.remove_prefix(3);
        }
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        const std::string_view trimmed = lf_trim(text);
        if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
            continue;
        }
        if (trimmed.front() == '[') {
            const HeaderMatch match =
                trimmed.size() >= 2 && trimmed.back() == ']'
                    ? lf_matchHeader(trimmed.substr(1, trimmed.size() - 2), root, subKey)
                    : HeaderMatch{};
            if (!match.valid) {
                lf_warnLine(store, number, "malformed key line skipped: " + std::string(text));
                // Its values belong to no key we know; they are skipped with it.
                section = Section::invalid;
                continue;
            }
            section = match.same ? Section::wanted : Section::other;
            exists = exists || match.same || match.below;
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || section == Section::none) {
            lf_warnLine(store, number, "malformed line skipped: " + std::string(text));
            continue;
        }
        if (section != Section::wanted) {
            continue;
        }
        const std::string_view name = lf_trim(text.substr(0, equals));
        bool repeated = false;
        for (const auto& value : values) {
            repeated = repeated || platform::equalsNoCase(value.first, name);
        }
        if (repeated) {
            continue;
        }
        try {
            values.emplace_back(std::string(name), win32::Utf8ToUtf16(text.substr(equals + 1)));
        } catch (const std::exception& e) {
            lf_warnLine(store, number, std::string("value skipped: ") + e.what());
        }
    }
    return exists;
}

} // namespace

RegKey::RegKey(RegKey&& other) noexcept
    : open_(std::exchange(other.open_, false)), values_(std::move(other.values_)) {
    other.values_.clear();
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        open_ = std::exchange(other.open_, false);
        values_ = std::move(other.values_);
        other.values_.clear();
    }
    return *this;
}

std::int32_t RegKey::open(RegRoot root, std::u16string_view subKey) {
    close();
    std::string path;
    try {
        path = win32::Utf16ToUtf8(subKey);
    } catch (const std::exception&) {
        // A name that is not text names no key.
        return kNotFound;
    }
    Values values;
    if (!lf_readKey(root, lf_withoutTrailingBackslashes(path), values)) {
        return kNotFound;
    }
    values_ = std::move(values);
    open_ = true;
    return 0;
}

std::u16string RegKey::getStringValue(std::u16string_view valueName) const {
    if (!open_) {
        throw RegException(kInvalidHandle, "Cannot get size of string value: RegGetValueW failed.");
    }
    std::string name;
    try {
        name = win32::Utf16ToUtf8(valueName);
    } catch (const std::exception&) {
        throw RegException(kNotFound, "Cannot get size of string value: RegGetValueW failed.");
    }
    for (const auto& value : values_) {
        if (platform::equalsNoCase(value.first, name)) {
            return value.second;
        }
    }
    throw RegException(kNotFound, "Cannot get size of string value: RegGetValueW failed.");
}

void RegKey::close() noexcept {
    open_ = false;
    values_.clear();
}

} // namespace winreg

namespace platform {

std::filesystem::path registryStorePath() {
    if (auto store = environmentValue("KSBY_REGISTRY")) {
        return std::filesystem::path(*store);
    }
    const std::filesystem::path appData = appDataFolder();
    if (appData.empty()) {
        return {};
    }
    return appData / "registry.ini";
}

} // namespace platform
