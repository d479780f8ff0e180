#pragma once
// noLiveryFlights: the keys (Flight::noLiveryKey) of the flights for which no livery was found,
// for the unmatched report in Log.txt. The traffic engine adds from its thread, the main loop
// prints and empties; a leaf mutex of its own guards the set, so only the log is taken inside it.
#include <string>
#include <vector>

void gf_addNoLiveryFlight(std::string key);
// Called after MATCHING_DEPTH was raised: the next matches may find what the last ones did not.
void gf_clearNoLiveryFlights();
// When the set is not empty: "\nNo match found for: ", each key in set order, then an empty line.
void gf_logUnmatched();
// The keys in set order.
std::vector<std::string> gf_noLiveryFlights();
