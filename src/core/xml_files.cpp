#include "core/xml_files.h"

#include "platform/ascii.h"

namespace fs = std::filesystem;

std::vector<fs::path> gf_listXmlFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    files.reserve(512);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!fs::is_regular_file(fs::status(entry.path()))) {
            continue;
        }
        if (platform::equalsNoCase(entry.path().extension().string(), ".XML")) {
            files.push_back(entry.path());
        }
    }
    return files;
}
