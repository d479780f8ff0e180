#pragma once
// The update services: data files, the airport archive and the program's own version, each
// against the update server. They run on the start-up worker ("Check version": the GUI thread).
#include <string>

// Brings input/dbase.xml up to date and saves DBASE_VERSION.
void gf_updateDbase();
// Brings input/AIG-regcodes.xml up to date and saves AIG_VERSION.
void gf_updateAigRegcodes();
// Throws ksb::UserErrorException 99 (the command to run) when a newer program was fetched.
void gf_checkProgramVersion();
// True when a new airport archive was downloaded, extracted and its version saved.
bool gf_updateArchive();
// "New version{} for: {}" naming what the server has newer; empty when nothing is newer.
std::string gf_newVersionsText();
// True when airports/archive or one of its folders "stock", "ORBX" and "thirdparty" is missing.
// A state that cannot be read throws std::filesystem::filesystem_error.
bool lf_archiveFoldersMissing();
