#pragma once
// One scripted reply of the web-service stand-in.
#include <chrono>
#include <string>

namespace rtstub {

struct Reply {
    enum class Kind {
        model, // the session model's answer
        json,  // HTTP 200 with the body as given
        http,  // any HTTP status with the body as given
        empty, // HTTP 200 without a body
        drop,  // the connection ends in the middle of the answer
    };
    Kind kind = Kind::model;
    int status = 200;
    std::string body;
    std::chrono::milliseconds delay{0}; // before answering; ends when the stand-in stops
    bool gzipped = false;               // body compressed, "Content-Encoding: gzip"

    static Reply model() { return {}; }
    static Reply json(std::string text) { return Reply{Kind::json, 200, std::move(text)}; }
    static Reply http(int code, std::string text) {
        return Reply{Kind::http, code, std::move(text)};
    }
    static Reply empty() { return Reply{Kind::empty, 200, {}}; }
    static Reply drop() { return Reply{Kind::drop, 200, {}}; }
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
