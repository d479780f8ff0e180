#pragma once
// Script files of tools/rtstub: a JSON object mapping route names to lists of replies:
//   {"model":true}, {"status":<http>,"body":"<text>"}, {"login":{<answer keys>}} (route "auth"
//   only), {"empty":true}, {"drop":true}, {"close":true}, {"bytes":"<raw>"},
//   {"redirect":<3xx>,"location":"<url>"}, {"stall_ms":<ms>}, {"truncated":"<raw>","length":<n>},
// for the API routes and "update:<path>",
// each optionally with "delay_ms":<ms> and "gzip":true.
#include "support/rtstub/reply.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace rtstub {

// Throws std::runtime_error naming the problem (not JSON, an unknown route, a bad reply).
std::map<std::string, std::vector<Reply>> parseScript(std::string_view text);

} // namespace rtstub
