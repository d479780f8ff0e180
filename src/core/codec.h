#pragma once
// The reversible character codec of the scrambled fields of dbase.xml, the AIG regcode files and
// the daily date stamp.
//
// Scheme: the 36 characters A-Z and 0-9 are permuted by one fixed table, after a shift that
// depends on the character's position in the text (position i shifts by (key + 13 i) mod 36,
// with one key for types, one for registrations and one for airlines). Every other byte,
// lower-case letters included, passes unchanged, so types and registrations keep their length
// and UTF-8 stays intact. An airline code of 3 characters is stored as 6: its scrambled
// characters at positions 0, 2 and 4, each followed by a check character that decoding ignores,
// so any 6 characters decode to 3. Every routine maps the empty text to the empty text.
//
// dbase.xml and regcode files must be written with this same mapping; files scrambled by any
// other mapping do not decode.
#include <string>
#include <string_view>

std::string encryptType(std::string_view plain);
std::string decryptType(std::string_view scrambled);

// 3 characters -> 6. Any other non-empty length throws std::runtime_error
// "encrypt airl \"{}\" error".
std::string encryptAirline(std::string_view plain);
// 6 characters -> 3. A 3-character input is taken as plain, with the warning line
// "Unencrypted airline {} in decrypt airl?"; any other non-empty length throws
// std::runtime_error "decrypt airl \"{}\" error".
std::string decryptAirline(std::string_view scrambled);

// A text holding a lower-case letter writes the line "lower case in regcode encryp {}" and throws
// std::runtime_error "regcode encrypt error". A length of 1 or of 25 and more writes the warning
// line "regcode encrypt length {}: {}" and is encoded all the same.
std::string regcodeEncrypt(std::string_view plain);
std::string decryptRegcode(std::string_view scrambled);

// regcodeEncrypt of the clock's UTC date as "DDMONYYYY" ("09DEC2026"); changes once a UTC day.
std::string gf_scrambledDateStamp();
