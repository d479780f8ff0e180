// The key extractors and the header matcher of aircraft.cfg lines, checked against the regular
// expressions they stand for.
#include "catalogue/fltsim_keys.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

std::string regexValue(const std::string& line, const std::string& key) {
    const std::regex pattern("\\s*(" + key + ")\\s*=\\s*(.*\\S)\\s*",
                             std::regex_constants::ECMAScript | std::regex_constants::icase);
    std::smatch match;
    if (std::regex_match(line, match, pattern)) {
        return match[2].str();
    }
    return {};
}

std::string regexHeader(const std::string& line) {
    if (line.starts_with("//")) {
        return {};
    }
    const std::regex pattern("\\s*(\\[fltsim\\.)(\\d+)\\]\\s*",
                             std::regex_constants::ECMAScript | std::regex_constants::icase);
    std::smatch match;
    if (std::regex_match(line, match, pattern)) {
        return match[2].str();
    }
    if (line.find("[fltsim.") != std::string::npos || line.find("[FLTSIM.") != std::string::npos) {
        return "10000";
    }
    return {};
}

struct KeyCase {
    const char* name;
    std::string line;
    const char* key;
    std::string value;
};

TEST(FltsimKeys, ValuesAgreeWithThePatterns) {
    const KeyCase cases[] = {
        {"plain", "title=Foo Bar", "title", "Foo Bar"},
        {"key case and blanks", "  TiTlE \t=  Foo  ", "title", "Foo"},
        {"empty value", "model=", "model", ""},
        {"blank value", "model= \t ", "model", ""},
        {"comment after the value", "atc_id=N101NN ; delivered 2015", "atc_id",
         "N101NN ; delivered 2015"},
        {"trailing tab", "atc_parking_codes=BAW\t", "atc_parking_codes", "BAW"},
        {"longer key", "titles=Foo", "title", ""},
        {"key inside the line", "ui_title=Foo", "title", ""},
        {"no equals sign", "title Foo", "title", ""},
        {"inner carriage return", "title=Foo\rBar", "title", ""},
        {"trailing carriage return", "title=Foo\r", "title", "Foo"},
        {"vertical tab and form feed", "\v\fsim\v=\fX\f", "sim", "X"},
        {"windows-1252 bytes", "title=Caf\xE9 \x96 A320", "title", "Caf\xE9 \x96 A320"},
        {"nul byte inside", std::string("texture=A\0B", 11), "texture", std::string("A\0B", 3)},
        {"second equals sign", "atc_model==A321", "atc_model", "=A321"},
        {"comment line", "//title=Foo", "title", ""},
        {"blank before comment", " //atc_id=X", "atc_id", ""},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value, lf_matchKeyValue(c.line, c.key));
        EXPECT_EQ(regexValue(c.line, c.key), lf_matchKeyValue(c.line, c.key));
    }
}

TEST(FltsimKeys, MatchersLeaveTheOutputAloneWithoutAValue) {
    std::string out = "kept";
    EXPECT_FALSE(lf_matchTitle("title=", out));
    EXPECT_EQ("kept", out);
    EXPECT_TRUE(lf_matchTitle("Title = New", out));
    EXPECT_EQ("New", out);
    EXPECT_TRUE(lf_matchAtcParkingTypes("ATC_PARKING_TYPES=gate", out));
    EXPECT_EQ("gate", out);
    EXPECT_EQ("A350", lf_matchAtcModel("atc_model=A350"));
    EXPECT_EQ("BAW ,AAL", lf_matchAtcParkingCodes("atc_parking_codes= BAW ,AAL "));
    EXPECT_TRUE(lf_hasAtcIdKey("// old atc_id=G-ABCD"));
    EXPECT_FALSE(lf_hasAtcIdKey("ATC_ID=G-ABCD"));
    EXPECT_TRUE(lf_hasAtcParkingTypesKey("xatc_parking_typesx"));
    EXPECT_FALSE(lf_hasAtcParkingTypesKey("ATC_PARKING_TYPES=GATE"));
}

TEST(FltsimKeys, VeryLongLinesNeitherCrashNorCrawl) {
    const std::string filler(200000, 'x');
    EXPECT_EQ(filler, lf_matchKeyValue("title=" + filler + "   ", "title"));
    EXPECT_EQ("", lf_matchKeyValue(std::string(200000, ' ') + "title", "title"));
    EXPECT_EQ("10000", lf_matchFltSimHeader(filler + "[fltsim." + filler));
    EXPECT_EQ("", lf_matchFltSimHeader(filler));
}

struct HeaderCase {
    const char* name;
    std::string line;
    std::string number;
};

TEST(FltsimKeys, HeadersAgreeWithThePattern) {
    const HeaderCase cases[] = {
        {"plain", "[fltsim.0]", "0"},
        {"upper case", "[FLTSIM.12]", "12"},
        {"mixed case counts as a number", "[Fltsim.3]", "3"},
        {"blanks and tabs around", " \t[fltsim.2]\t\t", "2"},
        {"comment after it", "[fltsim.1] // old", "10000"},
        {"no number", "[fltsim.]", "10000"},
        {"letters as number", "[fltsim.x]", "10000"},
        {"mixed case without a number", "[Fltsim.x]", ""},
        {"comment in column 0", "//[fltsim.0]", ""},
        {"blank before the comment", " //[fltsim.0]", "10000"},
        {"number beyond 32 bits", "[fltsim.99999999999]", "99999999999"},
        {"other section", "[General]", ""},
        {"leading zeros", "[fltsim.007]", "007"},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.number, lf_matchFltSimHeader(c.line));
        EXPECT_EQ(regexHeader(c.line), lf_matchFltSimHeader(c.line));
    }
}

TEST(FltsimKeys, ManufacturerCodes) {
    for (const char* code : {"BOE", "AIB", "EMB", "BBA", "AED"}) {
        EXPECT_TRUE(lf_isManufacturerCode(code)) << code;
    }
    for (const char* code : {"boe", "BOE,AIB", "BAW", "", "BOEX"}) {
        EXPECT_FALSE(lf_isManufacturerCode(code)) << code;
    }
}

} // namespace
