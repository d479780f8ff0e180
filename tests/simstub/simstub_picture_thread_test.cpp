// The traffic picture: what it draws from scripted objects and positions, that the same records
// give the same bytes, and that a failed write is one line and nothing more.
#include "stub_fixture.h"

#include "support/file_bytes.h"

#include <pugixml.hpp>
#include <sstream>

namespace {

using namespace std::chrono_literals;
using raw::Bytes;
using simstub::test::StubTest;

constexpr double kPicGround = 364.0;

struct SvgPoint {
    double x = 0.0;
    double y = 0.0;
};

std::vector<SvgPoint> lf_points(const char* text) {
    std::vector<SvgPoint> out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        const std::size_t comma = pair.find(',');
        out.push_back({std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1))});
    }
    return out;
}

class Picture : public StubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario s = StubTest::makeScenario();
        s.groundElevation = kPicGround;
        s.marks = {{"A1", {50.0369, 8.5706}, 0.0}, {"B1", {50.0405, 8.5720}, 90.0}};
        return s;
    }

    std::uint32_t create(raw::Client& c, int conn, std::string_view title, std::string_view tail,
                         double lat, double lon) {
        raw::InitPosition p;
        p.latitude = lat;
        p.longitude = lon;
        sendAndWait(c, conn, raw::createPacket(c, title, tail, p));
        return stub().objectsCreatedBy(conn).back().id;
    }

    void write(raw::Client& c, int conn, std::uint32_t id, double lat, double lon, double agl) {
        sendAndWait(c, conn,
                    raw::setDataPacket(
                        c, 402, id, 1, 64,
                        raw::doubles({lat, lon, 0.0, 0.0, 1.5, kPicGround + agl, 0.0, 140.0})));
    }

    // The same script on the running stand-in: a live aircraft that takes off (on the ground,
    // below and above 3,000 ft), a static one, one that flies north and is removed, and a live
    // one whose title needs escaping and that has no position yet. Returns the picture's bytes.
    std::string drawScript(const std::filesystem::path& file, simstub::PictureResult* result) {
        int conn = 0;
        raw::Client c = connectDeclared(&conn);
        const std::uint32_t live = create(c, conn, "Scene A320 DLH", "DLH4AB", 50.030, 8.560);
        write(c, conn, live, 50.030, 8.560, 9.5);
        write(c, conn, live, 50.030, 8.570, 9.5);
        write(c, conn, live, 50.030, 8.580, 1500.0);
        write(c, conn, live, 50.030, 8.600, 5000.0);
        create(c, conn, "Scene A320 DLH", "DLH100*", 50.0369, 8.5706);
        const std::uint32_t gone = create(c, conn, "Scene A320 EZY", "EZY71", 50.040, 8.590);
        write(c, conn, gone, 50.040, 8.590, 12000.0);
        write(c, conn, gone, 50.050, 8.590, 12000.0);
        write(c, conn, gone, 50.060, 8.590, 12000.0);
        sendAndWait(c, conn, raw::removePacket(c, gone));
        create(c, conn, "A&B <x> \xE9", "RYR12X", 50.020, 8.550);
        stub().advance(5s);
        *result = stub().writePicture(file);
        return ksb::test::readBytes(file);
    }
};

