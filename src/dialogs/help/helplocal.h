#pragma once
// Help > "Help": the local help file beside the program, at its main topic.

#include <QString>

class QWidget;

namespace lumbrast::platform {
class HelpViewer;
}

namespace lumbrast::dialogs {

inline constexpr char kHelpFileName[] = "Lumbrast.chm";
inline constexpr char kHelpMainTopic[] = "Lumbrast_help_main_EN.htm";

// The folder text, "/" and the file name, joined as they are: a folder that
// already ends in "/" gives "//", which the file system reads as one.
QString helpFilePath(const QString &programFolder);

// Opens the help file in `programFolder` at the main topic in `viewer`, owned by
// `owner`. A help file that cannot be shown is named, with the reason, in a
// message that does not block the game; a failure of the program itself is
// reported with the tag "sub: 27".
void mnuHelpLocal_Click(QWidget *owner, const QString &programFolder, platform::HelpViewer &viewer);

// The same with the program's own help window (links out of the help file go
// to the desktop's browser or mail program).
void showHelpLocal(QWidget *owner, const QString &programFolder);

} // namespace lumbrast::dialogs
