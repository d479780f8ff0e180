#include "app/startup_placeholders.h"

// PLACEHOLDER ("Livery scan: sections, file walk, add-on packages and the scan driver"): nothing
// is read.
bool gf_readFixesXml() {
    return false;
}

// PLACEHOLDER ("Livery scan: sections, file walk, add-on packages and the scan driver"): nothing
// is scanned or loaded, and the step counts as done.
bool gf_scanLiveries(bool, bool, bool, std::vector<std::string>&) {
    return true;
}
