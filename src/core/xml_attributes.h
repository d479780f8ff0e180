#pragma once
// Attribute reads of an XML element that never fail: a null element or a missing attribute
// gives the empty text, 0.0 or false.
#include <pugixml.hpp>

#include <string>

// The attribute's text.
std::string gf_getAttributeValue(const pugi::xml_node& element, const char* name);
// The attribute's text read as strtod reads it in the C locale, whatever the process locale:
// leading blanks skipped, an optional sign, decimal or "0x" hexadecimal digits, the rest
// ignored; no digits give 0.0. A text that would read as NaN or infinity (including an
// overflow) gives 0.0, so no NaN reaches a position from a file.
double gf_getAttributeDouble(const pugi::xml_node& element, const char* name);
// True when the text starts with '1', 't', 'T', 'y' or 'Y'.
bool gf_getAttributeBool(const pugi::xml_node& element, const char* name);
