#pragma once
// The downloaded data, brought up to date once a day, and the aircraft database, read once per
// process.
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

// The aircraft database and fixes.xml have been read in this process; a restart keeps it.
extern std::atomic<bool> dbaseLoaded;

enum class DailyStep {
    updateDbase,         // dbase.xml from the update server
    readDatabase,        // the aircraft database and fixes.xml into memory
    checkProgramVersion, // a newer program stops start-up with user error 99
    updateAigRegcodes,
    updateArchive, // a new archive asks for the add-on airport scan
    storeDay,      // today becomes DATA_CHECKED_AT_DATE; "Check version" is disabled
};

std::string_view gf_dailyStepName(DailyStep step);

struct DailyInputs {
    std::string today;     // the day stamp now
    std::string storedDay; // DATA_CHECKED_AT_DATE
    bool dbaseMissing = false;
    bool dbaseLoaded = false;
    bool regcodesMissing = false;
    // Only asked on the same day.
    bool archiveFoldersMissing = false;
};

// The update steps in the order they run. On a new day the day is stored last, so a failure of
// any step before leaves the day unchecked.
std::vector<DailyStep> lf_dailySteps(const DailyInputs& inputs);

// Runs the steps through the start-up services. A true archive update switches SCAN_AIRPORTS on
// (saved, checked, repainted). Exceptions pass.
void lf_runDailySteps(const std::vector<DailyStep>& steps, const std::string& today);

// lf_prepareStart's daily check: takes the inputs (day stamp, files, the archive folders on the
// same day), then runs the steps.
void lf_dailyCheck();
