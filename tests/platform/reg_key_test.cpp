#include "platform/reg_exception.h"
#include "platform/reg_key.h"
#include "support/file_bytes.h"
#include "support/recording_warning_sink.h"
#include "support/registry_store.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using ksb::test::RecordingWarningSink;
using ksb::test::RegistryStoreWriter;
using ksb::test::ScopedEnv;
using ksb::test::TempFolder;
using winreg::RegException;
using winreg::RegKey;

constexpr std::u16string_view kV5 = u"SOFTWARE\\Lockheed Martin\\Prepar3D v5";
constexpr const char* kMissingValue =
    "Cannot get size of string value: RegGetValueW failed.: The system cannot find the file "
    "specified.";

// The value's text, or the exception's text when reading it throws.
std::u16string lf_valueOrError(const RegKey& key, std::u16string_view name) {
    try {
        return key.getStringValue(name);
    } catch (const RegException& e) {
        const std::string what = e.what();
        return u"<error " + std::u16string(what.begin(), what.end()) + u">";
    }
}

std::u16string lf_error(const char* what) {
    const std::string text = what;
    return u"<error " + std::u16string(text.begin(), text.end()) + u">";
}

class RegKeyTest : public ::testing::Test {
protected:
    std::filesystem::path writeStore(std::string_view text) {
        ksb::test::writeBytes(store_, text);
        return store_;
    }

    TempFolder folder_;
    std::filesystem::path store_ = folder_ / "registry.ini";
    ScopedEnv registry_{"KSBY_REGISTRY", store_.string()};
    RecordingWarningSink warnings_;
};

TEST_F(RegKeyTest, OpensKeysAndReadsValuesAsStored) {
    struct Case {
        const char* name;
        std::string store;
        winreg::RegRoot root;
        std::u16string_view subKey;
        std::int32_t status;
        std::u16string_view valueName;
        std::u16string expected;
    };
    const std::string v5 = "[" + ksb::test::p3dRegistryKey(5) + "]\n";
    const Case cases[] = {
        {"exact names", v5 + "SetupPath=C:\\P3D\\\n", winreg::HKEY_LOCAL_MACHINE, kV5, 0,
         u"SetupPath", u"C:\\P3D\\"},
        {"key path, root and value name in another case",
         "[hkey_local_machine\\software\\LOCKHEED MARTIN\\prepar3d V5]\nsetuppath=C:\\x\n",
         winreg::HKEY_LOCAL_MACHINE, kV5, 0, u"SETUPPATH", u"C:\\x"},
        {"name trimmed, value everything after the first '=', one CR dropped",
         v5 + " \tSetupPath \t= a=b \r\r\n", winreg::HKEY_LOCAL_MACHINE, kV5, 0, u"SetupPath",
         u" a=b \r"},
        {"empty value", v5 + "SetupPath=\n", winreg::HKEY_LOCAL_MACHINE, kV5, 0, u"SetupPath", u""},
        {"repeated value keeps the first, also in a repeated key",
         v5 + "SetupPath=first\nsetuppath=second\n" + v5 + "SETUPPATH=third\n",
         winreg::HKEY_LOCAL_MACHINE, kV5, 0, u"SetupPath", u"first"},
        {"comments, blank lines and a byte-order mark",
         "\xEF\xBB\xBF; comment\r\n# comment\r\n\r\n   \r\n" + v5 + "  ; SetupPath=no\r\n" +
             "SetupPath=yes\r\n",
         winreg::HKEY_LOCAL_MACHINE, kV5, 0, u"SetupPath", u"yes"},
        {"values of other keys stay there",
         v5 + "[" + ksb::test::p3dRegistryKey(6) + "]\nSetupPath=v6\n", winreg::HKEY_LOCAL_MACHINE,
         kV5, 0, u"SetupPath", lf_error(kMissingValue)},
        {"a parent of a stored key exists", v5 + "SetupPath=x\n", winreg::HKEY_LOCAL_MACHINE,
         u"software\\Lockheed Martin", 0, u"SetupPath", lf_error(kMissingValue)},
        {"trailing backslash of the sub key", v5 + "SetupPath=x\n", winreg::HKEY_LOCAL_MACHINE,
         u"SOFTWARE\\Lockheed Martin\\Prepar3D v5\\", 0, u"SetupPath", u"x"},
        {"a longer name is not a child",
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v50]\nSetupPath=x\n",
         winreg::HKEY_LOCAL_MACHINE, kV5, 2, u"", u""},
        {"the other root", "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n",
         winreg::HKEY_LOCAL_MACHINE, kV5, 2, u"", u""},
        {"current user", "[HKEY_CURRENT_USER\\Software\\Test]\nName=cu\n",
         winreg::HKEY_CURRENT_USER, u"Software\\Test", 0, u"name", u"cu"},
        {"absent key", v5, winreg::HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nobody", 2, u"", u""},
        {"non-ASCII text unchanged",
         v5 + "SetupPath=D:\\Spiele\\Prepar3D v5 Größe – 飛行 \xF0\x9F\x9B\xA9\\\n",
         winreg::HKEY_LOCAL_MACHINE, kV5, 0, u"SetupPath",
         u"D:\\Spiele\\Prepar3D v5 Größe – 飛行 \U0001F6E9\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeStore(c.store);
        RegKey key;
        ASSERT_EQ(key.open(c.root, c.subKey), c.status);
        EXPECT_EQ(key.isOpen(), c.status == 0);
        if (c.status == 0) {
            EXPECT_EQ(lf_valueOrError(key, c.valueName), c.expected);
        }
        EXPECT_EQ(warnings_.lines(), std::vector<std::string>{});
    }
}

TEST_F(RegKeyTest, AbsentValueThrowsWin32ErrorTwo) {
    writeStore(RegistryStoreWriter().p3d(5, "C:\\P3D").text());
    RegKey key;
    ASSERT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 0);
    try {
        (void)key.getStringValue(u"InstallPath");
        FAIL() << "no exception";
    } catch (const RegException& e) {
        EXPECT_STREQ(e.what(), kMissingValue);
        EXPECT_EQ(e.code().value(), 2);
        EXPECT_STREQ(e.code().category().name(), "win32");
    }
}

