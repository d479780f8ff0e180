#pragma once
// The update server's files of the web-service stand-in: version files, the scene's database and
// registration codes, an airport archive, the docs and, for a newer program, an installer.
#include <optional>
#include <string>
#include <string_view>

namespace rtstub {

struct UpdateVersions {
    std::string program; // the program's own version by default, so no installer
    std::string dbase = "1.0.0";
    std::string aig = "1.0.0";
    std::string archive = "1.0.0";
    UpdateVersions();
};

// "program", "dbase", "aig" or "archive".
bool isUpdateItem(std::string_view item);
// Sets the item's version ("program", "dbase", "aig", "archive"); throws std::invalid_argument
// for another item.
void setUpdateVersion(UpdateVersions& versions, std::string_view item, std::string text);

// The default answer for a path below /downloads/; nothing: 404.
std::optional<std::string> defaultUpdateFile(std::string_view path, const UpdateVersions& versions);

// The 4096 bytes of the stand-in's installer.
std::string installerBytes();

} // namespace rtstub
