#pragma once
// The simulator stand-in: a SimConnect server on TCP (127.0.0.1, optionally ::1) and on a Unix
// socket standing in for the named pipe. It answers what the system sends, records every packet
// and message, and is scripted and queried by tests and by tools/simstub.
#include "support/simstub/picture.h"
#include "support/simstub/records.h"
#include "support/simstub/scenario.h"
#include "support/simstub/socket_util.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace simstub {

// A line for the program's output; verbose lines (frames, period-4 answers) are printed only
// with --verbose.
using LineSink = std::function<void(const std::string& line, bool verbose)>;

class SimStub {
public:
    explicit SimStub(Scenario scenario = {});
    // Stops: every thread joined, every socket closed, the pipe socket file removed.
    ~SimStub();
    SimStub(const SimStub&) = delete;
    SimStub& operator=(const SimStub&) = delete;

    // Opens the endpoints and starts the threads. Throws EndpointError naming the endpoint and
    // the reason; nothing is left open then.
    void start();
    void stop();
    // Best set before start(), so that no line is missed.
    void setLineSink(LineSink sink);

    // Endpoints.
    std::uint16_t ipv4Port() const;
    std::uint16_t ipv6Port() const;         // 0 when IPv6 is off or missing
    std::filesystem::path pipePath() const; // empty when the pipe is off
    // "<folder>/SimConnect.cfg" pointing a client at the IPv4 endpoint.
    void writeClientConfig(const std::filesystem::path& folder) const;
    // The same lines in a file of any name.
    void writeClientConfigFile(const std::filesystem::path& file) const;
    // The values "SimConnect_Port_IPv4" (and "SimConnect_Port_IPv6") with their port texts.
    std::vector<std::pair<std::string, std::string>> registryPorts() const;
    // Appends the section "[HKEY_CURRENT_USER\SOFTWARE\Lockheed Martin\Prepar3D v5]" with the
    // registry ports as "name=value" lines to a registry store file.
    void writeRegistryPorts(const std::filesystem::path& file) const;

    // Clock. now() is stand-in seconds since the start.
    double now() const;
    double zuluNow() const; // seconds since 1970
    std::uint64_t framesSent() const;
    // Manual mode only; both return once their messages are written. No frames while paused.
    void stepFrames(int count = 1);
    void advance(std::chrono::duration<double> duration);

    // User aircraft (object 1).
    void setUser(const UserState& user);
    UserState user() const;
    void teleportUser(double latitude, double longitude, double altitude);

    // Events; conn names one connection, else every connection subscribed.
    void sendSim(bool running, std::optional<int> conn = {});
    void sendPositionChanged(std::optional<int> conn = {});
    void sendFlightLoaded(std::optional<int> conn = {});
    void sendFileNameEvent(std::string_view fileName, std::optional<int> conn = {});

    // Connections.
    void sendQuit(std::optional<int> conn = {});
    // Closes the connection (the client reads end-of-file); returns once it is closed.
    void dropConnection(int conn);
    // Closes with SO_LINGER 0 (the client reads ECONNRESET on TCP; a plain close on the pipe).
    void resetConnection(int conn);
    void sendException(int conn, std::uint32_t code, std::uint32_t sendId, std::uint32_t index);
    // Separate writes split at the given offsets.
    void sendRaw(int conn, std::string bytes, std::vector<std::size_t> splitAt = {});

    // Frames.
    void setFrameRate(double frameRate);
    void setFrameHz(double hz);
    void pauseFrames(bool paused);
    // Pauses the frames for the stand-in seconds, then resumes them.
    void pauseFramesFor(double seconds);

    // Aircraft no client created; returns the object id.
    std::uint32_t addForeignAircraft(std::string atcId, LatLon position, double agl,
                                     std::string title = {});
    void removeForeignAircraft(std::uint32_t id);

    // Switches.
    void refuseTitles(std::set<std::string> titles);
    void setObjectType(std::uint32_t objectType);
    void delayObjectAdded(std::chrono::milliseconds delay);
    void delayAtcId(std::chrono::milliseconds delay);
    void setObjectLimit(std::size_t limit);
    void failFlightPlans(bool fail);
    // For the Opens that follow.
    void setOpenAnswer(std::string name, std::array<std::uint32_t, 4> version);

    // Queries: snapshots taken under the stand-in's lock.
    std::vector<PacketRecord> packets(const PacketFilter& filter = {}) const;
    std::vector<MessageRecord> sent(std::optional<int> conn = {}) const;
    std::vector<ConnectionInfo> connections() const;
    // The objects that exist now (the user, AI and foreign aircraft), in id order.
    std::vector<ObjectState> objects() const;
    std::optional<ObjectState> object(std::uint32_t id) const;
    // AI objects that ended, each with its end, in id order; their records stay queryable.
    std::vector<ObjectState> endedObjects() const;
    // Every AI object created through the connection, existing or ended, in id order.
    std::vector<ObjectState> objectsCreatedBy(int conn) const;
    std::vector<EventRecord> events(std::uint32_t objectId) const;
    std::vector<PositionRecord> positions(std::uint32_t objectId) const;
    std::vector<WriteRecord> writes(std::uint32_t objectId) const;
    std::vector<ProtocolError> protocolErrors() const;
    // Returns the errors and forgets them, so that the fixture does not fail the test for them.
    std::vector<ProtocolError> takeProtocolErrors();

    // Re-checks the predicate at every recorded change; false at the time-out. The predicate
    // may call the queries.
    bool waitFor(const std::function<bool()>& predicate,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // The id of the newest connection once there are at least count; 0 at the time-out.
    int waitForConnection(std::size_t count = 1,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // Draws the traffic picture (an SVG) into path, atomically, and passes its line (the
    // summary, or the failure with its reason) to the line sink. A failure changes nothing else.
    PictureResult writePicture(const std::filesystem::path& path) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace simstub
