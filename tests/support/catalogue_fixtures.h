#pragma once
// Fixture files of the aircraft and livery catalogue, built from plain values: dbase.xml,
// AIG-regcodes.xml, regcode .TXT files and liveries files. Scrambled fields go through the
// core's test encoders. The builders only write files.
#include "core/catalogue_records.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ksb::test {

// A temporary folder made the current directory for the life of the object (input/ and output/
// are relative to it), with input/, output/info and input/my_regcodes unless told otherwise.
class WorkingFolder {
public:
    explicit WorkingFolder(bool createFolders = true);
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }

private:
    TempFolder folder_;
    std::filesystem::path previous_;
};

struct DbaseWingspan {
    std::string type;                    // plain; scrambled when written
    std::optional<std::string> meters{}; // nullopt: no attribute
};

struct DbaseEntry {
    std::string registration; // plain, upper case
    std::string airline;      // plain, 3 characters or empty
    std::string type;
    std::string operatorCode;
    bool cargo = false;
    // Written as they stand instead of scrambled (an unscrambled or a malformed field).
    std::optional<std::string> rawAirline{};
    std::optional<std::string> rawOperator{};
};

// dbase.xml from plain values. Each type or code list is written as one element.
struct DbaseSpec {
    std::vector<std::string> aircrafts, highPerformance, heavy, large, buzjet, rotorcraft,
        cargoTypes;
    std::vector<std::vector<std::string>> similar;
    std::vector<std::string> icaoAirlines, cargoOperators;
    // The "names" text of each "pub" element, plain.
    std::vector<std::string> publishers;
    std::vector<DbaseWingspan> wingspans;
    std::vector<DbaseEntry> records;
    // Section names left out of the file.
    std::set<std::string> leaveOut;
    // The text ends inside an element.
    bool malformed = false;
};

std::string dbaseXmlText(const DbaseSpec& spec);
// Writes input/dbase.xml (or the path given), creating its folder.
void writeDbaseXml(const DbaseSpec& spec,
                   const std::filesystem::path& path = std::filesystem::path("input") /
                                                       "dbase.xml");

struct AigEntry {
    std::string title;
    // Plain registrations, scrambled when written; nullopt: no "reg" attribute.
    std::optional<std::vector<std::string>> registrations{};
    std::optional<std::string> special{};
    // The registrations are written as they stand.
    bool raw = false;
};

struct AigOptions {
    bool withRoot = true;
    bool malformed = false;
};

std::string aigRegcodesText(const std::vector<AigEntry>& entries, AigOptions options = {});
// Writes input/AIG-regcodes.xml (or the path given).
void writeAigRegcodes(const std::vector<AigEntry>& entries, AigOptions options = {},
                      const std::filesystem::path& path = std::filesystem::path("input") /
                                                          "AIG-regcodes.xml");

struct TxtOptions {
    bool utf8Mark = false;
    bool crlf = false;
    std::filesystem::path folder = std::filesystem::path("input") / "my_regcodes";
};

// A regcode text file in input/my_regcodes (or the options' folder); every line ends with a
// line end.
void writeRegcodeTxt(std::string_view fileName, const std::vector<std::string>& lines,
                     TxtOptions options = {});

// One installed livery as the scan records it, priority 1.
inline LiveryRecord livery(std::string airline, std::string type, std::string title,
                           std::string atcid = {}, bool cargo = false) {
    LiveryRecord record;
    record.airline = std::move(airline);
    record.type = std::move(type);
    record.title = std::move(title);
    record.atcid = std::move(atcid);
    record.cargo = cargo;
    record.priority = 1;
    return record;
}

struct LiveriesFileOptions {
    enum class Meta { complete, incomplete, none };
    Meta meta = Meta::complete;
    std::string rootName = "liveries";
};

// A liveries file as the program writes it: meta block, root, one "liv" per record.
std::string liveriesFileText(const std::vector<LiveryRecord>& records,
                             const LiveriesFileOptions& options = {});
// Writes output/LiveriesScanned.xml (or the path given).
void writeLiveriesFile(const std::vector<LiveryRecord>& records,
                       const LiveriesFileOptions& options = {},
                       const std::filesystem::path& path = std::filesystem::path("output") /
                                                           "LiveriesScanned.xml");

} // namespace ksb::test
