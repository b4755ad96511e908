#include "music/window/musicpublic.h"

namespace lumbrast::musicwindow::modMusicPublic {

void SetPublicDefaults() {
    StylePath.clear();
    StyleFileName.clear();
    StyleIndex = 0;
    ChordMapPath.clear();
    ChordMapFileName.clear();
    ChordMapIndex = 0;
    ShapeName.clear();
    ShapeIndexText.clear();
    BandName.clear();
    BandIndex = 0;
    ComposeLength = 1024;
    AudioStatusShown = false;
}

} // namespace lumbrast::musicwindow::modMusicPublic
