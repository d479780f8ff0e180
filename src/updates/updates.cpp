#include "updates/updates.h"

#include <stdexcept>

// PLACEHOLDER ("Component updates"): nothing is downloaded yet.
void gf_updateDbase() {}

// PLACEHOLDER ("Component updates"): nothing is downloaded yet.
void gf_updateAigRegcodes() {}

// PLACEHOLDER ("Component updates"): the server is not asked yet.
void gf_checkProgramVersion() {}

// PLACEHOLDER ("Component updates"): no archive is downloaded yet.
bool gf_updateArchive() {
    return false;
}

// PLACEHOLDER ("Component updates"): without the server nothing can be said, and the button must
// never claim that the program is up to date.
std::string gf_newVersionsText() {
    throw std::runtime_error("Version check is not available yet");
}
