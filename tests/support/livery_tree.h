#pragma once
// Fixture trees for the livery scan: cfg files in any encoding and line end, the items their
// sections name, the add-on files of the simulator, fixes.xml, the standard tree of the scan
// tests and a generated tree of many aircraft folders (tests at small sizes, the benchmark at
// large ones).
#include "core/catalogue_records.h"
#include "support/catalogue_fixtures.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Readable records in test failures.
inline void PrintTo(const LiveryRecord& record, std::ostream* out) {
    *out << "{" << record.airline << ", " << record.type << ", \"" << record.title << "\", "
         << record.atcid << ", " << record.priority << (record.cargo ? ", cargo}" : "}");
}

namespace ksb::test {

enum class CfgEncoding { ansi, utf8Mark, utf16le, utf16be };

struct CfgFileOptions {
    CfgEncoding encoding = CfgEncoding::ansi;
    bool crlf = false;
};

// The bytes of a text file of these lines (each followed by its line end) in the encoding; the
// UTF-8 lines become UTF-16 for the UTF-16 encodings.
std::string cfgFileBytes(const std::vector<std::string>& lines, CfgFileOptions options = {});
void writeCfgFile(const std::filesystem::path& path, const std::vector<std::string>& lines,
                  CfgFileOptions options = {});

// The items of a livery folder: "model" or "model.<name>" and "texture.<name>" folders, and
// "<name>.air" files. An empty model name makes "model".
void makeLiveryItems(const std::filesystem::path& folder, const std::vector<std::string>& models,
                     const std::vector<std::string>& textures,
                     const std::vector<std::string>& airFiles);

// One fix of fixes.xml: a model fix has both texts, a PVT or GOV fix only the wrong code.
struct FixesSpec {
    std::vector<std::pair<std::string, std::string>> modelFixes;
    std::vector<std::string> pvtFixes;
    std::vector<std::string> govFixes;
    bool withPvt = true;
    bool withGov = true;
};
std::string fixesXmlText(const FixesSpec& spec);
void writeFixesXml(const FixesSpec& spec,
                   const std::filesystem::path& path = std::filesystem::path("input") /
                                                       "fixes.xml");

// A temporary root whose path holds none of the texts the walk and the add-on readers look for
// ("airport", "Package", "Entry", "SimObjects", "Path", "IVAO_MTL", "ivao_x-csl"); throws
// std::runtime_error when the system's temporary folder would give one.
class ScanRoot {
public:
    ScanRoot();
    const std::filesystem::path& path() const { return folder_.path(); }
    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }

private:
    TempFolder folder_;
};

// The standard tree of the scan tests below $FX (see livery_tree.cpp for its content). The
// working folder $FX/work becomes the current folder; KSBY_APPDATA, KSBY_PROGRAMDATA and
// KSBY_DRIVE_D point into $FX while the object lives. SIM_INSTALL_PATH is left to the test
// (simInstallPath()).
class StandardLiveryTree {
public:
    StandardLiveryTree();
    ~StandardLiveryTree();
    StandardLiveryTree(const StandardLiveryTree&) = delete;
    StandardLiveryTree& operator=(const StandardLiveryTree&) = delete;

    const std::filesystem::path& root() const { return root_.path(); }
    std::filesystem::path operator/(std::string_view name) const { return root_ / name; }
    std::string simInstallPath() const;
    std::string ai1() const;
    std::string ai2() const;
    static DbaseSpec dbaseSpec();
    static FixesSpec fixesSpec();

private:
    ScanRoot root_;
    std::filesystem::path previous_;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

// A tree of folders each with one aircraft.cfg of four valid [fltsim.N] sections shaped like
// real files (keys, [General] after the sections, a [LIGHTS] part with "//" lines, camera
// sections), about one in ten with CRLF and one in twenty UTF-16 LE, every item present,
// unique titles and one operator code per section. Same seed, same tree.
struct GeneratedTree {
    std::size_t files = 0;
    std::size_t sections = 0;
    // Every title the tree holds.
    std::vector<std::string> titles;
};
GeneratedTree generateLiveryTree(const std::filesystem::path& root, std::size_t folders,
                                 std::uint32_t seed);
// The database that knows every type and airline the generator uses.
DbaseSpec generatedTreeDbaseSpec();

} // namespace ksb::test
