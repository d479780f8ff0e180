#include "support/airport_file_builder.h"

#include "support/file_bytes.h"

#include <pugixml.hpp>

#include <sstream>

namespace ksb::test {

namespace {

void lf_appendAttributes(pugi::xml_node element, const XmlAttributes& attributes) {
    for (const auto& [name, value] : attributes) {
        element.append_attribute(name.c_str()) = value.c_str();
    }
}

} // namespace

AirportFileBuilder::AirportFileBuilder()
    : meta_(XmlAttributes{{"author", "KSBY_P3D"},
                          {"version", "9.3.0"},
                          {"date", "Dec 09, 2026"},
                          {"copyright", "(c) Test"}}) {}

AirportFileBuilder& AirportFileBuilder::withoutMeta() {
    meta_.reset();
    return *this;
}

AirportFileBuilder& AirportFileBuilder::withoutMetaEntry(const std::string& name) {
    if (meta_) {
        std::erase_if(*meta_, [&name](const auto& entry) { return entry.first == name; });
    }
    return *this;
}

AirportFileBuilder& AirportFileBuilder::withoutParameters() {
    parameters_.reset();
    return *this;
}

AirportFileBuilder& AirportFileBuilder::withoutParkPositions() {
    parkpositions_.reset();
    return *this;
}

AirportFileBuilder& AirportFileBuilder::parameter(std::string name, std::string value) {
    if (!parameters_) {
        parameters_.emplace();
    }
    parameters_->push_back({std::move(name), std::move(value)});
    return *this;
}

AirportFileBuilder& AirportFileBuilder::parameterWithoutValue(std::string name) {
    if (!parameters_) {
        parameters_.emplace();
    }
    parameters_->push_back({std::move(name), std::nullopt});
    return *this;
}

AirportFileBuilder& AirportFileBuilder::parkpos(XmlAttributes attributes,
                                                std::vector<XmlAttributes> opts) {
    if (!parkpositions_) {
        parkpositions_.emplace();
    }
    parkpositions_->push_back({std::move(attributes), std::move(opts)});
    return *this;
}

AirportFileBuilder& AirportFileBuilder::raw(std::string text) {
    raw_ = std::move(text);
    return *this;
}

std::string AirportFileBuilder::text() const {
    if (raw_) {
        return *raw_;
    }
    pugi::xml_document doc;
    if (meta_) {
        pugi::xml_node meta = doc.append_child("meta");
        for (const auto& [name, value] : *meta_) {
            lf_appendAttributes(meta.append_child("info"), {{"name", name}, {"value", value}});
        }
    }
    if (parameters_) {
        pugi::xml_node parameters = doc.append_child("parameters");
        for (const Parameter& parameter : *parameters_) {
            pugi::xml_node element = parameters.append_child("parameter");
            element.append_attribute("name") = parameter.name.c_str();
            if (parameter.value) {
                element.append_attribute("value") = parameter.value->c_str();
            }
        }
    }
    if (parkpositions_) {
        pugi::xml_node parkpositions = doc.append_child("parkpositions");
        for (const ParkPos& stand : *parkpositions_) {
            pugi::xml_node parkpos = parkpositions.append_child("parkpos");
            lf_appendAttributes(parkpos, stand.attributes);
            for (const XmlAttributes& opt : stand.opts) {
                lf_appendAttributes(parkpos.append_child("opt"), opt);
            }
        }
    }
    std::ostringstream out;
    doc.save(out);
    return out.str();
}

void AirportFileBuilder::write(const std::filesystem::path& path) const {
    writeBytes(path, text());
}

} // namespace ksb::test
