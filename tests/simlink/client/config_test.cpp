#include "platform/pipe_path.h"
#include "simlink/client/simconnect.h"
#include "simlink/client/simconnect_config.h"
#include "support/file_bytes.h"
#include "support/registry_store.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using ksb::test::writeBytes;

// Lists the attempts and answers from a script: the attempts named in `answering` connect.
class RecordingConnector final : public sc::Connector {
public:
    std::vector<std::string> attempts;
    std::set<std::string> answering;

    platform::ConnectResult connectPipe(const std::string& server,
                                        const std::string& pipeName) override {
        return answer("pipe " + server + " " + pipeName);
    }
    platform::ConnectResult connectTcp(const std::string& host, const std::string& port,
                                       platform::AddressFamily family) override {
        return answer(std::string(family == platform::AddressFamily::ipv6 ? "tcp6 " : "tcp4 ") +
                      host + " " + port);
    }

private:
    platform::ConnectResult answer(std::string attempt) {
        platform::ConnectResult result;
        if (answering.count(attempt) == 0) {
            result.result.kind = platform::SocketErrorKind::notFound;
        }
        attempts.push_back(std::move(attempt));
        return result;
    }
};

const std::string kPipe = "pipe . " + std::string(platform::kSimConnectPipeName);

// Three folders of SimConnect.cfg files and the registry's ports, all in one temp folder.
class ConfigFixture : public ::testing::Test {
protected:
    // Files: Public Documents, Documents, current directory; nullopt: no file.
    sc::ConfigSources sources(const std::array<std::optional<std::string>, 3>& files,
                              std::map<std::uint32_t, std::string> ports = {}) {
        sc::ConfigSources out;
        const char* names[] = {"public", "documents", "cwd"};
        for (int i = 0; i < 3; ++i) {
            out.folders[i] = folder_ / (std::string(names[i]) + std::to_string(++serial_));
            if (files[i]) {
                writeBytes(out.folders[i] / "SimConnect.cfg", *files[i]);
            }
        }
        out.registryPort = [ports](std::uint32_t protocol) {
            const auto it = ports.find(protocol);
            return it == ports.end() ? std::string() : it->second;
        };
        return out;
    }

    sc::SimConnectConfig read(const sc::ConfigSources& s, std::string_view section = "SimConnect") {
        sc::SimConnectConfig config;
        sc::lf_scReadConfig(s, section, config);
        return config;
    }

    ksb::test::TempFolder folder_;
    int serial_ = 0;
};

