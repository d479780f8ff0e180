#pragma once
// The registry, read from a text store: the file named by KSBY_REGISTRY, else registry.ini in
// the application-data folder, read afresh at every open. Only string values exist.
//
//   ; comment          # comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Lockheed Martin\Prepar3D v5]
//   SetupPath=C:\Program Files\Lockheed Martin\Prepar3D v5
//
// Key paths and value names compare ASCII-case-insensitively; a repeated value keeps the first;
// any other line is reported through platform::warn and skipped. No store is an empty registry.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace winreg {

enum class RegRoot { localMachine, currentUser };
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::localMachine;
inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::currentUser;

// One open key: the values it held when it was opened.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { close(); }
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // 0 when the key exists (a key also exists when a deeper key lies below it), 2 when not.
    // An open key is closed first.
    [[nodiscard]] std::int32_t open(RegRoot root, std::u16string_view subKey);
    // Throws RegException(2, "Cannot get size of string value: RegGetValueW failed.") when the
    // value is absent (6 when the key is not open).
    std::u16string getStringValue(std::u16string_view valueName) const;
    void close() noexcept;
    bool isOpen() const noexcept { return open_; }

private:
    bool open_ = false;
    // Names in UTF-8, first occurrence only.
    std::vector<std::pair<std::string, std::u16string>> values_;
};

} // namespace winreg

namespace platform {

// The store file: KSBY_REGISTRY, else <application data>/registry.ini; empty when neither is
// known.
std::filesystem::path registryStorePath();

} // namespace platform
