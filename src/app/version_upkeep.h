#pragma once
// parameters.xml after a first run or a version change, and the service licence file beside it.
#include <string_view>

// The licence file in the working folder, and the RealTraffic app's own in the application-data
// folder (below "InsideSystems").
inline constexpr std::string_view kLicenceFileName = "RealTraffic.lic";
inline constexpr std::string_view kLicenceAppFolder = "InsideSystems";

// First run: stores the program's version and brings a licence file (the app's copy or the
// template). A newer program: the version update (obsolete parameters removed, MAX_FIT clamped,
// the daily check due, LAST_EPOCH_TIME 0). Otherwise only a missing licence file is written.
void lf_updateParametersVersion();
// Writes the licence template to "RealTraffic.lic"; a failed write is logged, nothing thrown.
void lf_createServiceLicenceTemplate();
