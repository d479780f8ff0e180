#pragma once
// The meta block that heads every XML data file the program writes (airport files, learned
// files, the liveries file): a top-level "meta" element with "info" entries author, version,
// date and copyright. A reader refuses a file whose block lacks author, date or version.
#include <pugixml.hpp>

#include <string>
#include <string_view>

class StringParameter;

// Appends the meta block to a document (before the file's own top-level element) or to an
// element. True when all four entries were appended; false at the first failure, and at once
// for a node that is neither a document nor an element.
bool gf_writeMeta(pugi::xml_node node);
// Appends one "info" element with "name" and "value"; false when an append fails.
bool lf_appendMetaInfo(pugi::xml_node meta, std::string_view name, std::string_view value);
// Selects the "info" element of that name under the top-level "meta" element.
std::string lf_metaInfoXPath(std::string_view name);
// Found: the entry's "value" text (empty when missing) becomes the meta entry's value, true.
// Not found (or an XPath error, which is logged): the value becomes empty, false.
bool lf_readMetaInfo(const pugi::xml_document& doc, StringParameter& entry);
// Reads author, date and version into META_AUTHOR, META_DATE and META_VERSION. False, with the
// warning line "meta data incorrect?", when one of them is missing.
bool gf_readMeta(const pugi::xml_document& doc);
