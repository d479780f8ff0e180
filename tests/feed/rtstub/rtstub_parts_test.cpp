// The stand-in's own form decoder, shape checks, record builders and script files.
#include "support/rtstub/form.h"
#include "support/rtstub/gzip.h"
#include "support/rtstub/records.h"
#include "support/rtstub/script.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using nlohmann::json;
using rtstub::FieldFormat;
using rtstub::FieldSpec;
using rtstub::Reply;

TEST(RtStubFormTest, DecodesFieldsInOrder) {
    const auto fields = rtstub::decodeForm("a=1&b=x+y%26z&c=&%41=%7e");
    ASSERT_TRUE(fields);
    ASSERT_EQ(fields->size(), 4u);
    EXPECT_EQ((*fields)[1].name, "b");
    EXPECT_EQ((*fields)[1].value, "x y&z");
    EXPECT_EQ((*fields)[1].raw, "x+y%26z");
    EXPECT_EQ((*fields)[2].value, "");
    EXPECT_EQ((*fields)[3].name, "A");
    EXPECT_EQ((*fields)[3].value, "~");
    EXPECT_TRUE(rtstub::decodeForm("")->empty());
    for (const char* broken : {"a", "a=1&", "a=%4", "a=%zz", "a=1&&b=2"}) {
        SCOPED_TRACE(broken);
        EXPECT_FALSE(rtstub::decodeForm(broken));
    }
}

