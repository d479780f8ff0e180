#include "support/e2e/work_folder.h"

#include "core/catalogue_records.h"
#include "core/codec.h"
#include "core/program_info.h"
#include "core/strings.h"
#include "support/airports_list_fixture.h"
#include "support/catalogue_fixtures.h"
#include "support/e2e/scene.h"
#include "support/e2e/traffic_scene.h"
#include "support/registry_store.h"

#include <cstdlib>
#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ksb::e2e {

namespace {

void lf_write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        throw std::runtime_error(fmt::format("cannot write {}", file.string()));
    }
}

std::vector<LiveryRecord> lf_liveries() {
    return {{"DLH", "A388", "Demo Lufthansa A388", "", 0, false},
            {"UAE", "B77W", "Demo Emirates B77W", "", 0, false},
            {"KLM", "B738", "Demo KLM B738", "", 0, false}};
}

std::string lf_parametersXml(const WorkFolderSpec& spec) {
    std::vector<std::pair<std::string, std::string>> values{
        {"PROGRAM_VERSION", std::string(kProgramVersionText)},
        {"SIM_INSTALL_PATH", "S:\\Prepar3D v5"},
        {"SCAN_LIVERIES", "false"},
        {"SCAN_AIRPORTS", "false"},
    };
    if (spec.dayChecked) {
        values.emplace_back("DATA_CHECKED_AT_DATE", gf_scrambledDateStamp());
    }
    values.emplace_back("LAST_EPOCH_TIME", "0");
    if (spec.components) {
        // The update server stand-in's versions, so a check finds nothing newer.
        for (const char* name : {"DBASE_VERSION", "AIG_VERSION", "ARCHIVE_VERSION"}) {
            values.emplace_back(name, "1.0.0");
        }
    }
    // An extra value of a standard parameter replaces it.
    std::vector<std::pair<std::string, std::string>> extras;
    if (spec.trafficScene) {
        extras = trafficScene::parameters();
    }
    extras.insert(extras.end(), spec.parameters.begin(), spec.parameters.end());
    for (const auto& extra : extras) {
        const auto same = std::find_if(values.begin(), values.end(),
                                       [&](const auto& value) { return value.first == extra.first; });
        if (same != values.end()) {
            same->second = extra.second;
        } else {
            values.push_back(extra);
        }
    }
    std::string text = "<?xml version=\"1.0\"?>\n<parameters>\n";
    for (const auto& [name, value] : values) {
        text += fmt::format("\t<parameter name=\"{}\" value=\"{}\" />\n", gf_xmlEscaped(name),
                            gf_xmlEscaped(value));
    }
    text += "</parameters>\n";
    return text;
}

void lf_writeTrafficScene(const WorkFolder& f) {
    test::TxtOptions txt;
    txt.folder = f.work / "input" / "my_regcodes";
    test::writeRegcodeTxt("scene.TXT",
                          {fmt::format("{};{}", trafficScene::kRegcodeTitle,
                                       trafficScene::kRegcodeRegistration)},
                          txt);
    const std::string file = std::string(trafficScene::kParkAirport) + ".xml";
    trafficScene::airportFile().write(f.work / "airports" / "my_thirdparty" / file);
    trafficScene::learnedFile().write(f.work / "airports" / "learned" / "thirdparty" /
                                      trafficScene::kPublisher / file);
}

} // namespace

WorkFolder gf_workFolderPaths(const fs::path& root, const fs::path& pipeDir) {
    WorkFolder f;
    f.root = root;
    f.work = root / "work";
    f.appData = root / "appdata";
    f.documents = root / "documents";
    f.publicDocuments = root / "public";
    f.programData = root / "programdata";
    f.registry = root / "registry.ini";
    f.driveS = root / "drive_s";
    f.run = root / "run";
    f.home = root / "home";
    f.cache = root / "cache";
    f.pipeDir = pipeDir;
    f.trace = root / "trace.txt";
    f.stdoutFile = root / "stdout.txt";
    f.stderrFile = root / "stderr.txt";
    return f;
}

