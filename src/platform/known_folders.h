#pragma once
// The Windows known folders, read from the environment at each call (an empty variable counts as
// unset). Nothing set gives an empty path.
//
//   appDataFolder()          KSBY_APPDATA           else $XDG_CONFIG_HOME,     else $HOME/.config
//   documentsFolder()        KSBY_DOCUMENTS         else $XDG_DOCUMENTS_DIR,   else $HOME/Documents
//   publicDocumentsFolder()  KSBY_PUBLIC_DOCUMENTS  else $XDG_PUBLICSHARE_DIR, else $HOME/Public
//   programDataFolder()      KSBY_PROGRAMDATA       else $XDG_DATA_HOME,       else
//   $HOME/.local/share
#include <filesystem>
#include <string_view>

namespace platform {

std::filesystem::path appDataFolder();
std::filesystem::path documentsFolder();
std::filesystem::path publicDocumentsFolder();
std::filesystem::path programDataFolder();

// What Windows calls "C:\ProgramData\<rest>": the rest (a Windows text such as
// "Lockheed Martin\Prepar3D v5\scenery.cfg") below programDataFolder(), through toNativePath.
// Empty when the program-data folder is unknown.
std::filesystem::path programDataPath(std::string_view restAfterProgramData);

} // namespace platform
