#pragma once
// gtest fixture: a stand-in in manual mode on port 0 with its pipe in a temporary folder. The
// test fails at teardown for every protocol error it did not take with takeProtocolErrors().
#include "support/simstub/sim_stub.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <memory>

namespace simstub {

class SimStubTest : public ::testing::Test {
protected:
    // The scenario every test of the fixture starts with; override to change it.
    virtual Scenario makeScenario();
    void SetUp() override;
    void TearDown() override;

    // Stops the running stand-in (checking its errors) and starts one with this scenario; an
    // empty pipe folder becomes the fixture's temporary one.
    void startStub(Scenario scenario);
    SimStub& stub() { return *stub_; }
    const std::filesystem::path& tempDir() const { return folder_.path(); }
    std::filesystem::path pipeDir() const { return folder_.path() / "pipes"; }
    void writeClientConfig(const std::filesystem::path& folder) const {
        stub_->writeClientConfig(folder);
    }
    std::vector<std::pair<std::string, std::string>> registryPorts() const {
        return stub_->registryPorts();
    }

private:
    void stopAndCheck();
    ksb::test::TempFolder folder_;
    std::unique_ptr<SimStub> stub_;
};

} // namespace simstub
