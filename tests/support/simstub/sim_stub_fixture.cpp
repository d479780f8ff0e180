#include "support/simstub/sim_stub_fixture.h"

namespace simstub {

Scenario SimStubTest::makeScenario() {
    Scenario s;
    s.clock = ClockMode::manual;
    return s;
}

void SimStubTest::SetUp() {
    startStub(makeScenario());
}

void SimStubTest::TearDown() {
    stopAndCheck();
}

void SimStubTest::startStub(Scenario scenario) {
    stopAndCheck();
    if (scenario.pipeDir.empty()) {
        scenario.pipeDir = pipeDir();
    }
    stub_ = std::make_unique<SimStub>(std::move(scenario));
    stub_->start();
}

void SimStubTest::stopAndCheck() {
    if (!stub_) {
        return;
    }
    stub_->stop();
    for (const ProtocolError& e : stub_->protocolErrors()) {
        ADD_FAILURE() << "unclaimed protocol error: " << e.text;
    }
    stub_.reset();
}

} // namespace simstub
