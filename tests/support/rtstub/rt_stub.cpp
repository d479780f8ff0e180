#include "support/rtstub/rt_stub.h"

#include "core/clock.h"
#include "support/rtstub/form.h"
#include "support/rtstub/gzip.h"
#include "support/rtstub/raw_sockets.h"
#include "support/rtstub/records.h"
#include "support/rtstub/update_files.h"

#include <fmt/format.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace rtstub {

namespace {

using Json = nlohmann::ordered_json;
using Fields = std::vector<std::pair<std::string, std::string>>;

// Not compressible by httplib's own rules, so an answer goes out as the reply gives it.
constexpr const char* kContentType = "application/json; charset=utf-8";
constexpr std::uint32_t kFirstHexId = 0x4b0001;
constexpr int kSecondsPerDay = 86400;

struct Route {
    std::string_view name;
    std::string_view path;
    std::string_view querytype; // the route takes only this querytype; "" any
    std::string_view marker;    // the route takes only bodies with this field; "" any
    std::vector<FieldSpec> fields;
};

std::vector<FieldSpec> lf_boxFields(std::string_view querytype, bool buffered) {
    std::vector<FieldSpec> fields{
        {"GUID", FieldFormat::text},          {"top", FieldFormat::twoDecimals},
        {"bottom", FieldFormat::twoDecimals}, {"left", FieldFormat::twoDecimals},
        {"right", FieldFormat::twoDecimals},  {"querytype", FieldFormat::word, querytype},
        {"toffset", FieldFormat::integer}};
    if (buffered) {
        fields.push_back({"buffercount", FieldFormat::integer});
        fields.push_back({"buffertime", FieldFormat::integer});
    }
    return fields;
}

// In the order a body is matched: the more particular routes of a path first.
const std::vector<Route>& lf_routes() {
    static const std::vector<Route> routes{
        {"auth",
         "/v4/auth",
         "",
         "",
         {{"license", FieldFormat::text}, {"software", FieldFormat::text}}},
        {"deauth", "/v4/deauth", "", "", {{"GUID", FieldFormat::text}}},
        {"nearestmetar",
         "/v4/nearestmetar",
         "",
         "",
         {{"GUID", FieldFormat::text},
          {"toffset", FieldFormat::integer},
          {"lat", FieldFormat::fourDecimals},
          {"lon", FieldFormat::fourDecimals}}},
        {"weather",
         "/v4/weather",
         "",
         "",
         {{"GUID", FieldFormat::text},
          {"querytype", FieldFormat::word, "locwx"},
          {"toffset", FieldFormat::integer},
          {"lat", FieldFormat::fourDecimals},
          {"lon", FieldFormat::fourDecimals},
          {"alt", FieldFormat::integer},
          {"airports", FieldFormat::text}}},
        {"parked", "/v4/traffic", "parkedtraffic", "", lf_boxFields("parkedtraffic", false)},
        {"traffic-buffered", "/v4/traffic", "", "buffercount",
         lf_boxFields("locationtraffic", true)},
        {"traffic", "/v4/traffic", "", "", lf_boxFields("locationtraffic", false)},
    };
    return routes;
}

const std::string* lf_field(const Fields& fields, std::string_view name) {
    for (const auto& [key, value] : fields) {
        if (key == name) {
            return &value;
        }
    }
    return nullptr;
}

const Route* lf_routeFor(std::string_view method, std::string_view path, const Fields& fields) {
    if (method != "POST") {
        return nullptr;
    }
    for (const Route& route : lf_routes()) {
        if (route.path != path) {
            continue;
        }
        if (!route.querytype.empty()) {
            const std::string* querytype = lf_field(fields, "querytype");
            if (querytype == nullptr || *querytype != route.querytype) {
                continue;
            }
        }
        if (!route.marker.empty() && lf_field(fields, route.marker) == nullptr) {
            continue;
        }
        return &route;
    }
    return nullptr;
}

double lf_number(const Fields& fields, std::string_view name) {
    const std::string* text = lf_field(fields, name);
    if (text == nullptr) {
        return 0.0;
    }
    double value = 0.0;
    std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

// The answer's "data": each record under its hex id.
Json lf_recordsObject(const std::vector<std::pair<std::string, nlohmann::json>>& records) {
    Json data = Json::object();
    for (const auto& [hex, value] : records) {
        data[hex] = Json::parse(value.dump());
    }
    return data;
}

std::string lf_error(int status, std::string_view message) {
    return Json{{"status", status}, {"message", message}}.dump();
}

} // namespace

bool isRouteName(std::string_view name) {
    if (name.substr(0, kUpdateRoutePrefix.size()) == kUpdateRoutePrefix) {
        return name.size() > kUpdateRoutePrefix.size();
    }
    const std::vector<std::string> names = routeNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> routeNames() {
    std::vector<std::string> names;
    for (const Route& route : lf_routes()) {
        names.emplace_back(route.name);
    }
    return names;
}

struct RtStub::Impl {
    explicit Impl(Options o) : options(std::move(o)), nextGuid(options.firstGuid) {}

    double now() const {
        ksb::Clock& clock = options.clock != nullptr ? *options.clock : ksb::gf_clock();
        return std::chrono::duration<double>(clock.utcNow().time_since_epoch()).count();
    }

    void handle(const httplib::Request& request, httplib::Response& response);
    std::string modelAnswer(const Route& route, const RequestRecord& record);
    // Opens a session with the next GUID; under the mutex.
    Json openSession(double time);
    std::string scriptedLogin(const std::string& keys);
    void answer(const Reply& reply, const Route* route, const RequestRecord& record,
                const httplib::Request& request, httplib::Response& response);
    // The update server's file; nothing: 404.
    std::optional<std::string> updateFile(const std::string& path);
    std::optional<Reply> nextScripted(const std::string& route);
    // The failure of the route while one is in force.
    std::optional<Reply> failure(const std::string& route);
    // Waits the delay; ends early when the stand-in stops.
    void wait(std::chrono::milliseconds delay);

    const Options options;
    httplib::Server server;
    std::thread thread;
    std::uint16_t port = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool stopping = false;
    std::vector<RequestRecord> log;
    std::map<std::string, std::deque<Reply>, std::less<>> scripts;
    std::function<void(const RequestRecord&)> callback;
    std::optional<std::string> openGuid;
    int nextGuid = 0;
    UpdateVersions updateVersions;
    std::map<std::string, std::string, std::less<>> updateFiles;
    std::optional<std::filesystem::path> updateFolder;
    // The scene's second 0, set by the first live-traffic answer; the first parked answer.
    std::optional<double> sceneStart;
    bool parkedAnswered = false;
    // Per route: the HTTP status it answers until the time (seconds since 1970).
    std::map<std::string, std::pair<int, double>, std::less<>> failures;
};

std::optional<Reply> RtStub::Impl::failure(const std::string& route) {
    const double time = now();
    std::lock_guard lock(mutex);
    const auto it = failures.find(route);
    if (it == failures.end()) {
        return std::nullopt;
    }
    if (time >= it->second.second) {
        failures.erase(it);
        return std::nullopt;
    }
    return Reply::http(it->second.first, fmt::format("{} from the stand-in", it->second.first));
}

std::optional<std::string> RtStub::Impl::updateFile(const std::string& path) {
    std::optional<std::filesystem::path> folder;
    UpdateVersions versions;
    {
        std::lock_guard lock(mutex);
        folder = updateFolder;
        versions = updateVersions;
        if (!folder) {
            const auto it = updateFiles.find(path);
            if (it != updateFiles.end()) {
                return it->second;
            }
        }
    }
    if (!folder) {
        return defaultUpdateFile(path, versions);
    }
    if (path.find("..") != std::string::npos) {
        return std::nullopt;
    }
    const std::filesystem::path file = *folder / path;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<Reply> RtStub::Impl::nextScripted(const std::string& route) {
    std::lock_guard lock(mutex);
    const auto it = scripts.find(route);
    if (it == scripts.end() || it->second.empty()) {
        return std::nullopt;
    }
    Reply reply = it->second.front();
    it->second.pop_front();
    return reply;
}

void RtStub::Impl::wait(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, delay, [this] { return stopping; });
}

void RtStub::Impl::handle(const httplib::Request& request, httplib::Response& response) {
    RequestRecord record;
    record.method = request.method;
    record.path = request.path;
    record.body = request.body;
    record.contentType = request.get_header_value("Content-Type");
    record.acceptEncoding = request.get_header_value("Accept-Encoding");
    for (const auto& [name, value] : request.headers) {
        // httplib adds these of its own; they were never sent.
        if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" &&
            name != "LOCAL_PORT") {
            record.headers.emplace_back(name, value);
        }
    }
    constexpr std::string_view kDownloads = "/downloads/";
    const bool update = request.method == "GET" &&
                        std::string_view(request.path).substr(0, kDownloads.size()) == kDownloads &&
                        request.path.size() > kDownloads.size();
    const std::optional<std::vector<FormField>> form = decodeForm(request.body);
    if (form) {
        for (const FormField& field : *form) {
            record.fields.emplace_back(field.name, field.value);
        }
    }
    const Route* route = lf_routeFor(request.method, request.path, record.fields);
    if (route != nullptr) {
        record.route = std::string(route->name);
        record.fault = form ? shapeFault(*form, route->fields) : std::string("body");
    } else if (update) {
        record.route = std::string(kUpdateRoutePrefix) + request.path.substr(kDownloads.size());
    }
    std::function<void(const RequestRecord&)> onRequest;
    {
        std::lock_guard lock(mutex);
        record.seq = log.size() + 1;
        log.push_back(record);
        onRequest = callback;
    }
    changed.notify_all();
    // Before the reply is chosen, so that the callback may still script it.
    if (onRequest) {
        onRequest(record);
    }
    if (route == nullptr && !update) {
        response.status = 404;
        return;
    }
    std::optional<Reply> reply = failure(record.route);
    if (!reply) {
        reply = nextScripted(record.route);
    }
    answer(reply.value_or(Reply::model()), route, record, request, response);
}

void RtStub::Impl::answer(const Reply& reply, const Route* route, const RequestRecord& record,
                          const httplib::Request& request, httplib::Response& response) {
    if (reply.delay.count() > 0) {
        wait(reply.delay);
    }
    std::string body;
    switch (reply.kind) {
    case Reply::Kind::model:
        if (route != nullptr) {
            body = modelAnswer(*route, record);
            break;
        }
        {
            // The update server: the file, or 404 with an empty body.
            const std::optional<std::string> file =
                updateFile(record.route.substr(kUpdateRoutePrefix.size()));
            if (!file) {
                response.status = 404;
                return;
            }
            response.set_content(*file, "application/octet-stream");
        }
        return;
    case Reply::Kind::bytes:
        response.set_content(reply.body, "application/octet-stream");
        return;
    case Reply::Kind::redirect:
        response.status = reply.status;
        response.set_header("Location", reply.body);
        return;
    case Reply::Kind::stall: {
        const auto silence = reply.silence;
        response.set_content_provider(
            1024, "application/octet-stream",
            [this, silence](std::size_t, std::size_t, httplib::DataSink&) {
                wait(silence);
                return false;
            });
        return;
    }
    case Reply::Kind::truncated: {
        const std::string data = reply.body;
        response.set_content_provider(
            std::max(reply.declaredLength, data.size()), "application/octet-stream",
            [data](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset < data.size()) {
                    sink.write(data.data() + offset, data.size() - offset);
                    return true;
                }
                return false;
            });
        return;
    }
    case Reply::Kind::json:
    case Reply::Kind::http:
        response.status = reply.status;
        body = reply.body;
        break;
    case Reply::Kind::empty:
        break;
    case Reply::Kind::login:
        body = scriptedLogin(reply.body);
        break;
    case Reply::Kind::close:
        endConnectionSilently(static_cast<std::uint16_t>(request.local_port),
                              static_cast<std::uint16_t>(request.remote_port));
        return;
    case Reply::Kind::drop: {
        // The head promises more than is ever sent.
        response.set_content_provider(
            200, kContentType, [](std::size_t, std::size_t, httplib::DataSink& sink) {
                static constexpr std::string_view part = R"({"status":200,"GUID":"G-)";
                sink.write(part.data(), part.size());
                return false;
            });
        return;
    }
    }
    if (reply.gzipped) {
        response.set_header("Content-Encoding", "gzip");
        body = gzipCompress(body);
    }
    response.set_content(body, kContentType);
}

