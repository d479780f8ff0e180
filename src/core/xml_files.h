#pragma once
#include <filesystem>
#include <vector>

// The regular files directly in the folder whose extension is ".XML" in any case, in directory
// order. A failure to read an entry's state throws std::filesystem::filesystem_error ("status").
std::vector<std::filesystem::path> gf_listXmlFiles(const std::filesystem::path& folder);
