#pragma once
// One scripted reply of the web-service stand-in.
#include <chrono>
#include <cstddef>
#include <string>

namespace rtstub {

struct Reply {
    enum class Kind {
        model, // the session model's answer
        json,  // HTTP 200 with the body as given
        http,  // any HTTP status with the body as given
        empty, // HTTP 200 without a body
        drop,  // the connection ends in the middle of the answer
        login, // "auth" only: the session model's login with the keys of body laid over it
        close, // the connection ends before any byte of the answer
        bytes,     // HTTP 200 with the body as raw bytes (application/octet-stream)
        redirect,  // status with a Location header (body: the location), no body
        stall,     // the head promises a body, then silence for the delay, then the end
        truncated, // a Content-Length of declaredLength, the body, then the connection ends
    };
    Kind kind = Kind::model;
    int status = 200;
    std::string body;
    std::chrono::milliseconds delay{0}; // before answering; ends when the stand-in stops
    bool gzipped = false;               // body compressed, "Content-Encoding: gzip"
    std::size_t declaredLength = 0;     // truncated only
    std::chrono::milliseconds silence{0}; // stall only; ends when the stand-in stops

    static Reply model() { return {}; }
    static Reply json(std::string text) { return Reply{Kind::json, 200, std::move(text)}; }
    static Reply http(int code, std::string text) {
        return Reply{Kind::http, code, std::move(text)};
    }
    static Reply empty() { return Reply{Kind::empty, 200, {}}; }
    static Reply drop() { return Reply{Kind::drop, 200, {}}; }
    // keys: a JSON object. With "status" absent or the number 200 the login opens a session
    // with the next GUID and answers as the model does, the keys replacing its own (a key
    // given as null is left out). Any other "status" opens none and the answer is the keys.
    static Reply login(std::string keys) { return Reply{Kind::login, 200, std::move(keys)}; }
    static Reply close() { return Reply{Kind::close, 200, {}}; }
    static Reply bytes(std::string data) { return Reply{Kind::bytes, 200, std::move(data)}; }
    static Reply redirect(int code, std::string location) {
        return Reply{Kind::redirect, code, std::move(location)};
    }
    static Reply stall(int ms) {
        Reply reply{Kind::stall, 200, {}};
        reply.silence = std::chrono::milliseconds(ms);
        return reply;
    }
    static Reply truncated(std::string data, std::size_t declaredLength) {
        Reply reply{Kind::truncated, 200, std::move(data)};
        reply.declaredLength = declaredLength;
        return reply;
    }
    static Reply delayed(int ms, Reply reply) {
        reply.delay += std::chrono::milliseconds(ms);
        return reply;
    }
    static Reply gzip(Reply reply) {
        reply.gzipped = true;
        return reply;
    }
};

} // namespace rtstub
