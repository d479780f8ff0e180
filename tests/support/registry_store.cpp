#include "support/registry_store.h"

#include "support/file_bytes.h"

namespace ksb::test {

std::string p3dRegistryKey(int version) {
    return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v" + std::to_string(version);
}

RegistryStoreWriter& RegistryStoreWriter::key(std::string_view key) {
    return line("[" + std::string(key) + "]");
}

RegistryStoreWriter& RegistryStoreWriter::value(std::string_view name, std::string_view value) {
    return line(std::string(name) + "=" + std::string(value));
}

RegistryStoreWriter& RegistryStoreWriter::line(std::string_view text) {
    text_.append(text);
    text_ += '\n';
    return *this;
}

RegistryStoreWriter& RegistryStoreWriter::p3d(int version, std::string_view setupPath) {
    return key(p3dRegistryKey(version)).value("SetupPath", setupPath);
}

const std::filesystem::path& RegistryStoreWriter::writeTo(const std::filesystem::path& path) const {
    writeBytes(path, text_);
    return path;
}

} // namespace ksb::test