TEST_F(Picture, DrawsTheUserMarksTracksAndCountsAndTheSameRecordsGiveTheSameBytes) {
    const std::filesystem::path file = tempDir() / "traffic.svg";
    std::vector<std::string> lines;
    stub().setLineSink([&](const std::string& line, bool) {
        if (line.rfind("simstub picture", 0) == 0) {
            lines.push_back(line);
        }
    });
    simstub::PictureResult result;
    const std::string bytes = drawScript(file, &result);
    const std::string summary =
        "simstub picture " + file.string() + ": 3 AI objects (2 live, 1 static), 4 positions";
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.line, summary);
    EXPECT_EQ(lines, std::vector<std::string>{summary});
    EXPECT_EQ(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(tempDir()), {})
                  .size(),
              2U)
        << "the pipe folder and the picture, no temporary file";

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(bytes.c_str())) << bytes;
    const pugi::xml_node svg = doc.child("svg");
    EXPECT_LE(svg.attribute("width").as_double(), 1200.0);
    EXPECT_LE(svg.attribute("height").as_double(), 900.0);
    EXPECT_STREQ(svg.select_node("//text[@class='title']").node().text().get(),
                 "simstub traffic, stand-in time 01:00:05, 3 AI objects (2 live, 1 static)");
    EXPECT_EQ(svg.select_nodes("//g[@class='user']").size(), 1U);
    std::vector<std::string> marks;
    for (const pugi::xpath_node& m : svg.select_nodes("//g[@class='mark']")) {
        EXPECT_TRUE(m.node().child("rect"));
        marks.emplace_back(m.node().child("text").text().get());
    }
    EXPECT_EQ(marks, (std::vector<std::string>{"A1", "B1"}));
    EXPECT_NE(
        std::string(svg.select_node("//g[@class='scale']/text").node().text().get()).find(" NM"),
        std::string::npos);

    struct Expect {
        const char* name;
        std::uint32_t id;
        const char* state;
        std::size_t points;
        int xOrder; // +1: the points run east; 0: no order asked
        int yOrder; // -1: the points run north (up)
        std::size_t runs;
        bool grey;
        bool square;
        const char* label;
    };
    const Expect expects[] = {
        {"takes off", 1000, "live", 4, +1, 0, 2, false, false, "DLH4AB Scene A320 DLH"},
        {"static", 1001, "static", 0, 0, 0, 0, false, true, "DLH100* Scene A320 DLH"},
        {"removed", 1002, "removed", 3, 0, -1, 1, true, false, "EZY71 Scene A320 EZY"},
        {"escaped title", 1003, "live", 0, 0, 0, 0, false, false, "RYR12X A&B <x> \xC3\xA9"},
    };
    const pugi::xpath_node_set objects = svg.select_nodes("//g[@class='object']");
    ASSERT_EQ(objects.size(), std::size(expects));
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const Expect& k = expects[i];
        SCOPED_TRACE(k.name);
        const pugi::xml_node o = objects[i].node();
        EXPECT_EQ(o.attribute("data-id").as_uint(), k.id);
        EXPECT_STREQ(o.attribute("data-state").value(), k.state);
        const pugi::xpath_node_set tracks = o.select_nodes("g[@class='track']");
        ASSERT_EQ(tracks.size(), 1U);
        // Each run of one colour starts where the last ended.
        std::vector<SvgPoint> points;
        std::vector<std::string> colours;
        for (const pugi::xml_node run : tracks[0].node().children("polyline")) {
            const std::vector<SvgPoint> p = lf_points(run.attribute("points").value());
            ASSERT_FALSE(p.empty());
            if (!points.empty()) {
                EXPECT_EQ(p.front().x, points.back().x);
                EXPECT_EQ(p.front().y, points.back().y);
            }
            points.insert(points.end(), p.begin() + (points.empty() ? 0 : 1), p.end());
            colours.emplace_back(run.attribute("stroke").value());
            EXPECT_EQ(std::string(run.attribute("stroke-dasharray").value()).empty(), !k.grey);
        }
        EXPECT_EQ(points.size(), k.points);
        EXPECT_EQ(colours.size(), k.runs);
        for (std::size_t j = 1; j < points.size(); ++j) {
            if (k.xOrder != 0) {
                EXPECT_GT((points[j].x - points[j - 1].x) * k.xOrder, 0.0) << j;
            }
            if (k.yOrder != 0) {
                EXPECT_GT((points[j].y - points[j - 1].y) * k.yOrder, 0.0) << j;
            }
        }
        for (std::size_t j = 0; j < colours.size(); ++j) {
            EXPECT_EQ(colours[j] == "#999999", k.grey) << colours[j];
            if (j > 0) {
                EXPECT_NE(colours[j], colours[j - 1]);
            }
        }
        EXPECT_EQ(static_cast<bool>(o.child("rect")), k.square);
        EXPECT_EQ(static_cast<bool>(o.child("polygon")), !k.square);
        if (k.square) {
            EXPECT_STRNE(o.child("rect").attribute("fill").value(), "none");
        }
        EXPECT_STREQ(o.select_node("text[@class='label']").node().text().get(), k.label);
    }

    // A second stand-in given the same script draws the same bytes.
    startStub(makeScenario());
    simstub::PictureResult again;
    EXPECT_EQ(drawScript(tempDir() / "again.svg", &again), bytes);
}

TEST_F(Picture, AFailedWriteGivesItsLineAndTheStandInGoesOn) {
    std::vector<std::string> lines;
    stub().setLineSink([&](const std::string& line, bool) {
        if (line.rfind("simstub picture", 0) == 0) {
            lines.push_back(line);
        }
    });
    int conn = 0;
    raw::Client c = connectDeclared(&conn);
    const std::filesystem::path missing = tempDir() / "missing" / "traffic.svg";
    const simstub::PictureResult failed = stub().writePicture(missing);
    EXPECT_FALSE(failed.written);
    const std::string line =
        "simstub picture failed: " + missing.string() + ": No such file or directory";
    EXPECT_EQ(failed.line, line);
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));

    // The stand-in goes on: it creates, and the next picture is written.
    sendAndWait(c, conn, raw::createPacket(c, "Scene A320 DLH", "DLH4AB"));
    EXPECT_EQ(stub().objects().size(), 2U);
    const simstub::PictureResult next = stub().writePicture(tempDir() / "traffic.svg");
    EXPECT_TRUE(next.written);
    EXPECT_EQ(next.counts.live, 1U);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], line);
}

} // namespace
