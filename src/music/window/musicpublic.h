#pragma once
// modMusicPublic: the music choices that outlive the music window for the
// whole run, so that a style player opened again comes back with the same
// style, chord map and shape. Only the game window's start-up resets them.

#include <QString>

#include <cstdint>

namespace lumbrast::musicwindow::modMusicPublic {

inline QString StylePath; // MediaFolder + StyleFileName; empty until chosen
inline QString StyleFileName;
inline std::int16_t StyleIndex = 0; // position in cboStyles
inline QString ChordMapPath;        // MediaFolder + ChordMapFileName; empty until chosen
inline QString ChordMapFileName;
inline std::int16_t ChordMapIndex = 0;
inline QString ShapeName;      // empty until a shape was chosen
inline QString ShapeIndexText; // position in cboShape as decimal text
inline QString BandName;
inline std::int16_t BandIndex = 0;
inline std::int16_t ComposeLength = 1024; // measures

// Set once the "no sound" notice of the audio output has been shown, so it
// appears once per run however often the window is loaded.
inline bool AudioStatusShown = false;

// The music part of the game window's SetPublicDefaults.
void SetPublicDefaults();

} // namespace lumbrast::musicwindow::modMusicPublic
