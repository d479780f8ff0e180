// The credential search: the RealTraffic app's file in the application-data folder and the one
// in the working folder, their conflicts, the placeholder and broken files.
#include "feed/rt_session.h"

#include "core/exceptions.h"
#include "feed_fixture.h"

#include "support/file_bytes.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;
using ksb::test::ScopedEnv;
using ksb::test::TempFolder;

// The working folder for the lifetime of the object.
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const fs::path& folder) : old_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~ScopedWorkingFolder() { fs::current_path(old_); }
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    fs::path old_;
};

std::string lf_licenceFile(std::string_view licence) {
    return std::string(R"({"License":")") + std::string(licence) + R"(","Other":1})";
}

constexpr std::string_view kPlaceholderFile = R"({"License":"fill in your license here"})";

class LicenseTest : public ksb::test::FeedFixture {
protected:
    LicenseTest() : env_("KSBY_APPDATA", appData_.path().string()), cwd_(working_.path()) {}

    fs::path fileA() const { return appData_.path() / "InsideSystems" / "RealTraffic.lic"; }
    void writeA(std::string_view bytes) {
        fs::create_directories(fileA().parent_path());
        ksb::test::writeBytes(fileA(), bytes);
    }
    void writeB(std::string_view bytes) {
        ksb::test::writeBytes(working_.path() / "RealTraffic.lic", bytes);
    }

    TempFolder appData_;
    TempFolder working_;
    ScopedEnv env_;
    ScopedWorkingFolder cwd_;
};

TEST_F(LicenseTest, TakesTheCredentialFromTheFileInUse) {
    struct Case {
        const char* name;
        std::optional<std::string> a, b;
        std::string credential;
        std::vector<std::string> lines; // "<A>" stands for A's path
    };
    const std::string placeholder(kPlaceholderFile);
    const Case cases[] = {
        {"A only",
         lf_licenceFile("LIC-A"),
         std::nullopt,
         "LIC-A",
         {"Your RealTraffic license was taken from \"<A>\""}},
        {"B only",
         std::nullopt,
         lf_licenceFile("LIC-B"),
         "LIC-B",
         {"Your RealTraffic license was taken from \"RealTraffic.lic\""}},
        {"both equal",
         lf_licenceFile("LIC-A"),
         lf_licenceFile("LIC-A"),
         "LIC-A",
         {"Your RealTraffic license was taken from \"<A>\""}},
        {"B the placeholder beside A",
         lf_licenceFile("LIC-A"),
         placeholder,
         "LIC-A",
         {"Your RealTraffic license was taken from \"<A>\""}},
        {"B empty beside A",
         lf_licenceFile("LIC-A"),
         lf_licenceFile(""),
         "LIC-A",
         {"Your RealTraffic license was taken from \"<A>\""}},
        {"B the placeholder alone",
         std::nullopt,
         placeholder,
         "",
         {"No valid RT license in your file: \"RealTraffic.lic\", license: \"fill in your "
          "license here\""}},
        {"A the placeholder alone",
         placeholder,
         std::nullopt,
         "",
         {"No valid RT license in your file: \"<A>\", license: \"fill in your license here\""}},
        {"A without a usable credential is still the file used",
         lf_licenceFile(""),
         lf_licenceFile("LIC-B"),
         "",
         {}},
        {"no License member",
         R"({"Licence":"x"})",
         std::nullopt,
         "?",
         {"Your RealTraffic license was taken from \"<A>\""}},
        {"no file", std::nullopt, std::nullopt, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ignored;
        fs::remove(fileA(), ignored);
        fs::remove(working_.path() / "RealTraffic.lic", ignored);
        if (c.a) {
            writeA(*c.a);
        }
        if (c.b) {
            writeB(*c.b);
        }
        const std::size_t before = log_.body().size();
        rtLicense = "stale";
        gf_findRealTrafficLicense();
        EXPECT_EQ(rtLicense, c.credential);
        EXPECT_EQ(gf_rtHasLicense(), !c.credential.empty());
        std::vector<std::string> lines = log_.body();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
        std::vector<std::string> expected;
        for (std::string line : c.lines) {
            const std::size_t at = line.find("<A>");
            if (at != std::string::npos) {
                line.replace(at, 3, fileA().string());
            }
            expected.push_back(line);
        }
        EXPECT_EQ(lines, expected);
    }
}

TEST_F(LicenseTest, RefusesTwoDifferentCredentials) {
    writeA(lf_licenceFile("LIC-A"));
    writeB(lf_licenceFile("LIC-B"));
    try {
        gf_findRealTrafficLicense();
        FAIL() << "no exception";
    } catch (const ksb::UserErrorException& e) {
        EXPECT_STREQ(e.what(), "900: You have two different RT licenses? One from the "
                               "RealTraffic app and one here, see the Log.txt.");
    }
    EXPECT_EQ(rtLicense, "");
    EXPECT_EQ(
        log_.body(),
        (std::vector<std::string>{
            "", "===> Two different RT licenses found:",
            "\"" + fileA().string() + "\" with \"LIC-A\"", "\"RealTraffic.lic\" with \"LIC-B\"",
            "Delete the one that is outdated, probably from the RT app you are no longer "
            "using and updating?",
            ""}));
}

TEST_F(LicenseTest, RaisesError901ForABrokenFile) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string problem;
    };
    const Case cases[] = {
        {"not JSON", "not json",
         "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error while "
         "parsing value - invalid literal; last read: 'no'"},
        {"an array", R"(["LIC-A"])", "[json.exception.type_error.304] cannot use at() with array"},
        {"License a number", R"({"License":12})",
         "[json.exception.type_error.302] type must be string, but is number"},
        {"empty file", "",
         "[json.exception.parse_error.101] parse error at line 1, column 1: syntax error while "
         "parsing value - unexpected end of input; expected '[', '{', or a literal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeA(c.bytes);
        try {
            gf_findRealTrafficLicense();
            ADD_FAILURE() << "no exception";
        } catch (const ksb::UserErrorException& e) {
            EXPECT_EQ(std::string(e.what()), "901: no license found in " + fileA().string() + " " +
                                                 c.problem + ", problem:");
        }
        EXPECT_EQ(rtLicense, "");
    }
}

TEST_F(LicenseTest, ReadsNothingFromAFileThatCannotBeOpened) {
    fs::create_directories(fileA());
    EXPECT_EQ(lf_readLicenseFromFile(fileA()), "");
    EXPECT_EQ(lf_readLicenseFromFile(working_.path() / "missing.lic"), "");
    writeB(lf_licenceFile("LIC-B"));
    gf_findRealTrafficLicense();
    EXPECT_EQ(rtLicense, "");
    EXPECT_TRUE(log_.body().empty());
}

TEST_F(LicenseTest, PropagatesAFileSystemErrorOtherThanNotFound) {
    const fs::path loop = appData_.path() / "loop";
    fs::create_directory_symlink(loop, loop);
    ScopedEnv looped("KSBY_APPDATA", loop.string());
    try {
        gf_findRealTrafficLicense();
        FAIL() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "filesystem error: exists: Too many levels of symbolic links [" +
                      (loop / "InsideSystems" / "RealTraffic.lic").string() + "]");
    }
}

} // namespace
