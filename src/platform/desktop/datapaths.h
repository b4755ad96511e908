#pragma once
// Where the programs find their own files. A program run from the build
// folder has them beside it; an installed one under <prefix>/share/lumbrast,
// found relative to the executable first so an installed tree can move, then
// at the prefix it was built for.

#include <QString>
#include <QStringList>

namespace lumbrast::platform {

// The Debian package that brings the programs' own files back.
inline constexpr char kOwnPackage[] = "lumbrast";

// Where `beside` (a name beside the program) or `installed` (a path under the
// data folder) is looked for, in order, for a program in `programFolder`.
QStringList ownFileCandidates(const QString &programFolder, const QString &beside,
                              const QString &installed);

// The first candidate that exists; when none does, the installed one next to
// the program, so a message names where the file belongs.
QString findOwnFile(const QString &programFolder, const QString &beside, const QString &installed);

// The music folder "MediaSL9", without a final "/".
QString mediaFolder(const QString &programFolder);

// The folder that holds the compiled help file "Lumbrast.chm".
QString helpFolder(const QString &programFolder);

// What to do about a missing, unreadable or damaged file of our own: the
// package that restores it, in one sentence.
QString reinstallAdvice();

} // namespace lumbrast::platform
