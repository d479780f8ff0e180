// The stand-in's packet decoder on every framed length of a packet.
#include "raw_client.h"

#include "support/simstub/packets.h"

namespace {

TEST(PacketDecoder, EveryWrongLengthIsASizeProblemAndNeverAFieldRead) {
    raw::Client none;
    const raw::Bytes whole = raw::createPacket(none, "Test A320 DLH", "DLH4AB");
    for (std::size_t n = 16; n <= whole.size() + 8; ++n) {
        SCOPED_TRACE(n);
        raw::Bytes b = whole;
        b.resize(n, '\0');
        raw::put32(b, 0, static_cast<std::uint32_t>(n)); // framed: the size field says n
        const simstub::DecodedPacket p = simstub::gf_decodePacket(b);
        if (n == whole.size()) {
            EXPECT_TRUE(p.decoded);
            EXPECT_TRUE(p.problems.empty());
            EXPECT_EQ(p.fields.text("tail"), "DLH4AB");
        } else {
            EXPECT_FALSE(p.decoded);
            EXPECT_TRUE(p.fields.empty());
            EXPECT_EQ(p.problems,
                      std::vector<std::string>{"size " + std::to_string(n) + ", expected 344"});
        }
    }
}

TEST(PacketDecoder, SetDataSizeFollowsCountAndUnitWithoutOverflow) {
    raw::Client none;
    raw::Bytes b = raw::setDataPacket(none, 402, 1000, 1, 64, raw::zeros(64));
    raw::put32(b, 28, 0xFFFFFFFF);
    raw::put32(b, 32, 0xFFFFFFFF);
    const simstub::DecodedPacket p = simstub::gf_decodePacket(b);
    EXPECT_FALSE(p.decoded);
    EXPECT_EQ(p.problems, std::vector<std::string>{"size 100, expected 36 + 4294967295 x "
                                                   "4294967295 = 18446744065119617061"});
}

} // namespace
