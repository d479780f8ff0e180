#pragma once
// A data folder of its own for parameters.xml (KSBY_APPDATA points at a temporary folder), and
// the core, the parameter values, the control mirror, the window model and the run values back
// at their start, on construction and again at the end. Make it before a LogCapture: the core
// reset closes the log.
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ksb::test {

// The value the parameters file holds for name; nothing when the entry (or the file) is missing.
std::optional<std::string> storedParameter(const std::filesystem::path& file,
                                           const std::string& name);

class ParametersFixture {
public:
    // The program creates its data folder at start; a test of the missing folder passes false.
    explicit ParametersFixture(bool createDataFolder = true);
    ~ParametersFixture();
    ParametersFixture(const ParametersFixture&) = delete;
    ParametersFixture& operator=(const ParametersFixture&) = delete;

    // The application-data folder, the data folder in it and parameters.xml in that.
    const std::filesystem::path& appData() const { return appData_.path(); }
    std::filesystem::path dataFolder() const;
    std::filesystem::path parametersFile() const;
    // The value parameters.xml holds now; nothing when the entry (or the file) is missing.
    std::optional<std::string> stored(const std::string& name) const;

private:
    TempFolder appData_;
    ScopedEnv env_;
};

} // namespace ksb::test
