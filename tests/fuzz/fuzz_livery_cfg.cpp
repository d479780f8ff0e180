// One aircraft.cfg of arbitrary bytes through the whole per-file pipeline of the livery scan:
// decoded into lines as the file reader does, then the numbering check, the type code, the cut
// into sections and their processing, once as an ordinary file and once as an IVAO file. A
// small fixed database and a temporary folder with the usual items stand around it. A
// file-system error (a name too long) is a documented outcome; any other exception, a crash or
// a record that breaks the scan's invariants is a failure.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/cfg_file_walk.h"
#include "catalogue/scan_state.h"
#include "core/text_encoding.h"
#include "support/catalogue_fixtures.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct FuzzFolders {
    std::string cfgPath;
    std::string ivaoPath;
};

// Once per process (the replay runner calls no initializer).
const FuzzFolders& lf_folders() {
    static const FuzzFolders folders = [] {
        std::string pattern = (fs::temp_directory_path() / "ksby-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        const fs::path root(pattern);
        ksb::test::DbaseSpec spec;
        spec.aircrafts = {"A320", "A321", "B738", "B744"};
        spec.large = {"A320", "A321", "B738"};
        spec.heavy = {"B744"};
        spec.buzjet = {"C25A"};
        spec.rotorcraft = {"R44"};
        spec.highPerformance = {"F16"};
        spec.cargoTypes = {"B744"};
        spec.icaoAirlines = {"AAL", "BAW", "DLH", "ZZZ", "PVT"};
        spec.cargoOperators = {"DLH"};
        ksb::test::writeDbaseXml(spec, root / "input" / "dbase.xml");
        const fs::path previous = fs::current_path();
        fs::current_path(root);
        gf_readDbase();
        fs::current_path(previous);
        modelFixes = {{"B738W", "B738"}};
        pvtFixes = {"PRIV"};
        govFixes = {"GOVT"};
        for (const fs::path& folder : {root / "acft", root / "IVAO_MTL" / "IVAO_A321"}) {
            for (const char* item : {"model", "model.F", "texture", "texture.AAL", "texture.BAW"}) {
                fs::create_directories(folder / item);
            }
            for (const char* air : {"A321.air", "B738.air"}) {
                std::FILE* file = std::fopen((folder / air).c_str(), "wb");
                if (file != nullptr) {
                    std::fclose(file);
                }
            }
        }
        return FuzzFolders{(root / "acft" / "aircraft.cfg").string(),
                           (root / "IVAO_MTL" / "IVAO_A321" / "aircraft.cfg").string()};
    }();
    return folders;
}

void lf_checkRecords(const std::vector<LiveryRecord>& records, bool ivao) {
    for (const LiveryRecord& record : records) {
        lf_check(gf_isIcaoAirline(record.airline));
        lf_check(!record.title.empty() && !record.type.empty());
        lf_check(record.priority == 1);
        lf_check(record.atcid.size() <= 12);
        lf_check(record.airline != "ZZZ" || record.atcid.empty());
        lf_check(!ivao || !record.cargo);
        lf_check(seenTitles.contains(record.title));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzFolders& folders = lf_folders();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    lf_decodeTextBytes(lf_encodingFromMark(bytes.substr(0, 2)), bytes, lines);
    gf_clearScanLists();
    try {
        lf_checkRecords(lf_searchLiveriesInLines(1, folders.cfgPath, lines), false);
    } catch (const fs::filesystem_error&) {
    }
    gf_clearScanLists();
    try {
        const std::string type = lf_fixIvaoMtlTypes(folders.ivaoPath);
        lf_check(type == "A321");
        lf_checkRecords(lf_searchLiveriesInIvaoLines(1, folders.ivaoPath, type, lines), true);
    } catch (const fs::filesystem_error&) {
    }
    gf_clearScanLists();
    return 0;
}
