#include "simlink/client/simconnect_config.h"

#include "core/clock.h"
#include "core/text_file.h"
#include "platform/known_folders.h"
#include "platform/pipe_path.h"
#include "platform/reg_exception.h"
#include "platform/reg_key.h"
#include "platform/utf_conversion.h"
#include "simlink/client/simconnect_globals.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>
#include <limits>
#include <system_error>

namespace sc {

namespace {

constexpr std::string_view kConfigFileName = "SimConnect.cfg";
constexpr std::u16string_view kSimulatorKey = u"SOFTWARE\\Lockheed Martin\\Prepar3D v5";

std::string_view lf_trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool lf_equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

std::string_view lf_unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// A decimal integer as the whole value; anything else counts 0.
template <class Int> Int lf_decimal(std::string_view text) {
    Int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

// The section of the file in the folder; nothing when the file is missing, unreadable or has
// no such section. A missing file is not even opened, so nothing is logged for it.
std::optional<IniSection> lf_fileSection(const std::filesystem::path& folder,
                                         std::string_view section) {
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path path = folder / kConfigFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    if (!gf_readExtTextFileToStringVector(path, lines)) {
        return std::nullopt;
    }
    return gf_readIniSection(lines, section);
}

bool lf_succeeded(platform::ConnectResult& attempt, bool pipe, Connection& connection) {
    if (!attempt.result.ok()) {
        return false;
    }
    connection.socket = std::move(attempt.socket);
    connection.pipe = pipe;
    return true;
}

} // namespace

const std::string* IniSection::find(std::string_view key) const {
    for (const auto& [name, value] : entries_) {
        if (lf_equalsNoCase(name, key)) {
            return &value;
        }
    }
    return nullptr;
}

void IniSection::add(std::string key, std::string value) {
    if (find(key) == nullptr) {
        entries_.emplace_back(std::move(key), std::move(value));
    }
}

std::optional<IniSection> gf_readIniSection(const std::vector<std::string>& lines,
                                            std::string_view section) {
    std::optional<IniSection> found;
    bool inSection = false;
    for (const std::string& line : lines) {
        const std::string_view text = lf_trim(line);
        if (text.empty() || text.front() == ';') {
            continue;
        }
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            if (close == std::string_view::npos) {
                continue;
            }
            const std::string_view name = lf_trim(text.substr(1, close - 1));
            // A repeated section is ignored as a whole.
            inSection = !found && lf_equalsNoCase(name, section);
            if (inSection) {
                found.emplace();
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = lf_trim(text.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        found->add(std::string(key), std::string(lf_unquote(lf_trim(text.substr(equals + 1)))));
    }
    return found;
}

std::string lf_scRegistryPort(std::uint32_t protocol) {
    const std::u16string_view valueName =
        protocol == kProtocolIPv6 ? u"SimConnect_Port_IPv6" : u"SimConnect_Port_IPv4";
    try {
        winreg::RegKey key;
        if (key.open(winreg::HKEY_CURRENT_USER, kSimulatorKey) != 0) {
            return {};
        }
        std::string port = win32::Utf16ToUtf8(key.getStringValue(valueName));
        if (port.size() > kMaxRegistryPortLength) {
            return {};
        }
        return port;
    } catch (const std::exception&) {
        return {};
    }
}

ConfigSources gf_productionConfigSources() {
    ConfigSources sources;
    sources.folders[0] = platform::publicDocumentsFolder();
    sources.folders[1] = platform::documentsFolder();
    std::error_code error;
    sources.folders[2] = std::filesystem::current_path(error);
    sources.registryPort = lf_scRegistryPort;
    return sources;
}

std::string lf_scSectionName(std::uint32_t configIndex) {
    return configIndex == 0 ? std::string("SimConnect") : fmt::format("SimConnect.{}", configIndex);
}

bool lf_scHasConfigSection(const ConfigSources& sources, std::string_view section) {
    return std::any_of(sources.folders.begin(), sources.folders.end(),
                       [&](const std::filesystem::path& folder) {
                           return lf_fileSection(folder, section).has_value();
                       });
}

void lf_scApplySection(const IniSection& section, const ConfigSources& sources,
                       SimConnectConfig& config) {
    if (const std::string* protocol = section.find("Protocol")) {
        if (lf_equalsNoCase(*protocol, "IPv4")) {
            config.protocol = kProtocolIPv4;
        } else if (lf_equalsNoCase(*protocol, "IPv6")) {
            config.protocol = kProtocolIPv6;
        } else {
            config.protocol = kProtocolPipe;
        }
        if (config.protocol != kProtocolPipe && !config.port.empty()) {
            config.port = sources.registryPort ? sources.registryPort(config.protocol) : "";
        }
    }
    if (const std::string* address = section.find("Address")) {
        config.address = address->substr(0, kMaxAddressLength);
    }
    if (const std::string* port = section.find("Port")) {
        config.port = *port;
    }
    if (const std::string* size = section.find("MaxReceiveSize")) {
        const std::uint32_t value = lf_decimal<std::uint32_t>(*size);
        if (value > config.maxReceiveSize) {
            config.maxReceiveSize = value;
        }
    }
    if (const std::string* nagle = section.find("DisableNagle")) {
        config.disableNagle = lf_decimal<std::int64_t>(*nagle) != 0;
    }
}

void lf_scReadConfig(const ConfigSources& sources, std::string_view section,
                     SimConnectConfig& config) {
    for (const std::filesystem::path& folder : sources.folders) {
        if (const std::optional<IniSection> found = lf_fileSection(folder, section)) {
            lf_scApplySection(*found, sources, config);
        }
    }
}

SocketConnector::SocketConnector(std::chrono::milliseconds tcpBound,
                                 std::chrono::milliseconds busyPipeWait)
    : tcpBound_(tcpBound), busyPipeWait_(busyPipeWait) {}

platform::ConnectResult SocketConnector::connectPipe(const std::string& server,
                                                     const std::string& pipeName) {
    ksb::Clock& clock = ksb::gf_clock();
    const ksb::Clock::SteadyTime deadline = clock.steadyNow() + busyPipeWait_;
    while (true) {
        platform::ConnectResult attempt = platform::connectPipe(server, pipeName);
        if (attempt.result.kind != platform::SocketErrorKind::busy) {
            return attempt;
        }
        const ksb::Clock::SteadyTime now = clock.steadyNow();
        if (now >= deadline) {
            return attempt;
        }
        ksb::gf_sleepFor(std::min<ksb::Clock::SteadyTime::duration>(std::chrono::milliseconds(50),
                                                                    deadline - now));
    }
}

platform::ConnectResult SocketConnector::connectTcp(const std::string& host,
                                                    const std::string& port,
                                                    platform::AddressFamily family) {
    return platform::connectTcp(host, port, family, tcpBound_);
}

ScResult lf_scOpenConnection(std::uint32_t configIndex, const ConfigSources& sources,
                             Connector& connector, Connection& connection) {
    SimConnectConfig config;
    if (configIndex != SIMCONNECT_OPEN_CONFIGINDEX_DEFAULTS) {
        const std::string section = lf_scSectionName(configIndex);
        if (configIndex != 0 && !lf_scHasConfigSection(sources, section)) {
            return kScInvalidArgument;
        }
        lf_scReadConfig(sources, section, config);
    }
    connection.config = config;
    const auto registryPort = [&](std::uint32_t protocol) {
        return sources.registryPort ? sources.registryPort(protocol) : std::string();
    };
    const std::string defaultPipe(platform::kSimConnectPipeName);
    std::string address = config.address;
    std::string port = config.port;

    if (config.protocol == kProtocolPipe) {
        platform::ConnectResult attempt = connector.connectPipe(
            address.empty() ? std::string(".") : address, port.empty() ? defaultPipe : port);
        if (lf_succeeded(attempt, true, connection)) {
            return kScOk;
        }
        if (!address.empty() && address != ".") {
            return kScFail;
        }
        address = "::1";
        port = registryPort(kProtocolIPv6);
    }
    if (config.protocol != kProtocolIPv4) {
        lf_scStartup();
        if (!port.empty()) {
            platform::ConnectResult attempt =
                connector.connectTcp(address, port, platform::AddressFamily::ipv6);
            if (lf_succeeded(attempt, false, connection)) {
                return kScOk;
            }
        }
        if (address != "::1") {
            return kScFail;
        }
        address = "127.0.0.1";
        port = registryPort(kProtocolIPv4);
    }
    lf_scStartup();
    if (!port.empty()) {
        platform::ConnectResult attempt =
            connector.connectTcp(address, port, platform::AddressFamily::ipv4);
        if (lf_succeeded(attempt, false, connection)) {
            return kScOk;
        }
    }
    if (address != "127.0.0.1") {
        return kScFail;
    }
    platform::ConnectResult attempt = connector.connectPipe(".", defaultPipe);
    return lf_succeeded(attempt, true, connection) ? kScOk : kScFail;
}

} // namespace sc
