#pragma once
// Which Prepar3D versions the registry knows, and where they are installed.
#include <string>

// True when the version's key (HKEY_LOCAL_MACHINE\SOFTWARE\Lockheed Martin\Prepar3D v<version>)
// opens; the key is closed again.
bool gf_isP3dInstalled(int version);
// The version's "SetupPath" value as UTF-8, otherwise unchanged: a Windows path text, which
// stays text for the substring tests of its callers. Empty when the key or the value is missing.
std::string gf_getP3dSetupPath(int version);

// Whether version 4, 5 or 6 is installed, asked of the registry once, on first use (any other
// version: false). gf_resetCoreGlobals() forgets the answer.
bool gf_p3dInstalled(int version);
