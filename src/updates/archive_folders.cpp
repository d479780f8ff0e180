#include "core/config_paths.h"
#include "updates/updates.h"

#include <filesystem>

bool lf_archiveFoldersMissing() {
    namespace fs = std::filesystem;
    for (const fs::path& folder : {gf_archiveFolderPath(), gf_archiveStockFolderPath(),
                                   gf_archiveOrbxFolderPath(), gf_archiveThirdPartyFolderPath()}) {
        if (!fs::exists(folder)) {
            return true;
        }
    }
    return false;
}
