#pragma once
// Builds registry store files (the text store behind winreg::RegKey) for tests.
#include <filesystem>
#include <string>
#include <string_view>

namespace ksb::test {

// "HKEY_LOCAL_MACHINE\SOFTWARE\Lockheed Martin\Prepar3D v<version>"
std::string p3dRegistryKey(int version);

class RegistryStoreWriter {
public:
    // "[<key>]", key with its root, e.g. p3dRegistryKey(5).
    RegistryStoreWriter& key(std::string_view key);
    // "<name>=<value>"
    RegistryStoreWriter& value(std::string_view name, std::string_view value);
    // Any line as it stands (comments, malformed lines).
    RegistryStoreWriter& line(std::string_view text);
    // The key of that version with its SetupPath value.
    RegistryStoreWriter& p3d(int version, std::string_view setupPath);

    const std::string& text() const { return text_; }
    // Writes the text byte for byte; returns the path.
    const std::filesystem::path& writeTo(const std::filesystem::path& path) const;

private:
    std::string text_;
};

} // namespace ksb::test
