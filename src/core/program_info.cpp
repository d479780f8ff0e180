#include "core/program_info.h"

const VersionTriple& gf_programVersion() {
    static const VersionTriple version = gf_parseVersion(kProgramVersionText);
    return version;
}
