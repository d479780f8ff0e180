// The catalogue's readers on arbitrary files: dbase.xml, the liveries file, AIG-regcodes.xml and
// a regcode .TXT file. The first byte chooses the file, the rest is its content. Nothing may
// crash, only the documented exceptions may leave a reader, and no span may be NaN, infinite
// or negative.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "catalogue/regcodes.h"
#include "core/exceptions.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void lf_write(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool lf_validSpan(double span) {
    return std::isfinite(span) && span >= 0.0;
}

void lf_readDbaseBytes(std::string_view bytes) {
    lf_write(fs::path("input") / "dbase.xml", bytes);
    try {
        gf_readDbase();
    } catch (const ksb::UserErrorException&) {
    } catch (const ksb::SysErrorException&) {
    } catch (const std::runtime_error&) {
        // The codec's "decrypt airl" error.
    }
    lf_check(lf_validSpan(aircraftDatabase.maxHalfSpanNm));
    for (const auto& [type, span] : aircraftDatabase.halfSpanByType) {
        lf_check(lf_validSpan(span));
        lf_check(lf_validSpan(gf_wingspanOfType(type)));
    }
    for (const double mean : aircraftDatabase.categoryMeanHalfSpan) {
        lf_check(lf_validSpan(mean));
    }
    for (const auto& [registration, record] : aircraftDatabase.dbaseRecords) {
        (void)gf_dbaseRecordOfReg(registration);
        (void)gf_publisherOf(registration);
    }
}

void lf_readLiveriesBytes(std::string_view bytes) {
    lf_write(fs::path("output") / "LiveriesScanned.xml", bytes);
    try {
        gf_readLiveriesXml();
    } catch (const ksb::UserErrorException&) {
        lf_check(scannedLiveries.empty());
        return;
    }
    lf_check(!scannedLiveries.empty());
    for (const LiveryRecord& record : scannedLiveries) {
        lf_check(record.priority == 0);
    }
}

// A small index for the regcode readers to find titles in.
void lf_buildIndex() {
    for (const char* title : {"A", "B", "Lufthansa A320", "British A320"}) {
        const std::string_view stored = gf_storeTitle(title);
        liveryIndex.indexedTitles.insert(stored);
        liveryIndex.allLiveries["DLH"]["A320"].push_back({stored, false});
    }
}

void lf_readRegcodeBytes(std::string_view bytes, bool aig) {
    lf_buildIndex();
    const fs::path path = aig ? fs::path("input") / "AIG-regcodes.xml"
                              : fs::path("input") / "my_regcodes" / "fuzz.TXT";
    lf_write(path, bytes);
    if (aig) {
        lf_readDontUseTitlesXml();
    } else {
        lf_readDontUseTitlesTxt();
    }
    gf_processOfflineRegcodes();
    for (const auto& [registration, title] : liveryIndex.regcodeTitles) {
        lf_check(!registration.empty() && registration.size() <= 12);
        lf_check(liveryIndex.indexedTitles.contains(title));
    }
    fs::remove(path);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A working folder of our own: the readers use input/ and output/ relative to it.
    std::string pattern = (fs::temp_directory_path() / "ksby-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    fs::current_path(pattern);
    fs::create_directories(fs::path("input") / "my_regcodes");
    fs::create_directories(fs::path("output") / "info");
    ::setenv("KSBY_APPDATA", (fs::path(pattern) / "appdata").c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    gf_resetCatalogueForTests();
    switch (data[0] % 4) {
    case 0:
        lf_readDbaseBytes(bytes);
        break;
    case 1:
        lf_readLiveriesBytes(bytes);
        break;
    case 2:
        lf_readRegcodeBytes(bytes, true);
        break;
    default:
        lf_readRegcodeBytes(bytes, false);
        break;
    }
    gf_resetCatalogueForTests();
    return 0;
}
