// The command line of lumbrast-music, shared by its commands.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumbrast::music::tool {

// A mistake on the command line: reported with a pointer to --help, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long long ParseNumber(const std::string &flag, const std::string &v, long long lo, long long hi);

enum class Command { Render, Play, Analyze };

struct ComposeArgs {
    std::string style, chordMap, output, soundFont, motif;
    int shape = -1;
    int measures = -1;
    int activity = 1;
    bool intro = false, end = false, plan = false;
    std::optional<std::uint64_t> seed;
    // analyze only
    std::string all; // folder of styles and chord maps
    int seeds = 10, loudnessMeasures = 32;
    bool audio = true;
    bool where = false; // list each bass leap with its measure, pattern and chords
};

// The options each command takes; the style and chord map (or analyze --all
// FOLDER), --shape and --measures are required, except --measures with --all.
ComposeArgs ParseComposeArgs(const std::vector<std::string> &args, Command command);

// analyze STYLE CHORDMAP --shape S --measures N ..., or analyze --all FOLDER ...
int RunAnalyze(const ComposeArgs &args);

} // namespace lumbrast::music::tool
