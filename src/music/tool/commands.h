// Commands of lumbrast-music that live outside main.cpp.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace lumbrast::music::tool {

// A mistake on the command line: reported with a pointer to --help, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long long ParseNumber(const std::string &flag, const std::string &v, long long lo, long long hi);

// analyze STYLE CHORDMAP --shape S --measures N ..., or analyze --all FOLDER ...
int RunAnalyze(const std::vector<std::string> &args);

} // namespace lumbrast::music::tool
