#pragma once
// The login to the live-traffic web service, the logout and the search for the credential.
#include <filesystem>
#include <string>

// The login with the credential found at start-up, on the worker thread before the readers
// start. Without a credential it sends nothing. Raises ksb::UserErrorException 402, 404 or 405
// (after the message stood 10 s) and ksb::SysErrorException 500; other failures only log.
void gf_rtAuthenticate();
// The logout of the traffic client's login (exit thread, after the readers were told to stop).
// Never aborted by a stop; only its time-outs bound it.
void gf_rtDeauth();

// The credential of one credential file: "" when it cannot be opened, "?" without "License".
// Raises ksb::UserErrorException 901 when it is no JSON object or "License" is no text.
std::string lf_readLicenseFromFile(const std::filesystem::path& path);
// Finds the credential (start-up checks): the RealTraffic app's file in the application-data
// folder, else "RealTraffic.lic" in the working folder. Raises ksb::UserErrorException 900 when
// both hold different credentials; a file-system error other than not-found propagates.
void gf_findRealTrafficLicense();
