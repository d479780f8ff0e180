// Another thread holds a mutex the link wants: the frame's sending waits for the next frame, and
// the user answer's stand update is skipped.
#include "link_fixture.h"

#include "simlink/link_state.h"
#include "simlink/send_queues.h"
#include "traffic/traffic_state.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace linktest;

// Holds a mutex on its own thread until released.
class Holder {
public:
    explicit Holder(ksb::RankedMutex& mutex)
        : thread_([this, &mutex] {
              std::unique_lock held(mutex);
              std::unique_lock lock(m_);
              holding_ = true;
              cv_.notify_all();
              cv_.wait(lock, [this] { return release_; });
          }) {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return holding_; });
    }
    ~Holder() {
        {
            std::lock_guard lock(m_);
            release_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool holding_ = false;
    bool release_ = false;
    std::thread thread_;
};

class LinkBusy : public LinkTest {};

TEST_F(LinkBusy, BusySendQueueMutexSkipsTheFrame) {
    gf_queueClientEvent(9, 208, 1);
    {
        Holder holder(gf_sendQueueMutex());
        sendFrame();
        sendFrame();
    }
    EXPECT_TRUE(takePackets().empty());
    EXPECT_EQ(gf_sendQueueSnapshot().events.size(), 1u);
    sendFrame();
    const auto packets = takePackets();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].name, "TransmitClientEvent");
    EXPECT_EQ(packets[0].fields.u32("eventId"), 208u);
    // A busy mutex also makes the engine's try-swap give up.
    std::vector<PositionUpdate> list{PositionUpdate{}};
    {
        Holder holder(gf_sendQueueMutex());
        EXPECT_FALSE(gf_trySwapPositionLists(list));
    }
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(LinkBusy, BusyTrafficMutexSkipsTheStandUpdate) {
    engine->standName = "A12";
    {
        Holder holder(trafficState.trafficMutex);
        sendUserState(UserAnswer{});
    }
    EXPECT_TRUE(engine->callsOf("gf_standNameAt").empty());
    EXPECT_EQ(mainWindow.text(WindowText::userStand), "");
    // The answer itself was taken.
    EXPECT_EQ(userObjectId.load(), 1u);
    sendUserState(UserAnswer{});
    EXPECT_EQ(mainWindow.text(WindowText::userStand), "A12");
}

} // namespace
