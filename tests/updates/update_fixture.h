#pragma once
// The updates against the in-process update server: a working folder of their own, parameters
// in a data folder of their own, the log and the message line recorded, the base address on the
// stand-in. Real libcurl, real files.
#include "core/log.h"
#include "core/parameters.h"
#include "support/catalogue_fixtures.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/parameters_fixture.h"
#include "support/recording_sinks.h"
#include "support/rtstub/rt_stub.h"
#include "updates/downloads.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

// The warning lines ("===> ...") of a log, without the transfers' own "downloading" warnings.
inline std::vector<std::string> warningLines(const std::vector<std::string>& lines) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.starts_with("===> ") && !line.starts_with("===> downloading \"")) {
            found.push_back(line);
        }
    }
    return found;
}

// libcurl's global set-up before any test starts a thread.
inline const bool updatesCurlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;

class UpdateFixture : public ::testing::Test {
protected:
    UpdateFixture() { gf_setUpdateBase(stub.baseUrl()); }
    ~UpdateFixture() override { gf_resetUpdateSettings(); }

    std::optional<std::string> stored(const std::string& name) const {
        return parameters.stored(name);
    }

    // The update routes asked for, in order.
    std::vector<std::string> routes() const {
        std::vector<std::string> names;
        for (const rtstub::RequestRecord& record : stub.requests()) {
            names.push_back(record.route);
        }
        return names;
    }

    // Log lines after the header.
    std::vector<std::string> lines() const { return log.body(); }

    std::filesystem::path at(std::string_view name) const {
        return std::filesystem::current_path() / name;
    }

    ParametersFixture parameters;
    LogCapture log;
    WorkingFolder work;
    RecordingMessageSink messages;
    rtstub::RtStub stub;
};

} // namespace ksb::test