std::string RtStub::Impl::modelAnswer(const Route& route, const RequestRecord& record) {
    if (!record.fault.empty()) {
        return lf_error(400, "parameter fault: " + record.fault);
    }
    const Fields& fields = record.fields;
    const double time = now();
    std::lock_guard lock(mutex);
    if (route.name == "auth") {
        const std::string* licence = lf_field(fields, "license");
        if (std::find(options.licences.begin(), options.licences.end(), *licence) ==
            options.licences.end()) {
            return lf_error(404, "unknown licence");
        }
        return openSession(time).dump();
    }
    const std::string* guid = lf_field(fields, "GUID");
    const bool sessionGuid = openGuid && *guid == *openGuid;
    if (route.name == "deauth") {
        if (!sessionGuid) {
            return lf_error(400, "unknown GUID");
        }
        openGuid.reset();
        return Json{{"status", 200}, {"message", "Session closed"}, {"server", options.server}}
            .dump();
    }
    if (!sessionGuid) {
        return lf_error(401, "GUID not valid");
    }
    if (route.name == "nearestmetar") {
        return Json{{"status", 200},
                    {"message", "OK"},
                    {"data", Json::array({Json{{"ICAO", options.station}, {"Dist", 1.2}}})}}
            .dump();
    }
    if (route.name == "weather") {
        const std::string metar =
            fmt::format("{} 101155Z 24010KT 9999 FEW020 08/04 Q{}", options.station, options.qnh);
        return Json{
            {"status", 200},
            {"wrrl", options.wrrl},
            {"message", "OK"},
            {"data", Json{{"ICAO", options.station}, {"QNH", options.qnh}, {"METAR", metar}}}}
            .dump();
    }
    const Box box{lf_number(fields, "top"), lf_number(fields, "bottom"), lf_number(fields, "left"),
                  lf_number(fields, "right")};
    const double centreLatitude =
        options.centre ? options.centre->first : (box.top + box.bottom) / 2.0;
    const double centreLongitude =
        options.centre ? options.centre->second : (box.left + box.right) / 2.0;
    const double shifted = time - lf_number(fields, "toffset") * 60.0;
    if (route.name == "parked") {
        const bool first = !parkedAnswered;
        parkedAnswered = true;
        const auto records =
            options.scene
                ? sceneParkedRecords(*options.scene, first,
                                     sceneStart ? shifted - *sceneStart : 0.0, shifted)
                : sampleParkedRecords(options.parked, options.seed, centreLatitude,
                                      centreLongitude, shifted,
                                      kFirstHexId + static_cast<std::uint32_t>(options.aircraft));
        return Json{{"status", 200}, {"data", lf_recordsObject(records)}}.dump();
    }
    // The scene's second 0 is the first live answer.
    if (options.scene && !sceneStart) {
        sceneStart = shifted;
    }
    const auto liveRecords = [&](double at) {
        return options.scene ? sceneLiveRecords(*options.scene, box, at - *sceneStart, at,
                                                options.qnh)
                             : sampleLiveRecords(options.aircraft, options.seed, centreLatitude,
                                                 centreLongitude, box, at, options.maxRadiusNm);
    };
    if (route.name == "traffic-buffered") {
        const int count = static_cast<int>(lf_number(fields, "buffercount"));
        const double step = lf_number(fields, "buffertime");
        Json data = Json::object();
        for (int k = 0; k < std::clamp(count, 0, 100); ++k) {
            data[fmt::format("buffer_{}", k)] = lf_recordsObject(liveRecords(shifted - k * step));
        }
        return Json{{"status", 200}, {"rrl", options.rrl}, {"data", data}}.dump();
    }
    const auto records = liveRecords(shifted);
    return Json{{"status", 200},
                {"rrl", options.rrl},
                {"full_count", records.size()},
                {"dataepoch", static_cast<std::int64_t>(std::floor(shifted))},
                {"data", lf_recordsObject(records)}}
        .dump();
}

