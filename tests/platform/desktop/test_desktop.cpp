#include <filesystem>
#include <set>
#include <string>
#include <utility>

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
        const std::string id = soundEventId(k);
        ids.insert(id);
        EXPECT_TRUE(std::filesystem::exists("/usr/share/sounds/freedesktop/stereo/" + id + ".oga"))
            << id;
        sounds.play(k);
    }
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_STREQ(soundEventId(SoundKind::Default), "bell");
}

// Twips round to the nearest pixel on both sides of zero.
TEST(Twips, RoundToNearestPixel) {
    for (auto [twips, pixels] : {std::pair(7, 0), {8, 1}, {22, 1}, {23, 2}, {-8, -1}})
        EXPECT_EQ(twipsToPixels(twips), pixels) << twips;
    EXPECT_EQ(twipsRect(90, 1800, 6255, 4095), QRect(6, 120, 417, 273));
}
