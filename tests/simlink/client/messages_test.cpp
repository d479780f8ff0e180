#include "message_fixtures.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_messages.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace {

using sctest::Bytes;
using sctest::MessageBuilder;

// A field a reader reads: strings are clipped at the message's end and never refused.
struct Field {
    std::size_t offset;
    std::size_t width;
    bool text = false;
};

struct ReaderCase {
    const char* name;
    Bytes message;
    std::function<void(std::span<const std::uint8_t>)> readAndCheck;
    std::vector<Field> fields;
};

std::vector<Field> lf_u32s(std::size_t from, std::size_t to) {
    std::vector<Field> fields;
    for (std::size_t offset = from; offset < to; offset += 4) {
        fields.push_back({offset, 4});
    }
    return fields;
}

std::vector<ReaderCase> lf_readerCases() {
    const std::string longName(256, 'P'); // fills its field: no terminator
    std::vector<Field> openFields = {{12, 256, true}};
    for (const Field& f : lf_u32s(268, 284)) {
        openFields.push_back(f);
    }
    return {
        {"exception", MessageBuilder(1).u32(22).u32(0x1234).u32(3).build(),
         [](auto m) {
             const sc::RecvException e = sc::readException(m);
             EXPECT_EQ(e.header.id, 1u);
             EXPECT_EQ(e.exception, 22u);
             EXPECT_EQ(e.sendId, 0x1234u);
             EXPECT_EQ(e.index, 3u);
         },
         lf_u32s(12, 24)},
        {"open, name filling its field",
         MessageBuilder(2).text(longName, 256).u32(5).u32(1).u32(12).u32(34).build(),
         [longName](auto m) {
             const sc::RecvOpen o = sc::readOpen(m);
             EXPECT_EQ(o.header.id, 2u);
             EXPECT_EQ(o.applicationName, longName);
             EXPECT_EQ(o.applicationVersionMajor, 5u);
             EXPECT_EQ(o.applicationVersionMinor, 1u);
             EXPECT_EQ(o.applicationBuildMajor, 12u);
             EXPECT_EQ(o.applicationBuildMinor, 34u);
         },
         openFields},
        {"open with fields beyond those read",
         MessageBuilder(2)
             .text("Lockheed Martin\xAE Prepar3D\xAE v5", 256)
             .u32(5)
             .u32(3)
             .u32(28)
             .u32(38585)
             .u32(4)
             .u32(0)
             .build(),
         [](auto m) {
             const sc::RecvOpen o = sc::readOpen(m);
             EXPECT_EQ(o.applicationName, "Lockheed Martin\xAE Prepar3D\xAE v5");
             EXPECT_EQ(o.applicationBuildMinor, 38585u);
         },
         openFields},
        {"quit",
         MessageBuilder(3).build(),
         [](auto m) { EXPECT_EQ(sc::readHeader(m).id, 3u); },
         {}},
        {"system event", MessageBuilder(4).u32(0xFFFFFFFF).u32(11).u32(1).build(),
         [](auto m) {
             const sc::RecvEvent e = sc::readEvent(m);
             EXPECT_EQ(e.header.size, 24u);
             EXPECT_EQ(e.header.version, 4u);
             EXPECT_EQ(e.groupId, 0xFFFFFFFFu);
             EXPECT_EQ(e.eventId, 11u);
             EXPECT_EQ(e.data, 1u);
         },
         lf_u32s(12, 24)},
        {"object added", MessageBuilder(5).u32(0xFFFFFFFF).u32(12).u32(987654).u32(2).build(),
         [](auto m) {
             const sc::RecvObjectAddRemove a = sc::readObjectAddRemove(m);
             EXPECT_EQ(a.eventId, 12u);
             EXPECT_EQ(a.objectId, 987654u);
             EXPECT_EQ(a.objectType, 2u);
         },
         lf_u32s(12, 28)},
        {"file name event",
         MessageBuilder(6).u32(0).text("flight.fxml", 260).build(),
         [](auto m) { EXPECT_EQ(sc::readHeader(m).id, 6u); },
         {}},
        {"frame", MessageBuilder(7).u32(1).u32(14).u32(0).f32(29.5f).f32(2.0f).build(),
         [](auto m) {
             const sc::RecvFrame f = sc::readFrame(m);
             EXPECT_EQ(f.eventId, 14u);
             EXPECT_EQ(f.frameRate, 29.5f);
             EXPECT_EQ(f.simulationRate, 2.0f);
         },
         lf_u32s(12, 32)},
        {"object data",
         MessageBuilder(8).u32(1).u32(0).u32(403).u32(0).u32(0).u32(0).u32(1).f64(51.5).build(),
         [](auto m) {
             sc::RecvObjectData d = sc::readObjectData(m);
             EXPECT_EQ(d.header.id, 8u);
             EXPECT_EQ(d.definitionId, 403u);
             EXPECT_EQ(d.datumCount, 1u);
             EXPECT_EQ(d.data.remaining(), 8u);
             EXPECT_EQ(d.data.float64(), 51.5);
             EXPECT_TRUE(d.data.atEnd());
         },
         lf_u32s(12, 40)},
        {"object data by type", sctest::lf_objectDataMessage(7, 4242),
         [](auto m) {
             sc::RecvObjectData d = sc::readObjectData(m);
             EXPECT_EQ(d.header.id, 9u);
             EXPECT_EQ(d.requestId, 7u);
             EXPECT_EQ(d.objectId, 4242u);
             EXPECT_EQ(d.definitionId, 405u);
             EXPECT_EQ(d.entryNumber, 1u);
             EXPECT_EQ(d.outOf, 3u);
             EXPECT_EQ(d.datumCount, 4u);
             EXPECT_EQ(d.data.int64(), -2);
             EXPECT_EQ(d.data.float64(), 1234.5);
             EXPECT_EQ(d.data.string32(), "Boeing 737-800");
             EXPECT_EQ(d.data.stringV(), "N1234");
             EXPECT_TRUE(d.data.atEnd());
         },
         lf_u32s(12, 40)},
        {"not used, id 12",
         MessageBuilder(12).u32(1).build(),
         [](auto m) { EXPECT_EQ(sc::readHeader(m).id, 12u); },
         {}},
    };
}