TEST_F(RegKeyTest, ClosedKeyHasNoValues) {
    writeStore(RegistryStoreWriter().p3d(5, "C:\\P3D").text());
    RegKey key;
    ASSERT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 0);
    RegKey moved = std::move(key);
    EXPECT_FALSE(key.isOpen());
    EXPECT_EQ(moved.getStringValue(u"SetupPath"), u"C:\\P3D");
    moved.close();
    EXPECT_FALSE(moved.isOpen());
    for (const RegKey* k : {&key, &moved}) {
        try {
            (void)k->getStringValue(u"SetupPath");
            FAIL() << "no exception";
        } catch (const RegException& e) {
            EXPECT_STREQ(e.what(), "Cannot get size of string value: RegGetValueW failed.: The "
                                   "handle is invalid.");
            EXPECT_EQ(e.code().value(), 6);
        }
    }
}

TEST_F(RegKeyTest, StoreIsReadAfreshAtEveryOpen) {
    writeStore(RegistryStoreWriter().p3d(5, "old").text());
    RegKey key;
    ASSERT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 0);
    writeStore(RegistryStoreWriter().p3d(5, "new").text());
    // An open key keeps what it read.
    EXPECT_EQ(key.getStringValue(u"SetupPath"), u"old");
    ASSERT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 0);
    EXPECT_EQ(key.getStringValue(u"SetupPath"), u"new");
    writeStore(RegistryStoreWriter().p3d(6, "v6").text());
    EXPECT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 2);
    EXPECT_FALSE(key.isOpen());
}

