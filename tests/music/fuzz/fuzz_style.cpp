// libFuzzer target: any bytes given to the style parser end in a style or a
// MusicError, never a crash or a hang.
#include "musicservice.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    try {
        auto style = lumbrast::music::Loader::ParseStyle(
            std::string_view(reinterpret_cast<const char *>(data), size), "FUZZ.STY");
        for (int i = 0; i < style->GetMotifCount(); ++i)
            style->GetMotif(style->GetMotifName(i));
    } catch (const lumbrast::music::MusicError &) {
    }
    return 0;
}
