#pragma once

#include "runtime/game_module.h"

#include <string>
#include <vector>

namespace glimmer::host {

// "glimmerhall verify": the help and the check of a revealed draw from the words after
// "verify". Prints the outcome the seed and phrase give on standard output and gives the exit
// status: 0 when everything given checks, 1 when a given commitment or outcome does not match
// (the reason on standard error), 2 on a usage error.
// The games are those of the list that have a verifier.
std::string verify_help_text(const GameModules& games);
int run_verify(const std::vector<std::string>& words, const GameModules& games);

} // namespace glimmer::host
