#include "support/rtstub/script.h"

#include "support/rtstub/rt_stub.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <stdexcept>

namespace rtstub {

namespace {

// In the order written, so that a scripted answer keeps its keys in the order given.
using Json = nlohmann::ordered_json;

bool lf_flag(const Json& reply, const char* key) {
    const auto it = reply.find(key);
    if (it == reply.end()) {
        return false;
    }
    if (!it->is_boolean()) {
        throw std::runtime_error(std::string("\"") + key + "\" must be true or false");
    }
    return it->get<bool>();
}

std::string lf_text(const Json& reply, const char* key) {
    const auto it = reply.find(key);
    if (it == reply.end() || !it->is_string()) {
        throw std::runtime_error(std::string("\"") + key + "\" must be a text");
    }
    return it->get<std::string>();
}

std::int64_t lf_count(const Json& reply, const char* key, std::int64_t most) {
    const auto it = reply.find(key);
    if (it == reply.end() || !it->is_number_integer() || it->get<std::int64_t>() < 0 ||
        it->get<std::int64_t>() > most) {
        throw std::runtime_error(std::string("\"") + key + "\" must be 0 to " +
                                 std::to_string(most));
    }
    return it->get<std::int64_t>();
}

Reply lf_reply(const Json& item) {
    if (!item.is_object()) {
        throw std::runtime_error("a reply must be an object");
    }
    Reply reply;
    if (item.contains("status")) {
        const auto& status = item.at("status");
        if (!status.is_number_integer() || status.get<std::int64_t>() < 100 ||
            status.get<std::int64_t>() > 599) {
            throw std::runtime_error("\"status\" must be an HTTP status");
        }
        const auto body = item.find("body");
        if (body != item.end() && !body->is_string()) {
            throw std::runtime_error("\"body\" must be a text");
        }
        const int code = static_cast<int>(status.get<std::int64_t>());
        const std::string text = body != item.end() ? body->get<std::string>() : std::string();
        reply = code == 200 ? Reply::json(text) : Reply::http(code, text);
    } else if (item.contains("login")) {
        const auto& keys = item.at("login");
        if (!keys.is_object()) {
            throw std::runtime_error("\"login\" must be an object of answer keys");
        }
        reply = Reply::login(keys.dump());
    } else if (item.contains("bytes")) {
        reply = Reply::bytes(lf_text(item, "bytes"));
    } else if (item.contains("redirect")) {
        const auto& code = item.at("redirect");
        if (!code.is_number_integer() || code.get<std::int64_t>() < 300 ||
            code.get<std::int64_t>() > 399) {
            throw std::runtime_error("\"redirect\" must be a 3xx status");
        }
        reply = Reply::redirect(static_cast<int>(code.get<std::int64_t>()),
                                lf_text(item, "location"));
    } else if (item.contains("stall_ms")) {
        reply = Reply::stall(static_cast<int>(lf_count(item, "stall_ms", 3'600'000)));
    } else if (item.contains("truncated")) {
        reply = Reply::truncated(lf_text(item, "truncated"),
                                 static_cast<std::size_t>(lf_count(item, "length", 1 << 30)));
    } else if (lf_flag(item, "empty")) {
        reply = Reply::empty();
    } else if (lf_flag(item, "drop")) {
        reply = Reply::drop();
    } else if (lf_flag(item, "close")) {
        reply = Reply::close();
    } else if (lf_flag(item, "model")) {
        reply = Reply::model();
    } else {
        throw std::runtime_error("a reply needs \"model\", \"status\", \"login\", \"bytes\", "
                                 "\"redirect\", \"stall_ms\", \"truncated\", \"empty\", "
                                 "\"drop\" or \"close\"");
    }
    if (item.contains("delay_ms")) {
        const auto& delay = item.at("delay_ms");
        if (!delay.is_number_integer() || delay.get<std::int64_t>() < 0 ||
            delay.get<std::int64_t>() > 3'600'000) {
            throw std::runtime_error("\"delay_ms\" must be 0 to 3600000");
        }
        reply = Reply::delayed(static_cast<int>(delay.get<std::int64_t>()), reply);
    }
    if (lf_flag(item, "gzip")) {
        reply = Reply::gzip(reply);
    }
    return reply;
}

} // namespace

std::map<std::string, std::vector<Reply>> parseScript(std::string_view text) {
    const Json script = Json::parse(text, nullptr, false);
    if (script.is_discarded()) {
        throw std::runtime_error("the script is not JSON");
    }
    if (!script.is_object()) {
        throw std::runtime_error("the script must be an object of routes");
    }
    std::map<std::string, std::vector<Reply>> replies;
    for (const auto& [route, list] : script.items()) {
        if (!isRouteName(route)) {
            throw std::runtime_error("unknown route \"" + route + "\"");
        }
        if (!list.is_array()) {
            throw std::runtime_error("route \"" + route + "\" needs a list of replies");
        }
        for (const Json& item : list) {
            try {
                Reply reply = lf_reply(item);
                if (reply.kind == Reply::Kind::login && route != "auth") {
                    throw std::runtime_error("a login reply is for the route \"auth\" only");
                }
                replies[route].push_back(std::move(reply));
            } catch (const std::runtime_error& e) {
                throw std::runtime_error("route \"" + route + "\": " + e.what());
            }
        }
    }
    return replies;
}

} // namespace rtstub
