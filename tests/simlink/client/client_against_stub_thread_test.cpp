// The real client against the simulator stand-in over each endpoint: the Open answer and a
// period-1 answer reach the dispatch callback.
#include "platform/event.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_messages.h"
#include "support/scoped_env.h"
#include "support/simstub/sim_stub_fixture.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct Received {
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> messages;
};

void lf_collectLocked(const std::uint8_t* message, std::uint32_t size, void* context) {
    auto* received = static_cast<Received*>(context);
    std::lock_guard lock(received->mutex);
    received->messages.emplace_back(message, message + size);
}

class ClientAgainstStub : public simstub::SimStubTest {
protected:
    simstub::Scenario makeScenario() override {
        simstub::Scenario scenario = SimStubTest::makeScenario();
        scenario.ipv6 = true;
        return scenario;
    }

    // Dispatches until a message with this id came, within a bound.
    std::vector<std::uint8_t> waitForMessage(SimConnectHandle* handle, std::uint32_t id) {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < until) {
            event.wait(100ms);
            event.reset();
            EXPECT_EQ(SimConnect_CallDispatch(handle, &lf_collectLocked, &received), 0u);
            std::lock_guard lock(received.mutex);
            for (const auto& message : received.messages) {
                if (sc::readHeader(message).id == id) {
                    return message;
                }
            }
        }
        return {};
    }

    void openAndCheck() {
        SimConnectHandle* handle = nullptr;
        ASSERT_EQ(SimConnect_Open(&handle, "KSBY_P3D", nullptr, 0, &event, 0), 0u);
        ASSERT_NE(handle, nullptr);

        const auto open = waitForMessage(handle, SIMCONNECT_RECV_ID_OPEN);
        ASSERT_FALSE(open.empty()) << "no Open answer";
        const sc::RecvOpen answer = sc::readOpen(open);
        EXPECT_EQ(answer.applicationName, "Lockheed Martin Prepar3D v5");
        EXPECT_EQ(answer.applicationVersionMajor, 5u);

        ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 9, "Plane Latitude", "degree",
                                                 SIMCONNECT_DATATYPE_FLOAT64, 0.0f, 0xFFFFFFFF),
                  0u);
        ASSERT_EQ(
            SimConnect_RequestDataOnSimObject(handle, 1, 9, 0, SIMCONNECT_PERIOD_ONCE, 0, 0, 0, 0),
            0u);
        const auto data = waitForMessage(handle, SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
        ASSERT_FALSE(data.empty()) << "no object data";
        sc::RecvObjectData objectData = sc::readObjectData(data);
        EXPECT_EQ(objectData.requestId, 1u);
        EXPECT_EQ(objectData.definitionId, 9u);
        EXPECT_DOUBLE_EQ(objectData.data.float64(), stub().user().latitude);

        EXPECT_EQ(SimConnect_Close(handle), 0u);
        EXPECT_TRUE(stub().waitFor([&] {
            for (const auto& c : stub().connections()) {
                if (c.open) {
                    return false;
                }
            }
            return true;
        }));
    }

    // No SimConnect.cfg anywhere and an empty registry, unless a test writes one.
    ksb::test::TempFolder publicDocuments;
    ksb::test::TempFolder documents;
    ksb::test::ScopedEnv publicEnv{"KSBY_PUBLIC_DOCUMENTS", publicDocuments.path().string()};
    ksb::test::ScopedEnv documentsEnv{"KSBY_DOCUMENTS", documents.path().string()};
    ksb::test::ScopedEnv registryEnv{"KSBY_REGISTRY",
                                     (documents.path() / "no-registry.ini").string()};
    platform::Event event;
    Received received;
};

TEST_F(ClientAgainstStub, OverThePipe) {
    ksb::test::ScopedEnv pipes("KSBY_PIPE_DIR", pipeDir().string());
    openAndCheck();
}

TEST_F(ClientAgainstStub, OverIpv4) {
    writeClientConfig(publicDocuments.path());
    openAndCheck();
}

TEST_F(ClientAgainstStub, OverIpv6) {
    if (stub().ipv6Port() == 0) {
        GTEST_SKIP() << "no IPv6 on this machine";
    }
    std::ofstream cfg(publicDocuments.path() / "SimConnect.cfg");
    cfg << "[SimConnect]\nProtocol=IPv6\nAddress=::1\nPort=" << stub().ipv6Port() << "\n";
    cfg.close();
    openAndCheck();
}

} // namespace
