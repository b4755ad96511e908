// libFuzzer target for the chord-map parser; a parsed map is also walked by
// the composer, which must finish for any map the parser accepts.
#include "composer.h"
#include "musicservice.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        auto map = lumbrast::music::Loader::ParseChordMap(
            std::string_view(reinterpret_cast<const char *>(data), size), "FUZZ.CDM");
        lumbrast::music::detail::Rng rng(size);
        for (int activity = 0; activity <= 3; ++activity)
            lumbrast::music::detail::WalkChords(*map->data(), 9, 3, activity, activity == 2, rng);
    } catch (const lumbrast::music::MusicError &) {
    }
    return 0;
}
