#pragma once
// The prepared folders of one program run: the working folder with its input files, the
// program's data folders, the registry store and the drive S: of the simulator. The layout is
// that of a user who ran the program before today, without scans due.
#include "support/e2e/process.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace ksb::e2e {

enum class LicencePlace { workFolder, appData, none };

struct WorkFolderSpec {
    std::filesystem::path root;    // <T>
    std::filesystem::path pipeDir; // <P>, short, for the pipe's socket path
    LicencePlace licence = LicencePlace::workFolder;
    bool docs = true;
    // input/airports_p3d.xml; a new user's folder has none yet.
    bool airportsList = true;
    // HKCU "SimConnect_Port_IPv4" of the simulator stand-in (the registry route).
    std::optional<std::uint16_t> simPort;
    // DATA_CHECKED_AT_DATE holds today; false: none, so the start is the first of the day.
    bool dayChecked = true;
    // input/dbase.xml, input/AIG-regcodes.xml, the airports/archive folders and the three
    // version settings; false: none of them, as in a fresh installation.
    bool components = true;
    // The traffic scene's files instead of the shared scene's: its parameters, database,
    // registration codes, liveries, airports list, the park airport's file and learned file.
    bool trafficScene = false;
    // Extra parameters.xml values (name, value), after the standard ones (and the traffic
    // scene's); one of a standard parameter replaces its value.
    std::vector<std::pair<std::string, std::string>> parameters;
};

struct WorkFolder {
    std::filesystem::path root, work, appData, documents, publicDocuments, programData, registry,
        driveS, run, home, cache, pipeDir, trace, stdoutFile, stderrFile;
    std::filesystem::path log() const { return work / "Log.txt"; }
    std::filesystem::path parametersFile() const { return appData / "KSBY_P3D" / "parameters.xml"; }
};

// The paths of the layout under spec.root, without writing anything.
WorkFolder gf_workFolderPaths(const std::filesystem::path& root,
                              const std::filesystem::path& pipeDir);
// Writes the layout; throws std::runtime_error naming what could not be written.
WorkFolder gf_buildWorkFolder(const WorkFolderSpec& spec);

// The child's environment: PATH, HOME, DISPLAY (when not empty), the folders, the stand-ins'
// base URLs and the sanitizer options of this process.
Environment gf_programEnvironment(const WorkFolder& folder, const std::string& display,
                                  const std::string& webBase);

} // namespace ksb::e2e