TEST_F(ConfigFixture, ConnectionOrder) {
    using Ports = std::map<std::uint32_t, std::string>;
    const Ports both = {{sc::kProtocolIPv6, "500"}, {sc::kProtocolIPv4, "501"}};
    struct Case {
        const char* name;
        std::array<std::optional<std::string>, 3> files;
        Ports ports;
        std::uint32_t index;
        std::set<std::string> answering;
        std::vector<std::string> attempts;
        ScResult result;
        bool pipe = false;
    };
    const Case cases[] = {
        {"nothing configured, no ports, nothing answers", {}, {}, 0, {}, {kPipe, kPipe}, kScFail},
        {"nothing configured, both ports, nothing answers",
         {},
         both,
         0,
         {},
         {kPipe, "tcp6 ::1 500", "tcp4 127.0.0.1 501", kPipe},
         kScFail},
        {"only an IPv4 port, which answers",
         {},
         {{sc::kProtocolIPv4, "501"}},
         0,
         {"tcp4 127.0.0.1 501"},
         {kPipe, "tcp4 127.0.0.1 501"},
         kScOk},
        {"the pipe answers at once", {}, both, 0, {kPipe}, {kPipe}, kScOk, true},
        {"only the last pipe attempt answers",
         {},
         both,
         0,
         {},
         {kPipe, "tcp6 ::1 500", "tcp4 127.0.0.1 501", kPipe},
         kScFail},
        {"a remote pipe server fails without TCP",
         {"[SimConnect]\nProtocol=Pipe\nAddress=simhost\n", std::nullopt, std::nullopt},
         both,
         0,
         {},
         {"pipe simhost " + std::string(platform::kSimConnectPipeName)},
         kScFail},
        {"a named pipe, then the fall-backs",
         {std::nullopt, "[SimConnect]\nPort=MySim\\Pipe\n", std::nullopt},
         both,
         0,
         {"tcp6 ::1 500"},
         {"pipe . MySim\\Pipe", "tcp6 ::1 500"},
         kScOk},
        {"IPv4 on the loopback falls back to the pipe",
         {"[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=600\n", std::nullopt, std::nullopt},
         both,
         0,
         {},
         {"tcp4 127.0.0.1 600", kPipe},
         kScFail},
        {"IPv4 elsewhere fails alone",
         {"[SimConnect]\nProtocol=IPv4\nAddress=192.0.2.7\nPort=600\n", std::nullopt, std::nullopt},
         both,
         0,
         {},
         {"tcp4 192.0.2.7 600"},
         kScFail},
        {"IPv6 on the loopback falls back to IPv4 and the pipe",
         {"[SimConnect]\nProtocol=IPv6\nAddress=::1\nPort=700\n", std::nullopt, std::nullopt},
         both,
         0,
         {kPipe},
         {"tcp6 ::1 700", "tcp4 127.0.0.1 501", kPipe},
         kScOk,
         true},
        {"IPv6 without an address fails alone",
         {"[SimConnect]\nProtocol=IPv6\nPort=700\n", std::nullopt, std::nullopt},
         both,
         0,
         {},
         {"tcp6  700"},
         kScFail},
        {"later files override earlier ones",
         {"[SimConnect]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=100\n", "[SimConnect]\nPort=200\n",
          "[SimConnect]\nAddress=localhost\n"},
         both,
         0,
         {"tcp4 localhost 200"},
         {"tcp4 localhost 200"},
         kScOk},
        {"index 3 without its section makes no attempt",
         {"[SimConnect]\nPort=1\n", "[SimConnect.33]\nPort=2\n", "[SimConnect.]\n"},
         both,
         3,
         {kPipe},
         {},
         kScInvalidArgument},
        {"index 3 with its section in the current directory only",
         {"[SimConnect]\nProtocol=IPv6\n", std::nullopt,
          "[SimConnect.3]\nProtocol=IPv4\nAddress=127.0.0.1\nPort=42\n"},
         both,
         3,
         {"tcp4 127.0.0.1 42"},
         {"tcp4 127.0.0.1 42"},
         kScOk},
        {"index 0 without a section uses the defaults",
         {"[Other]\nProtocol=IPv4\n", std::nullopt, std::nullopt},
         {},
         0,
         {kPipe},
         {kPipe},
         kScOk,
         true},
        {"index 0xFFFFFFFF reads no file",
         {"[SimConnect]\nProtocol=IPv4\nPort=9\n", "[SimConnect.4294967295]\nProtocol=IPv4\n",
          std::nullopt},
         {},
         SIMCONNECT_OPEN_CONFIGINDEX_DEFAULTS,
         {kPipe},
         {kPipe},
         kScOk,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingConnector connector;
        connector.answering = c.answering;
        sc::Connection connection;
        EXPECT_EQ(
            sc::lf_scOpenConnection(c.index, sources(c.files, c.ports), connector, connection),
            c.result);
        EXPECT_EQ(connector.attempts, c.attempts);
        if (c.result == kScOk) {
            EXPECT_EQ(connection.pipe, c.pipe);
        }
    }
}

TEST_F(ConfigFixture, ProfileRules) {
    struct Case {
        const char* name;
        std::string file;
        std::string address, port;
        std::uint32_t protocol = sc::kProtocolPipe;
    };
    const Case cases[] = {
        {"names in any case, trimmed",
         "  [ simconnect ]  \n  ADDRESS  =  host.example  \n\tport\t=\t55\n", "host.example", "55"},
        {"quotes removed once", "[SimConnect]\nAddress=\"quoted name\"\nPort='\"x\"'\n",
         "quoted name", "\"x\""},
        {"unmatched quotes kept", "[SimConnect]\nAddress=\"half\nPort=a'\n", "\"half", "a'"},
        {"comment lines and malformed lines skipped",
         "; Address=commented\n[SimConnect]\n;Port=1\n  ; Port=2\nno equals "
         "sign\n=value\n[broken\nPort=3\n",
         "", "3"},
        {"first occurrence of a key wins", "[SimConnect]\nPort=1\nport=2\n", "", "1"},
        {"first occurrence of a section wins",
         "[SimConnect]\nPort=1\n[Other]\nAddress=o\n[SIMCONNECT]\nPort=2\nAddress=late\n", "", "1"},
        {"keys outside the section ignored",
         "Port=0\n[Other]\nPort=9\n[SimConnect]\nAddress=a\n[Next]\nPort=7\n", "a", ""},
        {"CR LF line ends", "[SimConnect]\r\nAddress=crlf\r\nPort=12\r\n", "crlf", "12"},
        {"UTF-8 mark", "\xEF\xBB\xBF[SimConnect]\nPort=13\n", "", "13"},
        {"UTF-16 LE with mark",
         std::string("\xFF\xFE[\0S\0i\0m\0C\0o\0n\0n\0e\0c\0t\0]\0\r\0\n\0P\0o\0r\0t\0=\0"
                     "1\0"
                     "4\0",
                     44),
         "", "14"},
        {"protocol names in any case", "[SimConnect]\nProtocol=ipV6\n", "", "", sc::kProtocolIPv6},
        {"unknown protocol is the pipe", "[SimConnect]\nProtocol=IPv5\n", "", "",
         sc::kProtocolPipe},
        {"an empty value sets empty", "[SimConnect]\nAddress=\nPort=\n", "", ""},
        {"address cut to 1023 characters", "[SimConnect]\nAddress=" + std::string(1030, 'a') + "\n",
         std::string(1023, 'a'), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const sc::SimConnectConfig config = read(sources({c.file, std::nullopt, std::nullopt}));
        EXPECT_EQ(config.address, c.address);
        EXPECT_EQ(config.port, c.port);
        EXPECT_EQ(config.protocol, c.protocol);
    }
}

TEST_F(ConfigFixture, ProtocolReplacesASetPortByTheRegistryPort) {
    using Ports = std::map<std::uint32_t, std::string>;
    const Ports ports = {{sc::kProtocolIPv6, "500"}, {sc::kProtocolIPv4, "501"}};
    struct Case {
        const char* name;
        std::array<std::optional<std::string>, 3> files;
        Ports ports;
        std::string port;
        std::uint32_t protocol;
    };
    const Case cases[] = {
        {"a port set before becomes the IPv4 port",
         {"[SimConnect]\nPort=100\n", "[SimConnect]\nProtocol=IPv4\n", std::nullopt},
         ports,
         "501",
         sc::kProtocolIPv4},
        {"and the IPv6 port for IPv6",
         {"[SimConnect]\nPort=100\n", std::nullopt, "[SimConnect]\nProtocol=IPv6\n"},
         ports,
         "500",
         sc::kProtocolIPv6},
        {"cleared when the registry has none",
         {"[SimConnect]\nPort=100\n", "[SimConnect]\nProtocol=IPv4\n", std::nullopt},
         {},
         "",
         sc::kProtocolIPv4},
        {"an empty port stays empty",
         {std::nullopt, "[SimConnect]\nProtocol=IPv4\n", std::nullopt},
         ports,
         "",
         sc::kProtocolIPv4},
        {"the section's own port comes after",
         {"[SimConnect]\nPort=100\n", "[SimConnect]\nPort=300\nProtocol=IPv4\n", std::nullopt},
         ports,
         "300",
         sc::kProtocolIPv4},
        {"the pipe protocol keeps the port",
         {"[SimConnect]\nPort=100\n", "[SimConnect]\nProtocol=Auto\n", std::nullopt},
         ports,
         "100",
         sc::kProtocolPipe},
        {"a later file without a protocol keeps the earlier one",
         {"[SimConnect]\nProtocol=IPv4\n", "[SimConnect]\nPort=7\n", std::nullopt},
         ports,
         "7",
         sc::kProtocolIPv4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const sc::SimConnectConfig config = read(sources(c.files, c.ports));
        EXPECT_EQ(config.port, c.port);
        EXPECT_EQ(config.protocol, c.protocol);
    }
}

TEST_F(ConfigFixture, ReceiveSizeAndNagle) {
    struct Case {
        const char* name;
        std::array<std::optional<std::string>, 3> files;
        std::uint32_t maxReceiveSize;
        bool disableNagle;
    };
    const Case cases[] = {
        {"defaults", {}, 41088, false},
        {"a smaller size is ignored",
         {"[SimConnect]\nMaxReceiveSize=1000\n", std::nullopt, std::nullopt},
         41088,
         false},
        {"a larger size is taken",
         {"[SimConnect]\nMaxReceiveSize=100000\n", std::nullopt, std::nullopt},
         100000,
         false},
        {"never lowered by a later file",
         {"[SimConnect]\nMaxReceiveSize=100000\n", "[SimConnect]\nMaxReceiveSize=50000\n",
          std::nullopt},
         100000,
         false},
        {"not a decimal number counts 0",
         {"[SimConnect]\nMaxReceiveSize=100000x\nDisableNagle=yes\n", std::nullopt, std::nullopt},
         41088,
         false},
        {"a negative size counts 0",
         {"[SimConnect]\nMaxReceiveSize=-5\n", std::nullopt, std::nullopt},
         41088,
         false},
        {"above 32 bits counts 0",
         {"[SimConnect]\nMaxReceiveSize=4294967296\n", std::nullopt, std::nullopt},
         41088,
         false},
        {"nagle off", {"[SimConnect]\nDisableNagle=1\n", std::nullopt, std::nullopt}, 41088, true},
        {"any non-zero integer",
         {"[SimConnect]\nDisableNagle=-2\n", std::nullopt, std::nullopt},
         41088,
         true},
        {"a later 0 turns it back",
         {"[SimConnect]\nDisableNagle=1\n", std::nullopt, "[SimConnect]\nDisableNagle=0\n"},
         41088,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const sc::SimConnectConfig config = read(sources(c.files));
        EXPECT_EQ(config.maxReceiveSize, c.maxReceiveSize);
        EXPECT_EQ(config.disableNagle, c.disableNagle);
    }
}

TEST_F(ConfigFixture, UnreadableFilesAreSkipped) {
    sc::ConfigSources s = sources({std::nullopt, "[SimConnect]\nPort=5\n", std::nullopt});
    // A folder where the file should be, and a folder that does not exist.
    std::filesystem::create_directories(s.folders[0] / "SimConnect.cfg");
    s.folders[2] = folder_ / "missing";
    EXPECT_EQ(read(s).port, "5");
    EXPECT_TRUE(sc::lf_scHasConfigSection(s, "SimConnect"));
    EXPECT_FALSE(sc::lf_scHasConfigSection(s, "SimConnect.1"));
    EXPECT_EQ(sc::lf_scSectionName(0), "SimConnect");
    EXPECT_EQ(sc::lf_scSectionName(12), "SimConnect.12");
}

TEST(RegistryPortTest, ReadsTheCurrentUsersSimulatorKey) {
    ksb::test::TempFolder folder;
    ksb::test::ScopedEnv registry("KSBY_REGISTRY", (folder / "registry.ini").string());
    struct Case {
        const char* name;
        ksb::test::RegistryStoreWriter store;
        std::string v6, v4;
    };
    const std::string key = "HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5";
    const Case cases[] = {
        {"both ports",
         ksb::test::RegistryStoreWriter()
             .key(key)
             .value("SimConnect_Port_IPv6", "50123")
             .value("SimConnect_Port_IPv4", "50124"),
         "50123", "50124"},
        {"19 characters fit, 20 do not",
         ksb::test::RegistryStoreWriter()
             .key(key)
             .value("SimConnect_Port_IPv6", std::string(19, '1'))
             .value("SimConnect_Port_IPv4", std::string(20, '2')),
         std::string(19, '1'), ""},
        {"the local machine's key does not count",
         ksb::test::RegistryStoreWriter()
             .key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5")
             .value("SimConnect_Port_IPv4", "1"),
         "", ""},
        {"no store", ksb::test::RegistryStoreWriter(), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.store.writeTo(folder / "registry.ini");
        EXPECT_EQ(sc::lf_scRegistryPort(sc::kProtocolIPv6), c.v6);
        EXPECT_EQ(sc::lf_scRegistryPort(sc::kProtocolIPv4), c.v4);
    }
}

TEST(ConfigSourcesTest, ProductionFoldersInOrder) {
    ksb::test::ScopedEnv publicDocs("KSBY_PUBLIC_DOCUMENTS", "/srv/public");
    ksb::test::ScopedEnv docs("KSBY_DOCUMENTS", "/home/u/docs");
    const sc::ConfigSources s = sc::gf_productionConfigSources();
    EXPECT_EQ(s.folders[0], "/srv/public");
    EXPECT_EQ(s.folders[1], "/home/u/docs");
    EXPECT_EQ(s.folders[2], std::filesystem::current_path());
    EXPECT_TRUE(static_cast<bool>(s.registryPort));
}

} // namespace
