#pragma once
// The park airport: the candidate list (airports/my_park_airports.txt and airports/my_thirdparty)
// in distance order, the user's reserved stand per airport, the choice of the airport whose
// stands get static parked aircraft, its load and its drop.
//
// Every function here runs with trafficState.trafficMutex held by its caller and never takes it:
// the worker (start-up and main loop) and the simulator link's thread (gf_updateUserStand) both
// touch the list and the file.
#include "core/geodesy.h"

#include <string>
#include <vector>

namespace ksb {

// The list (park_airport_list.cpp).

// Rebuilds the list from the file, then the folder, computes every distance from the user and
// sorts; sets the window's park-airports-okay flag and returns it (false when a line named an
// unknown airport or stand). A failure to read airports/my_thirdparty throws
// std::filesystem::filesystem_error.
bool gf_readParkAirports(bool force);
// Checks one line of the file and appends its airport; clears ok for an unknown airport or stand.
void lf_readParkAirportLine(bool& ok, const std::string& line);
// Appends the airports of the files in airports/my_thirdparty not yet in the list.
void lf_scanParkAirportFolder();
// True when the list holds a record of exactly that name.
bool lf_findParkAirport(const std::string& name);
// Every record's distance from the position (an unusable one counts as infinitely far), then
// the list in distance order (stable) when it holds two or more.
void lf_sortParkAirports(const Position& user);

// The file (park_airport_file.cpp).

enum class ParkAirportsFile { read, missing, unreadable };
// Appends the lines of my_park_airports.txt (line ends, one '\r' per line and a UTF-8 mark
// removed). unreadable: something that is not a readable file holds the name.
ParkAirportsFile lf_readParkAirportsFile(std::vector<std::string>& lines);

// Records the first list record and its reserved stand in my_park_airports.txt, rewritten sorted
// and atomically. A stand in the file is never replaced by an empty one; a file that exists but
// cannot be read is left alone.
void gf_writeParkAirports();
// True when the line is the first record's: it then holds the record's stand (rewritten as
// "code,stand", or kept when it has a stand and the record none).
bool lf_updateParkAirportStand(std::string& line);

// The choice (park_airport_choice.cpp).

// Makes the airport of the airports list the park airport; false when the code is not there.
bool lf_setParkAirport(const std::string& code);
void lf_chooseParkAirport(const Position& user, bool calculateNow);
// Drops the park airport when it went out of sight or a nearer candidate came into sight.
void lf_checkParkAirportInSight(const Position& user);
// The check of start-up (calculateNow) and of the main loop's 16th seconds.
void gf_checkParkAirport(bool calculateNow);

// The load (park_airport_load.cpp).

// Loads the park airport's stands and settles its reserved stand; the error text, empty on
// success.
std::string gf_loadParkAirport();
// Locks the controls and has the feed collect the flights it sees.
void lf_startStaticParking(bool showMessage);
// calculateNow: load and plan at once; else wait for the next check.
void lf_loadAndCalculate(bool calculateNow);
// Re-reads the list and applies a changed reserved stand; text gets what to show.
bool gf_checkReservedStand(bool reRead, std::string& text);
// The second step of a renewal; false when no park airport or no stands.
bool gf_refreshStaticParking(bool parkTrafficOnlySwitchedOn);

// The drop (park_airport_drop.cpp).

// Closes the park airport and empties its state and what the window shows of it.
void gf_clearParkAirport();
// Removes everything static and parked of the park airport, then clears it.
void gf_dropParkAirport();

} // namespace ksb
