// A composed segment as a Standard MIDI File, written through libsmf.
#pragma once

#include "musicservice.h"

#include <string>

namespace lumbrast::music::tool {

bool IsMidiFileName(const std::string &path);

// Type 1: a conductor track with tempo and time signature, then one track per
// channel with the band's program, volume, pan and effect sends, then its notes.
void WriteMidiFile(const Segment &segment, const std::string &path);

} // namespace lumbrast::music::tool
