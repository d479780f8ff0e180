#pragma once
// The two reader threads of the live feed (weather and traffic), the live query box they poll
// and the window's reader status cells.
#include "feed/feed_services.h"

#include <cstdint>
#include <optional>

// Start a reader thread (run phase: the Weather Reader after the login, the Traffic Reader once
// the reference position is set). The start counts the reader in activeWorkers before its
// thread runs and takes it back when the thread cannot start (the std::system_error
// propagates); the thread takes it back on every way out. The thread keeps the run generation
// in force at the start and ends once a newer run begins. An earlier reader of the same kind
// that has ended is joined first; while it still runs nothing starts and the result is false.
bool gf_rtStartWeatherReader();
bool gf_rtStartTrafficReader();
// Sets both readers' stop flags and wakes their sleeps; a request under way aborts.
void gf_rtStopReaders();
// Waits for both reader threads to end (tests, and the next start).
void gf_rtJoinReaders();
// The status the reader last ended with (9999 after a stop); nullopt before its first end.
std::optional<std::int64_t> gf_rtReaderEndStatus(ksb::Reader reader);
// Stops and joins both readers and forgets their end statuses (tests, through
// gf_resetFeedGlobals).
void gf_rtResetReaders();

// Recomputes the live query box around the user aircraft when it moved or the live range
// changed (run phase, main loop, range fields).
void gf_rtUpdateQueryBox();
// Sets the reader status cells from what the readers received (main loop); nothing happens
// while no service session is established.
void gf_rtShowStatus();
