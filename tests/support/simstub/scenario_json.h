#pragma once
// The scenario file of tools/simstub: JSON with the fields of Scenario. Texts are UTF-8 in the
// file and become the Latin-1 bytes that go on the wire.
#include "support/simstub/scenario.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace simstub {

// One line naming the field and the problem: "scenario: <field>: <problem>".
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fields missing from the text keep their value in base.
Scenario gf_parseScenario(std::string_view json, Scenario base = {});
Scenario gf_loadScenario(const std::filesystem::path& file, Scenario base = {});
// Throws ScenarioError naming the field for a character above U+00FF or broken UTF-8.
std::string gf_utf8ToLatin1(std::string_view utf8, std::string_view field);
// "2024-02-29T01:00:00Z" -> seconds since 1970; nullopt when it is not that form.
std::optional<std::int64_t> gf_parseUtcText(std::string_view text);

} // namespace simstub
