#pragma once
// Where the programs find their own files. A program run from the build
// folder has them beside it; an installed one under <prefix>/share/lumbrast,
// found relative to the executable, so an installed tree can move.

#include <QString>

namespace lumbrast::platform {

// The Debian package that brings the programs' own files back.
inline constexpr char kOwnPackage[] = "lumbrast";

// `beside` (a name beside the program in `programFolder`) if it exists, else
// `installed` (a path under the installation's data folder); the latter also
// when neither exists, so a message names where the file belongs.
QString findOwnFile(const QString &programFolder, const QString &beside, const QString &installed);

// The music folder "MediaSL9", without a final "/".
QString mediaFolder(const QString &programFolder);

// The folder that holds the compiled help file "Lumbrast.chm".
QString helpFolder(const QString &programFolder);

// What to do about a missing, unreadable or damaged file of our own: the
// package that restores it, in one sentence.
QString reinstallAdvice();

} // namespace lumbrast::platform
