// Reading the command line of lumbrast-music.
#include "commands.h"
#include "musicservice.h"

namespace lumbrast::music::tool {

long long ParseNumber(const std::string &flag, const std::string &v, long long lo, long long hi) {
    try {
        std::size_t used = 0;
        const long long n = std::stoll(v, &used);
        if (used != v.size() || n < lo || n > hi)
            throw std::out_of_range("");
        return n;
    } catch (const std::exception &) {
        throw UsageError(flag + " wants a whole number from " + std::to_string(lo) + " to " +
                         std::to_string(hi) + ", not '" + v + "'");
    }
}

ComposeArgs ParseComposeArgs(const std::vector<std::string> &a, Command command) {
    ComposeArgs c;
    const bool analyze = command == Command::Analyze;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string &s = a[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= a.size())
                throw UsageError(s + " needs a value");
            return a[++i];
        };
        auto number = [&](long long lo, long long hi) { return ParseNumber(s, value(), lo, hi); };
        if (s == "--shape") {
            const std::string v = value();
            c.shape = ShapeFromName(v);
            if (c.shape < 0)
                c.shape = static_cast<int>(ParseNumber(s, v, 0, 8));
        } else if (s == "--measures")
            c.measures = static_cast<int>(number(analyze ? 1 : 0, 32767));
        else if (s == "--activity")
            c.activity = static_cast<int>(number(0, 3));
        else if (s == "--seed")
            c.seed = static_cast<std::uint64_t>(number(0, 0x7FFFFFFFFFFFFFFFLL));
        else if (s == "--soundfont")
            c.soundFont = value();
        else if (!analyze && (s == "--intro" || s == "--end" || s == "--plan"))
            (s == "--intro" ? c.intro : s == "--end" ? c.end : c.plan) = true;
        else if (s == "--output" && command == Command::Render)
            c.output = value();
        else if (s == "--motif" && command == Command::Play)
            c.motif = value();
        else if (analyze && s == "--all")
            c.all = value();
        else if (analyze && s == "--seeds")
            c.seeds = static_cast<int>(number(1, 1000));
        else if (analyze && s == "--loudness-measures")
            c.loudnessMeasures = static_cast<int>(number(1, 32767));
        else if (analyze && s == "--no-audio")
            c.audio = false;
        else if (analyze && s == "--where")
            c.where = true;
        else if (s.rfind("--", 0) == 0)
            throw UsageError("unknown option " + s);
        else
            files.push_back(s);
    }
    if (!c.all.empty()) {
        if (!files.empty())
            throw UsageError("analyze --all takes a folder instead of a style and a chord map");
        if (c.measures < 0)
            c.measures = 1024;
        return c;
    }
    if (files.size() != 2)
        throw UsageError("give a style file and a chord map file");
    c.style = files[0];
    c.chordMap = files[1];
    if (c.shape < 0)
        throw UsageError("--shape is missing");
    if (c.measures < 0)
        throw UsageError("--measures is missing");
    if (command == Command::Render && c.output.empty())
        throw UsageError("--output is missing");
    return c;
}

} // namespace lumbrast::music::tool
