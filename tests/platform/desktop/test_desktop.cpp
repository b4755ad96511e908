#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/desktop/sounds.h"

using namespace lumbrast::platform;

// The four beeps must sound different and each must exist in the theme the
// program asks for; a misspelt event name is silence.
TEST(Sounds, FourKindsAreDistinctEventsOfTheFreedesktopTheme)
{
    const SoundKind kinds[] = {SoundKind::Default, SoundKind::Ok, SoundKind::Asterisk, SoundKind::Exclamation};
    std::set<std::string> ids;
    for (SoundKind k : kinds) {
        const std::string id = soundEventId(k);
        ids.insert(id);
        EXPECT_TRUE(std::filesystem::exists("/usr/share/sounds/freedesktop/stereo/" + id + ".oga")) << id;
    }
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_STREQ(soundEventId(SoundKind::Default), "bell");
}

// Test machines have no sound card: playing must be silent, not an error.
TEST(Sounds, PlayingWithoutAudioDeviceIsSilent)
{
    CanberraSounds sounds;
    for (int i = 0; i < 3; ++i) {
        sounds.play(SoundKind::Default);
        sounds.play(SoundKind::Exclamation);
    }
    SUCCEED();
}