std::string lf_readError(const std::function<void()>& read) {
    try {
        read();
    } catch (const ksb::ByteReadError& e) {
        return e.what();
    }
    return "no error";
}

TEST(MessageReaderTest, FixturesGiveTheirFields) {
    for (const ReaderCase& c : lf_readerCases()) {
        SCOPED_TRACE(c.name);
        c.readAndCheck(c.message);
    }
}

// Every prefix of every fixture, as the framing could never deliver it: the size field then
// names more bytes than were given.
TEST(MessageReaderTest, EveryPrefixIsRefusedWithItsOffset) {
    for (const ReaderCase& c : lf_readerCases()) {
        SCOPED_TRACE(c.name);
        const std::size_t full = c.message.size();
        for (std::size_t length = 0; length < full; ++length) {
            SCOPED_TRACE(length);
            // A copy of exactly the prefix, so the address sanitizer sees any read beyond it.
            const Bytes prefix(c.message.begin(), c.message.begin() + length);
            std::string expected;
            if (length < 12) {
                const std::size_t offset = length / 4 * 4;
                expected = fmt::format("read past end: 4 bytes at offset {} of {}", offset, length);
            } else {
                expected = fmt::format("read past end: {} bytes at offset 0 of {}", full, length);
            }
            EXPECT_EQ(lf_readError([&] { c.readAndCheck(prefix); }), expected);
        }
    }
}

