#pragma once
// Airport files and learned files as text, built from exactly what a test gives: the meta block
// whole or with entries missing, parameters in any order (duplicates and ones without "value"
// included), <parkpos> elements with their attributes in the order given and their <opt>
// children, or raw text for a file that does not parse. The layout is the XML library's default,
// as the program's own writer uses. Writes text only; it calls nothing of the airports code.
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

// Attributes in writing order.
using XmlAttributes = std::vector<std::pair<std::string, std::string>>;

class AirportFileBuilder {
public:
    // The meta block starts complete: author, version, date and copyright.
    AirportFileBuilder();

    // No <meta> at all.
    AirportFileBuilder& withoutMeta();
    AirportFileBuilder& withoutMetaEntry(const std::string& name);
    // No <parameters>, no <parkpositions> element.
    AirportFileBuilder& withoutParameters();
    AirportFileBuilder& withoutParkPositions();
    // A <parameter> element, appended after the ones before.
    AirportFileBuilder& parameter(std::string name, std::string value);
    AirportFileBuilder& parameterWithoutValue(std::string name);
    // A <parkpos> element with its <opt> children.
    AirportFileBuilder& parkpos(XmlAttributes attributes, std::vector<XmlAttributes> opts = {});
    // The file is this text and nothing else.
    AirportFileBuilder& raw(std::string text);

    std::string text() const;
    // Writes the text, creating the folders.
    void write(const std::filesystem::path& path) const;

private:
    struct Parameter {
        std::string name;
        std::optional<std::string> value;
    };
    struct ParkPos {
        XmlAttributes attributes;
        std::vector<XmlAttributes> opts;
    };

    std::optional<XmlAttributes> meta_;
    std::optional<std::vector<Parameter>> parameters_{std::in_place};
    std::optional<std::vector<ParkPos>> parkpositions_{std::in_place};
    std::optional<std::string> raw_;
};

} // namespace ksb::test
