#pragma once
// A tiny HTTP/1.1 client of its own for the stand-in's self-tests: one request per connection,
// "Connection: close", the answer read to its end. Every wait is bounded.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string>

namespace rawhttp {

struct Response {
    int status = 0;                             // 0: no complete head
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    bool complete = false; // the body has its Content-Length
};

inline std::string lf_lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

inline Response request(std::uint16_t port, const std::string& method, const std::string& path,
                        const std::string& body,
                        const std::string& contentType = "application/x-www-form-urlencoded") {
    Response response;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return response;
    }
    std::string text = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!contentType.empty()) {
        text += "Content-Type: " + contentType + "\r\n";
    }
    text += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    text += body;
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    std::string data;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0) {
            break;
        }
        char chunk[8192];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);

    const std::size_t headEnd = data.find("\r\n\r\n");
    if (headEnd == std::string::npos || data.rfind("HTTP/1.1 ", 0) != 0) {
        return response;
    }
    response.status = std::stoi(data.substr(9, 3));
    std::size_t line = data.find("\r\n") + 2;
    while (line < headEnd) {
        const std::size_t end = data.find("\r\n", line);
        const std::string header = data.substr(line, end - line);
        const std::size_t colon = header.find(':');
        if (colon != std::string::npos) {
            std::string value = header.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            response.headers[lf_lower(header.substr(0, colon))] = value;
        }
        line = end + 2;
    }
    response.body = data.substr(headEnd + 4);
    const auto length = response.headers.find("content-length");
    response.complete =
        length != response.headers.end() && response.body.size() == std::stoul(length->second);
    return response;
}

inline Response get(std::uint16_t port, const std::string& path) {
    return request(port, "GET", path, "", "");
}

inline Response post(std::uint16_t port, const std::string& path, const std::string& body) {
    return request(port, "POST", path, body);
}

} // namespace rawhttp
