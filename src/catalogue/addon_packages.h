#pragma once
// The aircraft folders of the simulator's AI add-on packages: the SimObjects components of the
// active packages of the user's add-ons.cfg, and the active entries of simobjects.cfg. Windows
// path texts of these files become Linux paths only where they reach the file system.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Appends the SimObjects folders of the active packages of add-ons.cfg.
void lf_readAddOnsCfg(std::vector<std::string>& rootFolders);
// Appends the aircraft folders of the active entries of simobjects.cfg.
void lf_readSimObjectsCfg(std::vector<std::string>& rootFolders);

// The section reading both files share: a line whose trimmed text starts with '[' is a header
// and ends the section before it; the section it starts is read only when the line holds one
// of the header words. Lines holding a dropped key are not collected. A section with an active
// key line set to true hands every collected line to the handler.
void lf_readCfgSections(const std::vector<std::string>& lines,
                        const std::vector<std::string_view>& headerWords,
                        const std::vector<std::string_view>& droppedKeys,
                        const std::function<void(const std::string&)>& handler);

// The component paths of one add-on.xml's lines, joined to the package folder.
void lf_findSimObjectsInPackage(const std::vector<std::string>& lines,
                                const std::string& packageFolder,
                                std::vector<std::string>& rootFolders);
