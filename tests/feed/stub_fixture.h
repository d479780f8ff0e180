#pragma once
// A feed test against the web-service stand-in on 127.0.0.1, which answers with the test's
// clock; the feed's base address points at it.
#include "feed/rt_request.h"
#include "feed_fixture.h"

#include "support/rtstub/rt_stub.h"

#include "core/time_text.h"

namespace ksb::test {

inline rtstub::Options lf_stubOptions(ManualClock& clock) {
    rtstub::Options options;
    options.licences = {"LIC-1"};
    options.rrl = 1500;
    options.wrrl = 2500;
    options.clock = &clock;
    return options;
}

class StubFixture : public FeedFixture {
protected:
    StubFixture() : stub_(lf_stubOptions(clock_)) { gf_rtSetApiBase(stub_.baseUrl()); }
    ~StubFixture() override { stub_.stop(); }

    void restart() {
        FeedFixture::restart();
        gf_rtSetApiBase(stub_.baseUrl());
    }

    // The time text of the transfer-error lines while the clock stands at kTestNow.
    static std::string nowText() { return gf_utcTimeString(kTestNow); }

    rtstub::RtStub stub_;
};

} // namespace ksb::test
