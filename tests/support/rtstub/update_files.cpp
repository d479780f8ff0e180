#include "support/rtstub/update_files.h"

#include "core/program_info.h"
#include "core/version_triple.h"
#include "support/airport_file_builder.h"
#include "support/catalogue_fixtures.h"
#include "support/e2e/scene.h"
#include "support/zip_writer.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace rtstub {

namespace {

// The scene's user stands at Frankfurt; its stands lie around the user's position.
constexpr int kStands = 12;

std::string lf_airportFile(std::string_view code, std::string_view publisher, double latitude,
                           double longitude, int stands) {
    ksb::test::AirportFileBuilder builder;
    builder.parameter("airport_name", std::string(code))
        .parameter("publisher", std::string(publisher))
        .parameter("num_parkpos", std::to_string(stands));
    for (int i = 0; i < stands; ++i) {
        // A row of stands 60 m apart, heading north.
        const double north = (i - stands / 2) * 60.0 / 111120.0;
        builder.parkpos({{"id", fmt::format("S{}", i + 1)},
                         {"latitude", fmt::format("{:.6f}", latitude + north)},
                         {"longitude", fmt::format("{:.6f}", longitude + 0.001)},
                         {"heading", "360.0"},
                         {"radius", "37.04"}});
    }
    return builder.text();
}

std::string lf_archiveZip() {
    ksb::test::ZipWriter zip;
    zip.add("archive/")
        .add("archive/stock/")
        .add("archive/stock/EDDF.xml",
             lf_airportFile("EDDF", "stock", ksb::e2e::scene::kLatitude,
                            ksb::e2e::scene::kLongitude, kStands))
        .add("archive/ORBX/EDDS.xml", lf_airportFile("EDDS", "ORBX", 48.6899, 9.2220, 4))
        .add("archive/thirdparty/Demo/EHAM.xml",
             lf_airportFile("EHAM", "Demo", 52.3086, 4.7639, 4))
        .add("readme.txt", "Airport files of the stand-in's update server.\n");
    return zip.bytes();
}

std::string lf_versionJson(const std::string& text) {
    const VersionTriple v = gf_parseVersion(text);
    return fmt::format("{{\"major\":{},\"minor\":{},\"patch\":{}}}", v.major, v.minor, v.patch);
}

using Item = std::pair<std::string_view, std::string UpdateVersions::*>;
constexpr std::array<Item, 4> kItems{{{"program", &UpdateVersions::program},
                                      {"dbase", &UpdateVersions::dbase},
                                      {"aig", &UpdateVersions::aig},
                                      {"archive", &UpdateVersions::archive}}};

std::array<Item, 4>::const_iterator lf_item(std::string_view name) {
    return std::find_if(kItems.begin(), kItems.end(),
                        [name](const Item& item) { return item.first == name; });
}

} // namespace

UpdateVersions::UpdateVersions() : program(kProgramVersionText) {}

bool isUpdateItem(std::string_view item) {
    return lf_item(item) != kItems.end();
}

void setUpdateVersion(UpdateVersions& versions, std::string_view item, std::string text) {
    const auto found = lf_item(item);
    if (found == kItems.end()) {
        throw std::invalid_argument(fmt::format("unknown update item \"{}\"", item));
    }
    versions.*(found->second) = std::move(text);
}

std::string installerBytes() {
    std::string bytes(4096, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xff);
    }
    return bytes;
}

std::optional<std::string> defaultUpdateFile(std::string_view path,
                                             const UpdateVersions& versions) {
    if (path == "release/version_P3D.json") {
        return versions.program + "\n";
    }
    if (path == "dbase/version.json") {
        return lf_versionJson(versions.dbase);
    }
    if (path == "aig/version.json") {
        return versions.aig + "\n";
    }
    if (path == "archive/p3d/version.json") {
        return versions.archive + "\n";
    }
    if (path == "dbase/dbase.xml") {
        return ksb::test::dbaseXmlText(ksb::e2e::scene::dbaseSpec());
    }
    if (path == "aig/AIG-regcodes.xml") {
        return ksb::test::aigRegcodesText(ksb::e2e::scene::aigEntries());
    }
    if (path == "archive/p3d/archive.zip") {
        return lf_archiveZip();
    }
    if (path == "docs/P3D_archive.txt") {
        return std::string("Airport archive of the stand-in\nThree airports: EDDF, EDDS, EHAM\n");
    }
    if (path == "docs/P3D_archive.csv") {
        return std::string("icao;folder;stands\nEDDF;stock;12\nEDDS;ORBX;4\nEHAM;thirdparty;4\n");
    }
    const VersionTriple program = gf_parseVersion(versions.program);
    if (program > gf_programVersion() &&
        path == fmt::format("release/setup_{}_v{}.zip", kProgramName, versions.program)) {
        return ksb::test::ZipWriter().add("setup.exe", installerBytes()).bytes();
    }
    return std::nullopt;
}

} // namespace rtstub