// Every prefix whose size field says what was given: the first field past the end is refused;
// text fields end at the message's end instead.
TEST(MessageReaderTest, ConsistentPrefixesAreRefusedAtTheirFirstMissingField) {
    for (const ReaderCase& c : lf_readerCases()) {
        SCOPED_TRACE(c.name);
        if (c.fields.empty()) {
            continue;
        }
        const std::size_t lastEnd = c.fields.back().offset + c.fields.back().width;
        for (std::size_t length = 12; length < lastEnd; ++length) {
            SCOPED_TRACE(length);
            Bytes prefix(c.message.begin(), c.message.begin() + length);
            for (int i = 0; i < 4; ++i) {
                prefix[i] = static_cast<std::uint8_t>(length >> (8 * i));
            }
            std::string expected = "no error";
            for (const Field& field : c.fields) {
                if (!field.text && field.offset + field.width > length) {
                    expected = fmt::format("read past end: {} bytes at offset {} of {}",
                                           field.width, std::min(field.offset, length), length);
                    break;
                }
            }
            const std::string got = lf_readError([&] {
                switch (c.message[8]) {
                case 1:
                    sc::readException(prefix);
                    break;
                case 2:
                    sc::readOpen(prefix);
                    break;
                case 4:
                    sc::readEvent(prefix);
                    break;
                case 5:
                    sc::readObjectAddRemove(prefix);
                    break;
                case 7:
                    sc::readFrame(prefix);
                    break;
                default:
                    sc::readObjectData(prefix);
                    break;
                }
            });
            EXPECT_EQ(got, expected);
        }
    }
}

TEST(MessageReaderTest, SizeFieldMustMatchTheBytesGiven) {
    struct Case {
        const char* name;
        Bytes message;
        std::string error;
    };
    const Case cases[] = {
        {"size field larger", MessageBuilder(4).u32(1).u32(2).u32(3).sizeField(28).build(),
         "read past end: 28 bytes at offset 0 of 24"},
        {"size field smaller", MessageBuilder(4).u32(1).u32(2).u32(3).sizeField(20).build(),
         "read past end: 24 bytes at offset 0 of 20"},
        {"size field far too large", MessageBuilder(3).sizeField(0xFFFFFFFF).build(),
         "read past end: 4294967295 bytes at offset 0 of 12"},
        {"size 0", MessageBuilder(3).sizeField(0).build(),
         "read past end: 12 bytes at offset 0 of 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lf_readError([&] { sc::readEvent(c.message); }), c.error);
        EXPECT_EQ(lf_readError([&] { sc::readHeader(c.message); }), c.error);
    }
}

// The data cursor ends where the message ends: strings are cut there, numbers refused.
TEST(MessageReaderTest, DatumReadsStopAtTheMessageEnd) {
    const Bytes full = sctest::lf_objectDataMessage(1, 2, std::string(32, 'T'), "ATC-ID");
    const std::size_t dataEnd = full.size();
    for (std::size_t length = 40; length <= dataEnd; ++length) {
        SCOPED_TRACE(length);
        Bytes prefix(full.begin(), full.begin() + length);
        for (int i = 0; i < 4; ++i) {
            prefix[i] = static_cast<std::uint8_t>(length >> (8 * i));
        }
        sc::RecvObjectData d = sc::readObjectData(prefix);
        const std::size_t data = length - 40;
        EXPECT_EQ(d.data.remaining(), data);
        if (data < 8) {
            EXPECT_EQ(lf_readError([&] { d.data.int64(); }),
                      fmt::format("read past end: 8 bytes at offset 0 of {}", data));
            continue;
        }
        EXPECT_EQ(d.data.int64(), -2);
        if (data < 16) {
            EXPECT_EQ(lf_readError([&] { d.data.float64(); }),
                      fmt::format("read past end: 8 bytes at offset 8 of {}", data));
            continue;
        }
        EXPECT_EQ(d.data.float64(), 1234.5);
        // The fixed string fills its 32 bytes without a terminator.
        EXPECT_EQ(d.data.string32(), std::string(std::min<std::size_t>(32, data - 16), 'T'));
        const std::size_t atc = data > 48 ? data - 48 : 0;
        EXPECT_EQ(d.data.stringV(), std::string("ATC-ID").substr(0, std::min<std::size_t>(atc, 6)));
        EXPECT_TRUE(d.data.atEnd());
        EXPECT_EQ(lf_readError([&] { d.data.float64(); }),
                  fmt::format("read past end: 8 bytes at offset {} of {}", data, data));
    }
}

} // namespace
