#pragma once
// The web-service stand-in: answers every request of the live-traffic web API on 127.0.0.1 the
// way the service would, from a session model with generated sample traffic, or from scripted
// replies per route. Every request is recorded.
#include "support/rtstub/reply.h"
#include "support/rtstub/scene_traffic.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ksb {
class Clock;
}

namespace rtstub {

// The routes, by name: "auth", "deauth", "nearestmetar", "weather", "traffic-buffered",
// "traffic", "parked".
std::vector<std::string> routeNames();
// The API routes, and "update:<path>" for each GET of /downloads/<path> (the update server).
bool isRouteName(std::string_view name);
inline constexpr std::string_view kUpdateRoutePrefix = "update:";

struct Options {
    std::uint16_t port = 0; // 0: a free port
    std::vector<std::string> licences{"DEMO-LICENCE"};
    int rrl = 2000;
    int wrrl = 2000;
    std::string station = "EHAM";
    int qnh = 1013;
    int aircraft = 12;
    double maxRadiusNm = 15.0; // of the sample aircraft's circles
    std::string server = "SI-1";
    int firstGuid = 42; // the logins get "G-<n>" from here on
    int parked = 10;
    // The centre of the sample traffic; unset: the centre of each request's box.
    std::optional<std::pair<double, double>> centre;
    std::uint32_t seed = 1;
    // "Now" of the answers; nullptr: the core's clock at each request.
    ksb::Clock* clock = nullptr;
    // Scripted traffic in place of the sample traffic (aircraft, parked, centre and seed then
    // play no part). Its second 0 is the time of the first live-traffic answer.
    std::optional<SceneTraffic> scene;
};

struct RequestRecord {
    std::uint64_t seq = 0; // 1, 2, 3 ...
    std::string route;     // "" for a method or path outside the API
    std::string method;
    std::string path;
    std::string body;                                        // raw
    std::vector<std::pair<std::string, std::string>> fields; // decoded, in order
    std::string contentType;
    std::string acceptEncoding;
    std::string fault; // the field whose shape is wrong; "" when none
    std::vector<std::pair<std::string, std::string>> headers; // every request header
};

class RtStub {
public:
    explicit RtStub(Options options = {});
    ~RtStub();
    RtStub(const RtStub&) = delete;
    RtStub& operator=(const RtStub&) = delete;

    std::uint16_t port() const;
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;

    // Appends to the route's FIFO of replies; the session model answers when it is empty.
    void script(std::string_view route, Reply reply);
    void script(std::string_view route, const std::vector<Reply>& replies);

    std::vector<RequestRecord> requests() const;
    // Runs on the server thread after the request was recorded and before its reply is chosen.
    void onRequest(std::function<void(const RequestRecord&)> callback);
    // Waits until at least count requests were recorded; false at the time-out.
    bool waitForRequests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // The update server: item "program", "dbase", "aig" or "archive" (std::invalid_argument
    // otherwise). The version files follow; a program above the own version brings an installer.
    void setUpdateVersion(std::string_view item, std::string text);
    // Replaces or adds the file at the path below /downloads/.
    void setUpdateFile(std::string path, std::string bytes);
    // Serves the files of the folder instead of the built-in ones; a path with ".." gets 404.
    void serveUpdateFolder(std::filesystem::path folder);

    // The GUID of the open session.
    std::optional<std::string> openGuid() const;
    // With scene traffic: the time (seconds since 1970) of the scene's second 0, once the first
    // live answer has set it, so that a test maps a real time onto the tracks.
    std::optional<double> sceneStart() const;

    // Forgets the open session, as the service does when it drops one: the data requests with
    // its GUID get {"status":401,"message":"GUID not valid"} until the next login.
    void endSession();
    // The route answers this HTTP status (a body naming it) for the duration of the stand-in's
    // clock, before any scripted reply; a later call replaces the earlier one.
    void failRoute(std::string_view route, int status, std::chrono::milliseconds duration);

    // Ends the delays under way and the server; the destructor calls it.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace rtstub
