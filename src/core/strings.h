#pragma once
// Splitting, trimming and comparing texts for the parsers of every subsystem. Texts are UTF-8
// or raw 8-bit bytes; character classes are ASCII only, so no byte of either is misread.
#include <list>
#include <string>
#include <string_view>
#include <vector>

// Blank, tab, line feed and carriage return.
inline constexpr std::string_view kBlankSet = " \t\n\r";

// The text without leading and trailing characters of kBlankSet.
std::string gf_trim(std::string_view text);
// When the text holds a character of kBlankSet, it becomes its ','-separated items, each
// trimmed, joined with ",".
void gf_removeBlanks(std::string& text);

// The splitters read item by item up to the next separator: an empty item between two
// separators is kept, a separator at the very end adds no item, an empty text gives none.
// Every item is trimmed.
std::vector<std::string> gf_splitToVector(std::string_view text);
std::vector<std::string> gf_splitCsvLine(std::string_view line);
std::list<std::string> gf_splitAtCommas(std::string_view text);
// Items between ';'.
std::vector<std::string> gf_splitWords(std::string_view text);
// Splits every line with gf_splitCsvLine and appends it as a row to csvRows (core/globals.h).
void gf_appendCsvRows(const std::vector<std::string>& lines);

// The text before the first ':' and, in second, the text after it. Without ':' the whole text
// and an empty second; with a second ':' after the first, second keeps its value.
std::string gf_splitAtColon(std::string_view text, std::string& second);

// True when a equals b with b's letters a-z turned upper case (a itself is not changed).
bool gf_equalsUpper(std::string_view a, std::string b);
// True when b is a followed by "*" (the callsign of a static parked aircraft).
bool gf_equalsWithStar(std::string_view a, std::string_view b);
bool gf_containsChar(std::string_view text, char c);
// "3" for 3.0, "2.5" for 2.5: no decimal when there is no fraction, else one.
std::string gf_numberText(float number);
// "s" after any count but 1, for report lines such as "2 regcodes added".
std::string_view gf_pluralSuffix(std::size_t count);

// The text between the first "<Path>" and the next "</Path>"; empty when either is missing.
std::string gf_pathFromXmlLine(std::string_view line);
// The text with & < > " ' written as XML entities, for text and attribute values.
std::string gf_xmlEscaped(std::string_view text);
