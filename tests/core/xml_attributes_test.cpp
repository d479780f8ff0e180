// The attribute helpers: text, number and flag of an attribute, never failing.
#include "core/xml_attributes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

TEST(XmlAttributes, ReadEveryForm) {
    struct Case {
        const char* name;
        const char* text;
        double number;
        bool flag;
    };
    const Case cases[] = {
        {"empty", "", 0.0, false},
        {"integer", "42", 42.0, false},
        {"decimal", "51.4775", 51.4775, false},
        {"negative", "-0.4614", -0.4614, false},
        {"plus sign", "+12.5", 12.5, false},
        {"leading blanks", " \t\n7.25", 7.25, false},
        {"leading dot", ".5", 0.5, false},
        {"trailing dot", "5.", 5.0, false},
        {"exponent", "1.5e3", 1500.0, true},
        {"incomplete exponent", "2e", 2.0, false},
        {"trailing text", "12.5ft", 12.5, true},
        {"comma is not a decimal point", "1,5", 1.0, true},
        {"hexadecimal", "0x1A", 26.0, false},
        {"hexadecimal fraction", "-0x1.8p1", -3.0, false},
        {"0x without digits", "0xg", 0.0, false},
        {"no digits", "abc", 0.0, false},
        {"two signs", "--5", 0.0, false},
        {"sign only", "-", 0.0, false},
        {"nan", "nan", 0.0, false},
        {"infinity", "-inf", 0.0, false},
        {"overflow", "1e400", 0.0, true},
        {"underflow", "1e-400", 0.0, true},
        {"subnormal", "4.9406564584124654e-324", 4.9406564584124654e-324, false},
        {"true", "true", 0.0, true},
        {"True", "True", 0.0, true},
        {"yes", "yes", 0.0, true},
        {"Y", "Y", 0.0, true},
        {"false", "false", 0.0, false},
        {"no", "no", 0.0, false},
        {"zero", "0", 0.0, false},
        {"blank then true", " true", 0.0, false},
    };
    pugi::xml_document doc;
    pugi::xml_node element = doc.append_child("airport");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        element.remove_attribute("value");
        element.append_attribute("value") = c.text;
        EXPECT_EQ(gf_getAttributeValue(element, "value"), c.text);
        EXPECT_EQ(gf_getAttributeDouble(element, "value"), c.number);
        EXPECT_EQ(gf_getAttributeBool(element, "value"), c.flag);
    }
}

TEST(XmlAttributes, MissingAttributeAndNullElement) {
    pugi::xml_document doc;
    pugi::xml_node element = doc.append_child("airport");
    element.append_attribute("lat") = "51.5";
    for (const pugi::xml_node& node : {element, pugi::xml_node()}) {
        EXPECT_EQ(gf_getAttributeValue(node, "lon"), "");
        EXPECT_EQ(gf_getAttributeDouble(node, "lon"), 0.0);
        EXPECT_FALSE(gf_getAttributeBool(node, "lon"));
    }
    EXPECT_EQ(gf_getAttributeDouble(pugi::xml_node(), "lat"), 0.0);
    EXPECT_EQ(gf_getAttributeDouble(element, "lat"), 51.5);
}

} // namespace
