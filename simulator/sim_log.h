// A line-per-event log that tests read to see what the libraries were given.
#pragma once

#include <string>

// Appends `line` and a newline to the file named by KORVANI_SIM_LOG, if set.
void AppendToSimLog(const std::string& line);
