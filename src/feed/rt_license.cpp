#include "feed/rt_session.h"

#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "feed/rt_clients.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The text of an unfilled credential file.
constexpr std::string_view kPlaceholder = "fill in your license here";

// Only "not found" means the file is not there; any other failure of the query propagates.
bool lf_exists(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        return false;
    }
    if (error) {
        throw fs::filesystem_error("exists", path, error);
    }
    return true;
}

} // namespace

std::string lf_readLicenseFromFile(const fs::path& path) {
    // A folder opens on Linux but never as a file on Windows.
    std::error_code error;
    if (fs::is_directory(path, error)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        return {};
    }
    try {
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        const nlohmann::json file = nlohmann::json::parse(text);
        if (!file.is_object()) {
            // The library's own words for a document that is no object.
            (void)file.at("License");
        }
        const auto it = file.find("License");
        if (it == file.end()) {
            return "?";
        }
        return it->get<std::string>();
    } catch (const std::exception& e) {
        throw ksb::UserErrorException(
            901, fmt::format("no license found in {} {}, problem:", path.string(), e.what()));
    }
}

void gf_findRealTrafficLicense() {
    rtLicense.clear();
    const fs::path appData = gf_getAppDataPath();
    const fs::path fileA = appData / "InsideSystems" / "RealTraffic.lic";
    const fs::path fileB = "RealTraffic.lic";
    fs::path used = fileB;
    std::optional<std::string> credentialA;
    if (!appData.empty() && lf_exists(fileA)) {
        credentialA = lf_readLicenseFromFile(fileA);
        if (!credentialA->empty() && lf_exists(fileB)) {
            const std::string credentialB = lf_readLicenseFromFile(fileB);
            if (!credentialB.empty() && credentialB != kPlaceholder &&
                credentialB != *credentialA) {
                gf_log(fmt::format("\n{}Two different RT licenses found:", logPrefix));
                gf_log(fmt::format("\"{}\" with \"{}\"", fileA.string(), *credentialA));
                gf_log(fmt::format("\"{}\" with \"{}\"", fileB.string(), credentialB));
                gf_log("Delete the one that is outdated, probably from the RT app you are no "
                       "longer using and updating?\n");
                throw ksb::UserErrorException(900, "You have two different RT licenses? One from "
                                                   "the RealTraffic app and one here, see the "
                                                   "Log.txt.");
            }
        }
        used = fileA;
    }
    if (!credentialA && !lf_exists(used)) {
        return;
    }
    const std::string credential = credentialA ? *credentialA : lf_readLicenseFromFile(used);
    if (credential == kPlaceholder) {
        gf_log(fmt::format("No valid RT license in your file: \"{}\", license: \"{}\"",
                           used.string(), credential));
    } else if (!credential.empty()) {
        rtLicense = credential;
        gf_log(fmt::format("Your RealTraffic license was taken from \"{}\"", used.string()));
    }
}