Json RtStub::Impl::openSession(double time) {
    openGuid = fmt::format("G-{}", nextGuid++);
    return Json{{"status", 200},
                {"GUID", *openGuid},
                {"rrl", options.rrl},
                {"wrrl", options.wrrl},
                {"server", options.server},
                {"expiry", static_cast<std::int64_t>(std::floor(time)) + 30 * kSecondsPerDay}};
}

std::string RtStub::Impl::scriptedLogin(const std::string& keys) {
    const Json scripted = Json::parse(keys);
    const auto status = scripted.find("status");
    if (status != scripted.end() &&
        !(status->is_number_integer() && status->get<std::int64_t>() == 200)) {
        return scripted.dump();
    }
    const double time = now();
    std::lock_guard lock(mutex);
    Json answer = openSession(time);
    for (const auto& [key, value] : scripted.items()) {
        if (value.is_null()) {
            answer.erase(key);
        } else {
            answer[key] = value;
        }
    }
    return answer.dump();
}

RtStub::RtStub(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {
    Impl& impl = *impl_;
    const auto handler = [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.handle(request, response);
    };
    impl.server.Get(".*", handler);
    impl.server.Post(".*", handler);
    impl.server.Put(".*", handler);
    impl.server.Patch(".*", handler);
    impl.server.Delete(".*", handler);
    impl.server.Options(".*", handler);
    if (impl.options.port != 0) {
        if (!impl.server.bind_to_port("127.0.0.1", impl.options.port)) {
            throw std::runtime_error(
                fmt::format("cannot listen on 127.0.0.1:{}", impl.options.port));
        }
        impl.port = impl.options.port;
    } else {
        const int port = impl.server.bind_to_any_port("127.0.0.1");
        if (port <= 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        impl.port = static_cast<std::uint16_t>(port);
    }
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    // A stop before the accept loop runs would be lost, and the join would never end.
    for (int i = 0; i < 10000 && !impl.server.is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

RtStub::~RtStub() {
    stop();
}

void RtStub::stop() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->changed.notify_all();
    impl_->server.stop();
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
}

std::uint16_t RtStub::port() const {
    return impl_->port;
}

std::string RtStub::baseUrl() const {
    return fmt::format("http://127.0.0.1:{}", impl_->port);
}

void RtStub::script(std::string_view route, Reply reply) {
    if (!isRouteName(route)) {
        throw std::invalid_argument(fmt::format("unknown route \"{}\"", route));
    }
    if (reply.kind == Reply::Kind::login) {
        if (route != "auth") {
            throw std::invalid_argument("a login reply is for the route \"auth\" only");
        }
        const Json keys = Json::parse(reply.body, nullptr, false);
        if (keys.is_discarded() || !keys.is_object()) {
            throw std::invalid_argument("a login reply needs a JSON object of keys");
        }
    }
    std::lock_guard lock(impl_->mutex);
    impl_->scripts[std::string(route)].push_back(std::move(reply));
}

void RtStub::script(std::string_view route, const std::vector<Reply>& replies) {
    for (const Reply& reply : replies) {
        script(route, reply);
    }
}

std::vector<RequestRecord> RtStub::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log;
}

void RtStub::onRequest(std::function<void(const RequestRecord&)> callback) {
    std::lock_guard lock(impl_->mutex);
    impl_->callback = std::move(callback);
}

bool RtStub::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->log.size() >= count; });
}

void RtStub::setUpdateVersion(std::string_view item, std::string text) {
    std::lock_guard lock(impl_->mutex);
    rtstub::setUpdateVersion(impl_->updateVersions, item, std::move(text));
}

void RtStub::setUpdateFile(std::string path, std::string bytes) {
    std::lock_guard lock(impl_->mutex);
    impl_->updateFiles[std::move(path)] = std::move(bytes);
}

void RtStub::serveUpdateFolder(std::filesystem::path folder) {
    std::lock_guard lock(impl_->mutex);
    impl_->updateFolder = std::move(folder);
}

std::optional<std::string> RtStub::openGuid() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->openGuid;
}

void RtStub::endSession() {
    std::lock_guard lock(impl_->mutex);
    impl_->openGuid.reset();
}

void RtStub::failRoute(std::string_view route, int status, std::chrono::milliseconds duration) {
    if (!isRouteName(route)) {
        throw std::invalid_argument(fmt::format("unknown route \"{}\"", route));
    }
    const double until = impl_->now() + std::chrono::duration<double>(duration).count();
    std::lock_guard lock(impl_->mutex);
    impl_->failures[std::string(route)] = {status, until};
}

std::optional<double> RtStub::sceneStart() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->sceneStart;
}

} // namespace rtstub