WorkFolder gf_buildWorkFolder(const WorkFolderSpec& spec) {
    const WorkFolder f = gf_workFolderPaths(spec.root, spec.pipeDir);
    for (const fs::path& folder :
         {f.work, f.appData / "KSBY_P3D", f.documents, f.publicDocuments, f.programData,
          f.driveS / "Prepar3D v5" / "Scenery", f.run, f.home, f.cache, f.work / "input",
          f.work / "output", f.work / "airports"}) {
        fs::create_directories(folder);
    }
    if (spec.components) {
        for (const char* folder : {"stock", "ORBX", "thirdparty"}) {
            fs::create_directories(f.work / "airports" / "archive" / folder);
        }
    }
    // Some libraries refuse a runtime folder that others can read.
    fs::permissions(f.run, fs::perms::owner_all, fs::perm_options::replace);
    if (!f.pipeDir.empty()) {
        fs::create_directories(f.pipeDir);
    }
    if (spec.docs) {
        fs::create_directories(f.work / "docs");
    }
    if (spec.components) {
        test::writeDbaseXml(spec.trafficScene ? trafficScene::dbaseSpec() : scene::dbaseSpec(),
                            f.work / "input" / "dbase.xml");
        test::writeAigRegcodes(scene::aigEntries(), {}, f.work / "input" / "AIG-regcodes.xml");
    }
    lf_write(
        f.work / "input" / "fixes.xml",
        "<?xml version=\"1.0\"?>\n<fixes>\n"
        "\t<fixes>DEMO1</fixes>\n\t<PVT_fixes>DEMO2</PVT_fixes>\n\t<GOV_fixes>DEMO3</GOV_fixes>\n"
        "</fixes>\n");
    test::writeLiveriesFile(spec.trafficScene ? trafficScene::liveries() : lf_liveries(), {},
                            f.work / "output" / "LiveriesScanned.xml");
    if (spec.airportsList && spec.trafficScene) {
        test::writeAirportsList(trafficScene::airports(), {},
                                f.work / "input" / "airports_p3d.xml");
    } else if (spec.airportsList) {
        // EDDF lies at the scene's user position.
        test::writeAirportsList({{"EDDF", "FRA", scene::kLatitude, scene::kLongitude, 364.0},
                                 {"EDDS", "STR", 48.6899, 9.2220, 1276.0},
                                 {"EHAM", "AMS", 52.3086, 4.7639, -11.0}},
                                {}, f.work / "input" / "airports_p3d.xml");
    }
    switch (spec.licence) {
    case LicencePlace::workFolder:
        lf_write(f.work / "RealTraffic.lic", scene::kLicenceFile);
        break;
    case LicencePlace::appData:
        lf_write(f.appData / "InsideSystems" / "RealTraffic.lic", scene::kLicenceFile);
        break;
    case LicencePlace::none:
        break;
    }
    if (spec.trafficScene) {
        lf_writeTrafficScene(f);
    }
    lf_write(f.parametersFile(), lf_parametersXml(spec));
    test::RegistryStoreWriter registry;
    registry.p3d(5, "S:\\Prepar3D v5\\");
    if (spec.simPort) {
        registry.key("HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5")
            .value("SimConnect_Port_IPv4", std::to_string(*spec.simPort));
    }
    registry.writeTo(f.registry);
    return f;
}

Environment gf_programEnvironment(const WorkFolder& f, const std::string& display,
                                  const std::string& webBase) {
    Environment env{
        {"PATH", "/usr/local/bin:/usr/bin:/bin"},
        {"HOME", f.home.string()},
        {"KSBY_APPDATA", f.appData.string()},
        {"KSBY_DOCUMENTS", f.documents.string()},
        {"KSBY_PUBLIC_DOCUMENTS", f.publicDocuments.string()},
        {"KSBY_PROGRAMDATA", f.programData.string()},
        {"KSBY_REGISTRY", f.registry.string()},
        {"KSBY_DRIVE_S", f.driveS.string()},
        {"KSBY_PIPE_DIR", f.pipeDir.string()},
        {"XDG_RUNTIME_DIR", f.run.string()},
        {"XDG_CACHE_HOME", f.cache.string()},
        {"KSBY_WINDOW_TRACE", f.trace.string()},
    };
    if (!display.empty()) {
        env["DISPLAY"] = display;
    }
    if (!webBase.empty()) {
        env["KSBY_RT_API_BASE"] = webBase;
        env["KSBY_UPDATE_BASE"] = webBase;
    }
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            env[name] = value;
        }
    }
    return env;
}

} // namespace ksb::e2e
