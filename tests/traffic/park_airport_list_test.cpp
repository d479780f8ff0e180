// The candidate list: my_park_airports.txt and airports/my_thirdparty in, the list with its
// stands and distances, the okay flag, the lines and messages out, and the file after the first
// record was recorded.
#include "park_airport_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace ksb::test {
namespace {

constexpr int kManyAirports = 3001;

std::string lf_manyCode(int i) {
    return fmt::format("A{:04}", i);
}

class ParkAirportListTest : public ParkAirportFixture {
protected:
    // Also many airports far away, for a long file.
    std::vector<Airport> airports() const override {
        std::vector<Airport> all = ParkAirportFixture::airports();
        for (int i = 0; i < kManyAirports; ++i) {
            all.push_back(Airport{lf_manyCode(i), "", 10.0, 10.0, 0.0});
        }
        return all;
    }
};

struct ListCase {
    std::string name;
    std::optional<std::string> file; // the bytes of my_park_airports.txt; nullopt: none
    std::vector<std::string> folder; // entries of my_thirdparty; a trailing '/' makes a folder
    std::vector<std::string> list;   // "name,stand" in order; not checked for the long file
    bool ok = true;
    std::vector<std::string> lines{};
    std::vector<RecordedMessage> messages{};
    // Before the write: the first record's stand is set to this, or this record is put in front.
    std::optional<std::string> firstStand{};
    std::optional<ParkAirport> newFirst{};
    // After gf_writeParkAirports: the file's bytes (nullopt: my_park_airports.txt is a folder),
    // and the lines the write logged.
    std::optional<std::string> after{};
    std::vector<std::string> writeLines{};
    bool failWrite = false; // a folder holds the write's temporary name
};

const std::string kPath = "airports/my_park_airports.txt";

TEST_F(ParkAirportListTest, TheFileAndTheFolderGiveTheListAndTheFileKeepsEveryLine) {
    std::string many;
    for (int i = 0; i < kManyAirports; ++i) {
        many += lf_manyCode(i) + "\n";
    }
    const std::vector<ListCase> cases = {
        {"wrong syntax, a double, unknown airports and stands",
         "EGLL,11\nEGLL,12\nEGKK,1,2\nZZZZ\nEGKK,99\n",
         {},
         {"EGKK,99", "EGLL,11"},
         false,
         {"my_park_airports.txt:EGLL double, skipped",
          "my_park_airports.txt:EGKK,1,2 wrong syntax, skipped",
          "2 park airports read from \"my_park_airports.txt\""},
         {{RecordedMessage::Kind::message, "airport ZZZZ is unknown", true},
          {RecordedMessage::Kind::message, "EGKK stand 99 is unknown", true}},
         // The first line of the airport is the one rewritten.
         "99",
         std::nullopt,
         "EGKK,99\nEGKK,99\nEGLL,11\nEGLL,12\nZZZZ\n",
         {"my_park_airports.txt:EGKK,99 updated stand"}},
        {"blanks, an empty line, a byte-order mark and CRLF",
         "\xEF\xBB\xBF EGLL , 12 \t\r\n\r\n  \r\nEGKK\r\n",
         {},
         {"EGKK,", "EGLL,12"},
         true,
         {"2 park airports read from \"my_park_airports.txt\""},
         {},
         "13",
         std::nullopt,
         "\n  \n EGLL , 12 \t\nEGKK,13\n",
         {"my_park_airports.txt:EGKK,13 updated stand"}},
        {"the folder: .xml and .txt of one code, an unknown stem, a sub-folder, a file airport",
         "EGLL,12\n",
         {"EGLL.xml", "EGSS.xml", "EGSS.txt", "QQQQ.xml", "EGLC/"},
         {"EGLL,12", "EGSS,"},
         true,
         {"1 park airport read from \"my_park_airports.txt\"",
          "1 park airport added from \"airports/my_thirdparty\""}},
        {"more than 3000 airports in the file",
         many,
         {},
         {},
         true,
         {"3001 park airports read from \"my_park_airports.txt\""},
         {{RecordedMessage::Kind::message,
           "Warning: There are a lot of airports (3001) in my_park_airports.txt, that will cost "
           "KSBY much cpu time, and may give stutters",
           true}}},
        {"a missing file: the folder alone, then the file is created",
         std::nullopt,
         {"EGKK.xml"},
         {"EGKK,"},
         true,
         {"airports/my_park_airports.txt not found",
          "1 park airport added from \"airports/my_thirdparty\""},
         {},
         std::nullopt,
         std::nullopt,
         "EGKK\n",
         {"my_park_airports.txt created with EGKK"}},
        {"an unreadable file (a folder by its name) is never replaced",
         std::nullopt,
         {"EGKK.xml", "my_park_airports.txt/"},
         {"EGKK,"},
         true,
         {"airports/my_park_airports.txt not found",
          "1 park airport added from \"airports/my_thirdparty\""},
         {},
         "13",
         std::nullopt,
         std::nullopt,
         {"===> airports/my_park_airports.txt could not be read, not updated"}},
        {"a recorded stand is never replaced by an empty one",
         "EGLL,12\n",
         {},
         {"EGLL,12"},
         true,
         {"1 park airport read from \"my_park_airports.txt\""},
         {},
         "",
         std::nullopt,
         "EGLL,12\n",
         {}},
        {"an airport line without a stand keeps its comma",
         "EGLL\n",
         {},
         {"EGLL,"},
         true,
         {"1 park airport read from \"my_park_airports.txt\""},
         {},
         "",
         std::nullopt,
         "EGLL,\n",
         {"my_park_airports.txt:EGLL, updated stand"}},
        {"a new airport with a stand is appended, sorted",
         "EGSS\nEGLL,12\n",
         {},
         {"EGLL,12", "EGSS,"},
         true,
         {"2 park airports read from \"my_park_airports.txt\""},
         {},
         std::nullopt,
         ParkAirport{"EGKK", "33", kParkEgkk.lat, kParkEgkk.lon, 0.0},
         "EGKK,33\nEGLL,12\nEGSS\n",
         {"my_park_airports.txt:EGKK,33 new entry"}},
        {"a new airport without a stand is appended as its code",
         "EGSS\nEGLL,12\n",
         {},
         {"EGLL,12", "EGSS,"},
         true,
         {"2 park airports read from \"my_park_airports.txt\""},
         {},
         std::nullopt,
         ParkAirport{"EGKK", "", kParkEgkk.lat, kParkEgkk.lon, 0.0},
         "EGKK\nEGLL,12\nEGSS\n",
         {"my_park_airports.txt:EGKK new entry"}},
        {"a list of one is measured too",
         "EGSS\n",
         {},
         {"EGSS,"},
         true,
         {"1 park airport read from \"my_park_airports.txt\""}},
        {"a failed write leaves the old file whole",
         "EGLL,12\n",
         {},
         {"EGLL,12"},
         true,
         {"1 park airport read from \"my_park_airports.txt\""},
         {},
         "13",
         std::nullopt,
         "EGLL,12\n",
         {"my_park_airports.txt:EGLL,13 updated stand",
          "===> airports/my_park_airports.txt could not be written"},
         true},
    };
    const fs::path folder = gf_myThirdPartyFolderPath();
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::remove_all(kPath);
        fs::remove_all(kPath + ".tmp");
        fs::create_directories(folder);
        if (c.file) {
            writeBytes(kPath, *c.file);
        }
        for (const std::string& entry : c.folder) {
            if (entry == "my_park_airports.txt/") {
                fs::create_directories(kPath);
            } else if (entry.ends_with('/')) {
                fs::create_directories(folder / entry);
            } else if (entry.ends_with(".xml") && entry != "QQQQ.xml") {
                const std::string code = entry.substr(0, 4);
                parkAirportFile(code == "EGLL"   ? kParkEgll
                                : code == "EGKK" ? kParkEgkk
                                                 : kParkEgss)
                    .write(folder / entry);
            } else {
                writeBytes(folder / entry, "no airport\n");
            }
        }
        if (c.failWrite) {
            fs::create_directories(kPath + ".tmp");
        }
        mainWindow.parkAirportFlag = !c.ok;
        const std::size_t lines = logMark();
        const std::size_t messages = messageMark();

        EXPECT_EQ(readList(), c.ok);
        EXPECT_EQ(mainWindow.parkAirportFlag.load(), c.ok);
        if (c.file != many) {
            EXPECT_EQ(listRecords(), c.list);
        }
        EXPECT_EQ(logSince(lines), c.lines);
        EXPECT_EQ(messagesSince(messages), c.messages);
        {
            // Every distance is measured from the user, and the list is in distance order.
            std::lock_guard lock(trafficState.trafficMutex);
            double previous = 0.0;
            for (const ParkAirport& record : trafficState.parkAirports) {
                const double expected =
                    gf_distanceNM(kParkUserStart, Position{record.latitude, record.longitude});
                EXPECT_GT(record.distance, 5.0) << record.name;
                EXPECT_DOUBLE_EQ(record.distance, expected) << record.name;
                EXPECT_GE(record.distance, previous) << record.name;
                previous = record.distance;
            }
        }

        if (!c.firstStand && !c.newFirst) {
            continue;
        }
        const std::size_t writeMark = logMark();
        {
            std::lock_guard lock(trafficState.trafficMutex);
            if (c.newFirst) {
                trafficState.parkAirports.push_front(*c.newFirst);
            } else {
                trafficState.parkAirports.front().reservedStand = *c.firstStand;
            }
            ::gf_writeParkAirports();
        }
        if (c.after) {
            EXPECT_EQ(readBytes(kPath), *c.after);
        } else {
            EXPECT_TRUE(fs::is_directory(kPath));
        }
        EXPECT_EQ(logSince(writeMark), c.writeLines);
    }
}

// The folder must exist (start-up creates it): its absence reaches the caller's handler.
TEST_F(ParkAirportListTest, AMissingAirportFolderRaisesTheFileSystemError) {
    fs::remove_all(gf_myThirdPartyFolderPath());
    writeBytes(kPath, "EGLL\n");
    EXPECT_THROW(readList(), fs::filesystem_error);
}

} // namespace
} // namespace ksb::test
