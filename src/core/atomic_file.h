#pragma once
// Every save of a user file goes through gf_replaceFileAtomically, so a crash, a full disk or a
// failed write never leaves a truncated file where the old one was.
#include <filesystem>
#include <functional>
#include <ostream>

// Writes "<name>.tmp" in the target's folder through writer (a binary stream), flushes, closes,
// checks, and renames it over the target. False when any step fails: the target is then
// untouched and the temporary removed. An exception from the writer also removes the temporary
// and is passed on.
bool gf_replaceFileAtomically(const std::filesystem::path& target,
                              const std::function<void(std::ostream& out)>& writer);
