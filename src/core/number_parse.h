#pragma once
// Locale-free number parsing with the standard library's failure texts, which reach the message
// line, the log and error 88 unchanged.
//
// gf_stoi, gf_stod and gf_stof read a number at the start of the text the way std::stoi,
// std::stod and std::stof do: leading white space is skipped, a sign ('+' or '-') is allowed,
// whatever follows the number is left; pos (when given) receives the number of characters used.
// Floating-point texts are decimal (with exponent, "inf" and "nan"); a value too large for the
// type, or one that rounds to zero, is out of range, while tiny non-zero values are kept.
// The ...Whole variants also allow trailing white space but nothing else.
//
// No number: std::invalid_argument "invalid stoi argument" ("invalid stod argument", "invalid
// stof argument"). Too large: std::out_of_range "stoi argument out of range" ("stod argument out
// of range", "stof argument out of range").
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

int gf_stoi(std::string_view text, std::size_t* pos = nullptr);
double gf_stod(std::string_view text, std::size_t* pos = nullptr);
float gf_stof(std::string_view text, std::size_t* pos = nullptr);

int gf_stoiWhole(std::string_view text);
double gf_stodWhole(std::string_view text);
float gf_stofWhole(std::string_view text);

// A feed id: the whole text is 1 to 8 hexadecimal digits (either case); nothing else.
std::optional<std::uint32_t> gf_parseHexId(std::string_view text);
