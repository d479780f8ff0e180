#pragma once
// parameters.xml: one "parameters" element with a "parameter" element (name, value) per stored
// setting. Every load-change-write of the file holds the parameters-file mutex from the load to
// the end of the write, so saves from different threads never lose each other's values.
#include "core/parameters.h"
#include "core/ranked_mutex.h"

#include <pugixml.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Held from the load of parameters.xml to the end of its write.
ksb::RankedMutex& gf_parametersFileMutex();

// Loads parameters.xml (the lists of gf_parameterLists()), clamps and fills every value, shows
// the loaded values in the controls, appends missing entries, drops empty folder entries and
// writes the file back. A missing file gives the defaults and a complete new file; a file that
// does not parse is first copied to "parameters.xml.bak".
void gf_readParameters(const ParameterLists& lists);
// Reads MAIN_WINDOW_X and MAIN_WINDOW_Y (clamped) from parameters.xml. False, with both values
// untouched, when the file does not load.
bool gf_readWindowPosition();
// Removes the parameter's element from parameters.xml; the file is rewritten only when an
// element was removed.
void gf_removeParameter(const Parameter& parameter);
// pugixml's load of a file with its default options; something other than a regular file (a
// folder, say) fails with status_io_error without being read.
pugi::xml_parse_result gf_loadXmlFile(pugi::xml_document& doc, const std::filesystem::path& path);
// Replaces the file atomically with pugixml's default save of the document; logs
// "\"{path}\" saved" or "could not save to \"{path}\"".
bool gf_saveXmlDocument(const pugi::xml_document& doc, const std::filesystem::path& path);

// "/parameters/parameter[@name='<name>']"
std::string lf_parameterXPath(std::string_view name);
// The first element of that name, or a null node.
pugi::xml_node gf_findParameterNode(const pugi::xml_document& doc, std::string_view name);
// True for the folder entries (names containing "lfolder" or "afolder").
bool lf_isFolderParameter(std::string_view name);

// Append a "parameter" element with "name" and "value" ("true"/"false", a decimal integer, the
// text); false when an append fails.
bool lf_appendBoolParameterNode(pugi::xml_node root, std::string_view name, bool value);
bool lf_appendNumParameterNode(pugi::xml_node root, std::string_view name, std::int32_t value);
bool lf_appendParameterNode(pugi::xml_node root, std::string_view name, std::string_view value);
