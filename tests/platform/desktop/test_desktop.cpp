#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/desktop/sounds.h"
#include "platform/desktop/twips.h"

using namespace lumbrast::platform;

// The four beeps sound different, each from the freedesktop theme (a misspelt
// name is silence); without a sound card playing is silent, not an error.
TEST(Sounds, FourDistinctThemeEventsSilentWithoutAudioDevice) {
    std::set<std::string> ids;
    CanberraSounds sounds;
    for (SoundKind k :
         {SoundKind::Default, SoundKind::Ok, SoundKind::Asterisk, SoundKind::Exclamation}) {
        ids.insert(soundEventId(k));
        EXPECT_TRUE(std::filesystem::exists("/usr/share/sounds/freedesktop/stereo/" +
                                            std::string(soundEventId(k)) + ".oga"));
        sounds.play(k);
    }
    EXPECT_EQ(ids.size(), 4u);
}

// Twips round to the nearest pixel.
TEST(Twips, RoundToNearestPixel) {
    EXPECT_EQ(twipsRect(7, 8, 6255, 4095), QRect(0, 1, 417, 273));
}
