// User-defined device types of the SIM reader (private to the reader).
#pragma once

#include <string>
#include <vector>

#include "SimReader.h"

namespace abstractor {

// define <type> <pin> <pin> ...: adds the type, or checks a repetition.
// `tokens` are the words of the line up to a comment.
void UserDefLine(std::vector<char*>& tokens, int lineNo);

// The names of one external-net token of the SUBCIRCUIT record (a vector
// expands); `room` is the number of names the record may still take.
std::vector<std::string> find_array(const char* name, int lineNo, int room);

// Forgets that the type list was printed (start of a run).
void simTypesReset();

}  // namespace abstractor
