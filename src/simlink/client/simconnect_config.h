#pragma once
// SimConnect.cfg, the simulator's registry ports and the order in which the pipe, IPv6 and IPv4
// are tried. Files and registry come through ConfigSources and the connects through a Connector,
// so the order can be tested without the environment or sockets.
#include "platform/socket.h"
#include "simlink/client/simconnect.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sc {

inline constexpr std::uint32_t kProtocolPipe = 1;
inline constexpr std::uint32_t kProtocolIPv4 = 2;
inline constexpr std::uint32_t kProtocolIPv6 = 23;
inline constexpr std::size_t kMaxAddressLength = 1023;
inline constexpr std::size_t kMaxRegistryPortLength = 19;

struct SimConnectConfig {
    std::uint32_t protocol = kProtocolPipe;
    // Pipe server or IP address; empty is the pipe server ".".
    std::string address;
    // TCP port, or the pipe's name.
    std::string port;
    std::uint32_t maxReceiveSize = 41088;
    bool disableNagle = false;
};

struct ConfigSources {
    // Where SimConnect.cfg is looked for, in order: Public Documents, Documents, the current
    // directory.
    std::array<std::filesystem::path, 3> folders;
    // The simulator's port for kProtocolIPv6 or kProtocolIPv4; empty when it cannot be read.
    std::function<std::string(std::uint32_t protocol)> registryPort;
};

// The known folders, the current directory and the registry store.
ConfigSources gf_productionConfigSources();

// "SOFTWARE\Lockheed Martin\Prepar3D v5" of HKEY_CURRENT_USER, value "SimConnect_Port_IPv6" or
// "SimConnect_Port_IPv4"; empty when missing, unreadable or longer than 19 characters.
std::string lf_scRegistryPort(std::uint32_t protocol);

// One section of an INI file as Windows profile functions read it: names compared
// case-insensitively and trimmed, values trimmed and unquoted, first occurrence wins.
class IniSection {
public:
    const std::string* find(std::string_view key) const;
    void add(std::string key, std::string value);
    const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};
// The section's keys, or nothing when the lines hold no such section.
std::optional<IniSection> gf_readIniSection(const std::vector<std::string>& lines,
                                            std::string_view section);

// "SimConnect" for 0, "SimConnect.<index>" otherwise.
std::string lf_scSectionName(std::uint32_t configIndex);
bool lf_scHasConfigSection(const ConfigSources& sources, std::string_view section);
// Reads the section from the three files in order, each overriding the ones before.
void lf_scReadConfig(const ConfigSources& sources, std::string_view section,
                     SimConnectConfig& config);
// Applies one file's section to the configuration.
void lf_scApplySection(const IniSection& section, const ConfigSources& sources,
                       SimConnectConfig& config);

// The connects the open tries. The production one bounds a TCP connect and retries a busy
// pipe on the injected clock.
class Connector {
public:
    virtual ~Connector() = default;
    virtual platform::ConnectResult connectPipe(const std::string& server,
                                                const std::string& pipeName) = 0;
    virtual platform::ConnectResult connectTcp(const std::string& host, const std::string& port,
                                               platform::AddressFamily family) = 0;
};

class SocketConnector final : public Connector {
public:
    explicit SocketConnector(std::chrono::milliseconds tcpBound = std::chrono::seconds(5),
                             std::chrono::milliseconds busyPipeWait = std::chrono::seconds(5));
    platform::ConnectResult connectPipe(const std::string& server,
                                        const std::string& pipeName) override;
    platform::ConnectResult connectTcp(const std::string& host, const std::string& port,
                                       platform::AddressFamily family) override;

private:
    std::chrono::milliseconds tcpBound_;
    std::chrono::milliseconds busyPipeWait_;
};

// The connection an open ends with.
struct Connection {
    platform::Socket socket;
    bool pipe = false;
    SimConnectConfig config;
};

// Reads the configuration and tries the endpoints in order. 0 with the connection;
// 0x80070057 for an index whose section no file has (no attempt); 0x80004005 when every
// attempt failed.
ScResult lf_scOpenConnection(std::uint32_t configIndex, const ConfigSources& sources,
                             Connector& connector, Connection& connection);

// SimConnect_Open with its sources and connector given.
ScResult gf_openWith(SimConnectHandle** handle, const char* name, void* window,
                     std::uint32_t userMessage, platform::Event* event, std::uint32_t configIndex,
                     const ConfigSources& sources, Connector& connector);

} // namespace sc
