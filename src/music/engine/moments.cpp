#include "moments.h"

#include <algorithm>

namespace lumbrast::music {

namespace {

bool hasMotif(const detail::StyleData &style, const std::string &name) {
    return std::any_of(style.motifs.begin(), style.motifs.end(),
                       [&](const detail::MotifData &m) { return m.name == name; });
}

} // namespace

std::string MomentMotif(const detail::StyleData &style, Moment m) {
    const auto i = static_cast<std::size_t>(m);
    if (style.momentsGiven) {
        const std::string &name = style.moments.at(i);
        return hasMotif(style, name) ? name : std::string();
    }
    if (m > Moment::Pair1 || style.motifs.empty())
        return {};
    return style.motifs[std::min(i, style.motifs.size() - 1)].name;
}

std::vector<std::string> MomentWarnings(const detail::StyleData &style) {
    std::vector<std::string> out;
    if (!style.momentsGiven)
        return out;
    for (int i = 0; i < kMomentCount; ++i) {
        const std::string &name = style.moments.at(static_cast<std::size_t>(i));
        if (!name.empty() && !hasMotif(style, name))
            out.push_back("moment " + std::string(MomentKey(static_cast<Moment>(i))) +
                          " names motif '" + name +
                          "', which the style does not have: it passes in silence");
    }
    return out;
}

} // namespace lumbrast::music