TEST(RtStubFormTest, ChecksEachFormat) {
    struct Case {
        FieldSpec spec;
        const char* raw;
        bool ok;
    };
    const Case cases[] = {
        {{"n", FieldFormat::integer}, "0", true},
        {{"n", FieldFormat::integer}, "-40320", true},
        {{"n", FieldFormat::integer}, "+1", false},
        {{"n", FieldFormat::integer}, "1.0", false},
        {{"n", FieldFormat::integer}, "", false},
        {{"n", FieldFormat::fourDecimals}, "-0.4619", true},
        {{"n", FieldFormat::fourDecimals}, "51.47", false},
        {{"n", FieldFormat::fourDecimals}, ".4619", false},
        {{"n", FieldFormat::twoDecimals}, "52.44", true},
        {{"n", FieldFormat::twoDecimals}, "52.440", false},
        {{"n", FieldFormat::twoDecimals}, "52.", false},
        {{"n", FieldFormat::word, "locwx"}, "locwx", true},
        {{"n", FieldFormat::word, "locwx"}, "LOCWX", false},
        {{"n", FieldFormat::text}, "G-42_a.b~", true},
        {{"n", FieldFormat::text}, "empty%20GUID%3F", true},
        {{"n", FieldFormat::text}, "", true},
        {{"n", FieldFormat::text}, "a+b", false},
        {{"n", FieldFormat::text}, "a%2", false},
        {{"n", FieldFormat::text}, "a?", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(rtstub::matchesFormat(rtstub::FormField{"n", "", c.raw}, c.spec), c.ok);
    }
}

TEST(RtStubFormTest, NamesTheFirstFieldOutOfShape) {
    const std::vector<FieldSpec> spec{{"GUID", FieldFormat::text},
                                      {"toffset", FieldFormat::integer}};
    const auto fault = [&](const char* body) {
        return rtstub::shapeFault(*rtstub::decodeForm(body), spec);
    };
    EXPECT_EQ(fault("GUID=G&toffset=0"), "");
    EXPECT_EQ(fault("GUID=G"), "toffset");
    EXPECT_EQ(fault("toffset=0&GUID=G"), "GUID");
    EXPECT_EQ(fault("GUID=G&toffset=0&x=1"), "x");
    EXPECT_EQ(fault("GUID=G&toffset=zero"), "toffset");
}

TEST(RtStubRecordsTest, BuildsTheFormsTheServiceSends) {
    const json example = json::parse(
        R"(["4b1a2c",51.4706,-0.4619,271.0,3200,185,"1200","A","A320","G-EZAB",1765368000.5,)"
        R"("EGLL","LFPG","EZY12AB",null,1200,null,"adsb_icao",3250,null,210,null,null,4.5,)"
        R"(null,268.9,null,null,"A3"])");
    EXPECT_EQ(rtstub::LiveRecordBuilder().json(), example);
    EXPECT_TRUE(example[3].is_number_float());

    const json integers = rtstub::LiveRecordBuilder()
                              .set(1, 52.0)
                              .set(10, 1765368000.0)
                              .set(3, 157.0)
                              .wholeNumbersAsIntegers()
                              .json();
    EXPECT_TRUE(integers[1].is_number_integer());
    EXPECT_EQ(integers[1], 52);
    EXPECT_EQ(integers[10], 1765368000);
    EXPECT_EQ(integers[3], 157);
    EXPECT_TRUE(integers[2].is_number_float());

    const json nulls = rtstub::LiveRecordBuilder().nullTexts().squawk("").json();
    for (const std::size_t i : {9u, 11u, 12u, 13u, 28u}) {
        EXPECT_EQ(nulls[i], "null") << i;
    }
    EXPECT_EQ(nulls[6], "");
    EXPECT_EQ(rtstub::LiveRecordBuilder().resize(48).json().size(), 48u);
    EXPECT_EQ(rtstub::LiveRecordBuilder().resize(48).json()[47], nullptr);
    EXPECT_EQ(rtstub::LiveRecordBuilder().resize(11).json().size(), 11u);

    using rtstub::WrongType;
    EXPECT_EQ(rtstub::LiveRecordBuilder().wrongType(5, WrongType::text).json()[5], "185");
    EXPECT_EQ(rtstub::LiveRecordBuilder().wrongType(13, WrongType::text).json()[13], "12");
    EXPECT_EQ(rtstub::LiveRecordBuilder().wrongType(13, WrongType::number).json()[13], 42);
    EXPECT_EQ(rtstub::LiveRecordBuilder().wrongType(1, WrongType::boolean).json()[1], true);
    EXPECT_EQ(rtstub::LiveRecordBuilder().wrongType(8, WrongType::object).json()[8],
              json({{"v", 1}}));

    const json parked = rtstub::ParkedRecordBuilder().extraElement().json();
    EXPECT_EQ(parked, json::parse(R"([51.4706,-0.4619,"S12","A320","G-EZAB",1765368000,)"
                                  R"("EZY12AB","extra"])"));
}

TEST(RtStubRecordsTest, GeneratesTheSameSampleTrafficForTheSameSeedAndTime) {
    const rtstub::Box world{90.0, -90.0, -180.0, 180.0};
    const auto a = rtstub::sampleLiveRecords(12, 1, 52.3, 4.76, world, 1765368000.0);
    const auto b = rtstub::sampleLiveRecords(12, 1, 52.3, 4.76, world, 1765368000.0);
    const auto other = rtstub::sampleLiveRecords(12, 2, 52.3, 4.76, world, 1765368000.0);
    ASSERT_EQ(a.size(), 12u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    EXPECT_EQ(a.front().first, "4b0001");
    EXPECT_EQ(a.back().first, "4b000c");
    const auto later = rtstub::sampleLiveRecords(12, 1, 52.3, 4.76, world, 1765368060.0);
    EXPECT_NE(a[0].second[1], later[0].second[1]); // they fly
}

TEST(RtStubGzipTest, RoundTrips) {
    const std::string text(5000, 'x');
    EXPECT_EQ(rtstub::gzipDecompress(rtstub::gzipCompress(text)), text);
    EXPECT_EQ(rtstub::gzipDecompress(rtstub::gzipCompress("")), "");
    EXPECT_THROW(rtstub::gzipDecompress("plain"), std::runtime_error);
}

TEST(RtStubScriptTest, ReadsEveryReplyKind) {
    const auto script = rtstub::parseScript(
        R"({"auth":[{"model":true},{"status":503,"body":"down"},{"status":200,"body":"{}"},)"
        R"({"empty":true},{"drop":true},{"model":true,"delay_ms":250,"gzip":true},)"
        R"({"login":{"status":401,"message":"no","GUID":null}},{"close":true}],)"
        R"("traffic-buffered":[{"empty":true}]})");
    ASSERT_EQ(script.size(), 2u);
    const auto& auth = script.at("auth");
    ASSERT_EQ(auth.size(), 8u);
    EXPECT_EQ(auth[0].kind, Reply::Kind::model);
    EXPECT_EQ(auth[1].kind, Reply::Kind::http);
    EXPECT_EQ(auth[1].status, 503);
    EXPECT_EQ(auth[1].body, "down");
    EXPECT_EQ(auth[2].kind, Reply::Kind::json);
    EXPECT_EQ(auth[2].body, "{}");
    EXPECT_EQ(auth[3].kind, Reply::Kind::empty);
    EXPECT_EQ(auth[4].kind, Reply::Kind::drop);
    EXPECT_EQ(auth[5].kind, Reply::Kind::model);
    EXPECT_EQ(auth[5].delay, std::chrono::milliseconds(250));
    EXPECT_TRUE(auth[5].gzipped);
    EXPECT_EQ(auth[6].kind, Reply::Kind::login);
    EXPECT_EQ(auth[6].body, R"({"status":401,"message":"no","GUID":null})");
    EXPECT_EQ(auth[7].kind, Reply::Kind::close);
    EXPECT_EQ(script.at("traffic-buffered").size(), 1u);
}

TEST(RtStubScriptTest, ReadsTheUpdateReplyKinds) {
    const auto script = rtstub::parseScript(
        R"({"update:dbase/version.json":[{"bytes":"9.4.0\n"},)"
        R"({"redirect":302,"location":"http://127.0.0.1:9/x"},{"stall_ms":1500},)"
        R"({"truncated":"abc","length":10}]})");
    const auto& replies = script.at("update:dbase/version.json");
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[0].kind, Reply::Kind::bytes);
    EXPECT_EQ(replies[0].body, "9.4.0\n");
    EXPECT_EQ(replies[1].kind, Reply::Kind::redirect);
    EXPECT_EQ(replies[1].status, 302);
    EXPECT_EQ(replies[1].body, "http://127.0.0.1:9/x");
    EXPECT_EQ(replies[2].kind, Reply::Kind::stall);
    EXPECT_EQ(replies[2].silence, std::chrono::milliseconds(1500));
    EXPECT_EQ(replies[3].kind, Reply::Kind::truncated);
    EXPECT_EQ(replies[3].body, "abc");
    EXPECT_EQ(replies[3].declaredLength, 10u);
}

TEST(RtStubScriptTest, NamesWhatIsWrong) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"{", "the script is not JSON"},
        {"[]", "the script must be an object of routes"},
        {R"({"login":[]})", "unknown route \"login\""},
        {R"({"auth":{}})", "route \"auth\" needs a list of replies"},
        {R"({"auth":[1]})", "route \"auth\": a reply must be an object"},
        {R"({"auth":[{}]})", "route \"auth\": a reply needs \"model\", \"status\", \"login\", "
                             "\"bytes\", \"redirect\", \"stall_ms\", \"truncated\", "
                             "\"empty\", \"drop\" or \"close\""},
        {R"({"update:":[{"model":true}]})", "unknown route \"update:\""},
        {R"({"update:a":[{"redirect":200,"location":"x"}]})",
         "route \"update:a\": \"redirect\" must be a 3xx status"},
        {R"({"update:a":[{"redirect":301}]})", "route \"update:a\": \"location\" must be a text"},
        {R"({"update:a":[{"bytes":1}]})", "route \"update:a\": \"bytes\" must be a text"},
        {R"({"update:a":[{"stall_ms":-1}]})",
         "route \"update:a\": \"stall_ms\" must be 0 to 3600000"},
        {R"({"update:a":[{"truncated":"ab"}]})",
         "route \"update:a\": \"length\" must be 0 to 1073741824"},
        {R"({"auth":[{"login":"401"}]})",
         "route \"auth\": \"login\" must be an object of answer keys"},
        {R"({"traffic":[{"login":{}}]})",
         "route \"traffic\": a login reply is for the route \"auth\" only"},
        {R"({"auth":[{"close":1}]})", "route \"auth\": \"close\" must be true or false"},
        {R"({"auth":[{"status":99}]})", "route \"auth\": \"status\" must be an HTTP status"},
        {R"({"auth":[{"status":200,"body":1}]})", "route \"auth\": \"body\" must be a text"},
        {R"({"auth":[{"model":true,"delay_ms":-1}]})",
         "route \"auth\": \"delay_ms\" must be 0 to 3600000"},
        {R"({"auth":[{"drop":"yes"}]})", "route \"auth\": \"drop\" must be true or false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            rtstub::parseScript(c.text);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
    }
}

} // namespace
