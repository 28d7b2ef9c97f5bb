// The commands "export" and "summary" of monitor-decode. `args` are the command's arguments
// after its name, in UTF-8. Exit codes: 0 done, 1 some input could not be read or decoded (the
// rest was still exported) or the output could not be written, 2 bad usage.
#pragma once

#include <string>
#include <vector>

// monitor-decode export [--config FILE] [--output FILE | --sqlite FILE] FOLDER...
int ExportCommand(const std::vector<std::string>& args);
// monitor-decode summary [--config FILE] FOLDER...
int SummaryCommand(const std::vector<std::string>& args);
