#include "core/sim_detection.h"

#include "core/globals.h"
#include "platform/reg_exception.h"
#include "platform/reg_key.h"
#include "platform/utf_conversion.h"

#include <cassert>

namespace {

void lf_openP3dKey(winreg::RegKey& key, int version) {
    const std::u16string subKey =
        win32::Utf8ToUtf16("SOFTWARE\\Lockheed Martin\\Prepar3D v" + std::to_string(version));
    const std::int32_t status = key.open(winreg::HKEY_LOCAL_MACHINE, subKey);
    if (status != 0) {
        throw winreg::RegException(status, "RegOpenKeyExW failed.");
    }
}

} // namespace

bool gf_isP3dInstalled(int version) {
    try {
        winreg::RegKey key;
        lf_openP3dKey(key, version);
        key.close();
        return true;
    } catch (const winreg::RegException&) {
        return false;
    }
}

std::string gf_getP3dSetupPath(int version) {
    try {
        winreg::RegKey key;
        lf_openP3dKey(key, version);
        return win32::Utf16ToUtf8(key.getStringValue(u"SetupPath"));
    } catch (const winreg::RegException&) {
        return {};
    }
}

bool gf_p3dInstalled(int version) {
    if (version < 4 || version > 6) {
        assert(false && "simulator version 4, 5 or 6");
        return false;
    }
    std::lock_guard lock(lazyCoreValues.mutex);
    if (!lazyCoreValues.installedFlags) {
        lazyCoreValues.installedFlags =
            std::array<bool, 3>{gf_isP3dInstalled(4), gf_isP3dInstalled(5), gf_isP3dInstalled(6)};
    }
    return (*lazyCoreValues.installedFlags)[static_cast<std::size_t>(version - 4)];
}
