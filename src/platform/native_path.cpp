#include "platform/native_path.h"
#include "platform/ascii.h"

#include "platform/environment.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {

namespace {

namespace fs = std::filesystem;

std::string lf_slashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

std::string_view lf_withoutLeadingSlashes(std::string_view text) {
    while (!text.empty() && text.front() == '/') {
        text.remove_prefix(1);
    }
    return text;
}

fs::path lf_driveRoot(char letter) {
    const std::string variable = std::string("KSBY_DRIVE_") + platform::asciiUpper(letter);
    if (auto mount = environmentValue(variable.c_str())) {
        return fs::path(*mount);
    }
    return fs::path(std::string("/mnt/") + platform::asciiLower(letter));
}

// The entry of the folder whose name equals name ASCII-case-insensitively; the first in byte
// order when there are several.
std::optional<std::string> lf_findNoCase(const fs::path& folder, std::string_view name) {
    std::optional<std::string> best;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (platform::equalsNoCase(entry, name) && (!best || entry < *best)) {
            best = std::move(entry);
        }
    }
    return best;
}

fs::path lf_join(const fs::path& folder, std::string_view name) {
    return folder.empty() ? fs::path(name) : folder / name;
}

// root / rest, with the components of rest that are missing in the exact case found as Windows
// would find them.
fs::path lf_resolve(const fs::path& root, std::string_view rest) {
    const fs::path exact = lf_join(root, rest);
    std::error_code ec;
    if (rest.empty() || fs::exists(exact, ec)) {
        return exact;
    }
    std::vector<std::string_view> components;
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t slash = std::min(rest.find('/', start), rest.size());
        if (slash > start) {
            components.push_back(rest.substr(start, slash - start));
        }
        start = slash + 1;
    }
    fs::path current = root;
    std::size_t i = 0;
    for (; i < components.size(); ++i) {
        const std::string_view component = components[i];
        const fs::path candidate = lf_join(current, component);
        if (component == "." || component == ".." || fs::exists(candidate, ec)) {
            current = candidate;
            continue;
        }
        const std::optional<std::string> match = lf_findNoCase(current, component);
        if (!match) {
            break;
        }
        current = lf_join(current, *match);
    }
    for (; i < components.size(); ++i) {
        current = lf_join(current, components[i]);
    }
    if (rest.back() == '/') {
        current /= "";
    }
    return current;
}

} // namespace

std::filesystem::path toNativePath(std::string_view text) {
    return toNativePath(fs::path(), text);
}

std::filesystem::path toNativePath(const std::filesystem::path& base, std::string_view text) {
    if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
        return fs::path(lf_slashes(text));
    }
    if (text.size() >= 2 && platform::isAsciiLetter(text[0]) && text[1] == ':' &&
        (text.size() == 2 || text[2] == '\\' || text[2] == '/')) {
        const std::string rest = lf_slashes(text.substr(2));
        return lf_resolve(lf_driveRoot(text[0]), lf_withoutLeadingSlashes(rest));
    }
    if (!text.empty() && text.front() == '/') {
        return lf_resolve(fs::path("/"), lf_withoutLeadingSlashes(text));
    }
    // A text rooted on the current drive ("\Addons") also stays below the base.
    const std::string rest = lf_slashes(text);
    return lf_resolve(base, lf_withoutLeadingSlashes(rest));
}

} // namespace platform