TEST_F(RegKeyTest, MalformedLinesAreReportedWithPathAndLineNumberAndSkipped) {
    const std::filesystem::path store = writeStore(RegistryStoreWriter()
                                                       .value("Orphan", "before any key")
                                                       .p3d(5, "C:\\P3D")
                                                       .line("no equals sign here")
                                                       .line("[HKEY_NOWHERE\\SOFTWARE\\X]")
                                                       .value("Hidden", "under the bad key")
                                                       .line("[HKEY_LOCAL_MACHINE\\unclosed")
                                                       .key(ksb::test::p3dRegistryKey(5))
                                                       .value("Later", "kept")
                                                       .text());
    RegKey key;
    ASSERT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 0);
    EXPECT_EQ(key.getStringValue(u"SetupPath"), u"C:\\P3D");
    EXPECT_EQ(key.getStringValue(u"Later"), u"kept");
    EXPECT_EQ(lf_valueOrError(key, u"Hidden"), lf_error(kMissingValue));
    EXPECT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, u"Orphan"), 2);
    const std::string prefix = "registry store " + store.string() + " line ";
    const std::vector<std::string> expected = {
        // The first open.
        prefix + "1: malformed line skipped: Orphan=before any key",
        prefix + "4: malformed line skipped: no equals sign here",
        prefix + "5: malformed key line skipped: [HKEY_NOWHERE\\SOFTWARE\\X]",
        prefix + "7: malformed key line skipped: [HKEY_LOCAL_MACHINE\\unclosed",
        // The second open reads the store again.
        prefix + "1: malformed line skipped: Orphan=before any key",
        prefix + "4: malformed line skipped: no equals sign here",
        prefix + "5: malformed key line skipped: [HKEY_NOWHERE\\SOFTWARE\\X]",
        prefix + "7: malformed key line skipped: [HKEY_LOCAL_MACHINE\\unclosed",
    };
    EXPECT_EQ(warnings_.lines(), expected);
}

TEST(RegKeyStoreTest, NoStoreIsAnEmptyRegistry) {
    TempFolder folder;
    RecordingWarningSink warnings;
    struct Case {
        const char* name;
        std::optional<std::string> registry;
        std::optional<std::string> appData;
    };
    const Case cases[] = {
        {"named store missing", (folder / "missing.ini").string(), std::nullopt},
        {"default store missing", std::nullopt, folder.path().string()},
        {"no application-data folder either", std::nullopt, std::nullopt},
        {"empty variables count as unset", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv registry("KSBY_REGISTRY", c.registry);
        ScopedEnv appData("KSBY_APPDATA", c.appData);
        ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv home("HOME", std::nullopt);
        RegKey key;
        EXPECT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 2);
        EXPECT_FALSE(key.isOpen());
    }
    EXPECT_EQ(warnings.lines(), std::vector<std::string>{});
}

TEST(RegKeyStoreTest, DefaultStoreIsRegistryIniInApplicationData) {
    TempFolder folder;
    ScopedEnv registry("KSBY_REGISTRY", std::nullopt);
    ScopedEnv appData("KSBY_APPDATA", folder.path().string());
    RegistryStoreWriter().p3d(5, "C:\\default").writeTo(folder / "registry.ini");
    EXPECT_EQ(platform::registryStorePath(), folder / "registry.ini");
    RegKey key;
    ASSERT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 0);
    EXPECT_EQ(key.getStringValue(u"SetupPath"), u"C:\\default");
}

TEST(RegKeyStoreTest, UnreadableStoreIsReportedAndEmpty) {
    TempFolder folder;
    RecordingWarningSink warnings;
    std::filesystem::create_directory(folder / "registry.ini");
    ScopedEnv registry("KSBY_REGISTRY", (folder / "registry.ini").string());
    RegKey key;
    EXPECT_EQ(key.open(winreg::HKEY_LOCAL_MACHINE, kV5), 2);
    EXPECT_EQ(warnings.lines(),
              std::vector<std::string>{"registry store " + (folder / "registry.ini").string() +
                                       " cannot be read; registry empty"});
}

TEST(RegExceptionTest, IsASystemErrorOfTheWin32Category) {
    const winreg::RegException error(2, "RegOpenKeyExW failed.");
    const std::system_error& base = error;
    EXPECT_STREQ(base.what(), "RegOpenKeyExW failed.: The system cannot find the file specified.");
    EXPECT_EQ(base.code().value(), 2);
    EXPECT_STREQ(base.code().category().name(), "win32");
}

} // namespace
