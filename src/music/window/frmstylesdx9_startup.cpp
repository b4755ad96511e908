#include "music/window/frmstylesdx9.h"

#include "music/window/frmstylesdx9_detail.h"
#include "music/window/musicpublic.h"
#include "platform/desktop/datapaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cstdio>

namespace lumbrast::musicwindow {

using namespace modMusicPublic;
using detail::need;

namespace {

const char *const kShapeNames[] = {"FALLING", "LEVEL",  "LOOPABLE", "LOUD", "QUIET",
                                   "PEAKING", "RANDOM", "RISING",   "SONG"};

} // namespace

// ------------------------------------------------------------------ start-up

bool frmStylesDX9::Form_Load() {
    // 1. The media folder.
    MediaFolder = env_.mediaFolder.isEmpty() ? DefaultMediaFolder() : env_.mediaFolder;
    if (!MediaFolder.endsWith(QLatin1Char('/')))
        MediaFolder += QLatin1Char('/');

    // 2. The lists; an empty one has closed the window.
    FillStyleList();
    if (unloaded_)
        return false;
    FillChordmapList();
    if (unloaded_)
        return false;
    ClearPlayCounters();
    lblSegBeatValue->setText(QStringLiteral("0"));
    lblSegBarValue->setText(QStringLiteral("0"));

    try {
        // 3. The service objects.
        Perf = std::make_shared<mus::Performance>();
        Loader = std::make_shared<mus::Loader>();
        Composer = std::make_shared<mus::Composer>();

        // 5. The output.
        mus::AudioParams params = env_.audio;
        params.channels = 128;
        Perf->InitAudio(params);
        ShowAudioStatus();

        // 6. Notices of segments, measures and beats.
        NotifyEvent = std::make_shared<mus::NotificationEvent>(0);
        connect(NotifyEvent.get(), &mus::NotificationEvent::signalled, this,
                &frmStylesDX9::DirectXEvent8_DXCallback);
        Perf->AddNotificationType(mus::kNotifySegment);
        Perf->AddNotificationType(mus::kNotifyMeasureAndBeat);
        Perf->SetNotificationHandle(NotifyEvent);
        Perf->SetMasterAutoDownload(true);

        // 7. Style, chord map and shape of the first choice.
        InitialChoice();

        // 8. A first composition.
        MainSegment = Composer->ComposeSegmentFromShape(CurStyle, ComposeLength, 1, 1, true, true,
                                                        CurChordMap);
        MainSegment->Download(Perf->GetDefaultAudioPath());

        // 9-11. Point the lists at the choice; each selection composes again.
        selectStyle(StyleIndex);
        ClearPlayCounters();
        selectChordMap(ChordMapIndex);
        ClearPlayCounters();
        selectShape(detail::shapeIndex(ShapeIndexText));

        // 12.
        if (gameWindow_)
            move(gameWindow_->pos());
        // 13, 14.
        txtComposeLength->setText(QString::number(ComposeLength));
        chkComposeIntro->setChecked(true);
        chkComposeEnd->setChecked(true);
        // 15.
        RoundMusicWindow();
        RoundMusicControls();
    } catch (...) {
        // Closed meanwhile (Exit pressed while a box of the start-up was open).
        if (unloaded_)
            return false;
        const ErrorInfo e = CurrentError();
        env_.messages->show(this,
                            QString::number(e.number) + QLatin1Char('\n') + e.description +
                                tr("\nCould not initialize DirectMusic.\n"
                                   "Style form: sub: Form_Load"),
                            BoxIcon::Information, QString::fromLatin1(kErrorTitle));
        Unload();
        return false;
    }
    return !unloaded_;
}

void frmStylesDX9::ShowAudioStatus() {
    const std::string status = Perf->audioStatus();
    lblAudioStatus->setVisible(!status.empty());
    if (status.empty())
        return;
    // Plain words in the window; the output's own detail only on standard error.
    const QString text =
        env_.audio.output == mus::AudioOutput::RealTimeSilent
            ? tr("Sound is switched off: the music plays on silently.")
            : tr("No sound device could be opened: the music plays on silently. Check that "
                 "speakers or headphones are connected and the sound system is running, then "
                 "start Lumbrast again.");
    lblAudioStatus->setText(text);
    if (AudioStatusShown)
        return;
    AudioStatusShown = true;
    const std::string detail = Perf->audioStatusDetail();
    QString line = QStringLiteral("lumbrast: ") + text;
    if (!detail.empty())
        line += QStringLiteral(" (%1)").arg(QString::fromStdString(detail));
    if (env_.errorLine)
        env_.errorLine(line);
    else
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void frmStylesDX9::InitialChoice() {
    // Style: the stored one, else "NEWAVTCH.STY", else the first of the list.
    if (!StylePath.isEmpty()) {
        CurStyle = need(Loader).LoadStyle(mediaPath(StyleFileName));
    } else {
        const int p = FindDefaultStyle().value_or(0);
        const QString entry = cboStyles->itemText(p);
        CurStyle = need(Loader).LoadStyle(mediaPath(entry));
        StyleFileName = entry;
        StylePath = MediaFolder + entry;
        StyleIndex = static_cast<std::int16_t>(p);
    }

    // Chord map: the stored one, else a random one but never the last.
    if (!ChordMapPath.isEmpty()) {
        CurChordMap = need(Loader).LoadChordMap(mediaPath(ChordMapFileName));
    } else {
        env_.random->Randomize();
        const int p = DrawBelowLast(env_.random->Rnd(), cboChordMap->count());
        const QString entry = cboChordMap->itemText(p);
        CurChordMap = need(Loader).LoadChordMap(mediaPath(entry));
        ChordMapFileName = entry;
        ChordMapPath = MediaFolder + entry;
        ChordMapIndex = static_cast<std::int16_t>(p);
    }

    // Shape: the stored one, else a random one but never "SONG".
    if (ShapeName.isEmpty()) {
        env_.random->Randomize();
        const int p = DrawBelowLast(env_.random->Rnd(), mus::kShapeCount);
        ShapeIndexText = QString::number(p);
        ShapeName = cboShape->itemText(p);
    }
}

// ------------------------------------------------------------------ library scan

namespace {
// Beside the empty folder's message: where the music was looked for and how
// to get it back.
QString whereMediaWasSought(const QString &folder) {
    return u'\n' + frmStylesDX9::tr("Looked in %1.").arg(QDir::toNativeSeparators(folder)) + u' ' +
           platform::reinstallAdvice();
}
} // namespace

void frmStylesDX9::FillStyleList() {
    guarded("form: Style , sub: FillStyleList", [this] {
        txtStyleFileName->clear();
        const QSignalBlocker block(cboStyles);
        cboStyles->addItems(ListMediaFiles(MediaFolder, QStringLiteral("*.sty")));
        cboStyles->setCurrentIndex(-1);
        if (cboStyles->count() < 1) {
            env_.messages->show(this,
                                tr("There is no single style file in default (MediaSL9) folder") +
                                    whereMediaWasSought(MediaFolder),
                                BoxIcon::Critical, tr(kPlayerTitle));
            Unload();
        }
    });
}

void frmStylesDX9::FillChordmapList() {
    guarded("form: Style , sub: FillChordmapList", [this] {
        {
            const QSignalBlocker block(cboChordMap);
            cboChordMap->addItems(ListMediaFiles(MediaFolder, QStringLiteral("*.cdm")));
            cboChordMap->setCurrentIndex(-1);
        }
        if (cboChordMap->count() < 1) {
            env_.messages->show(
                this,
                tr("There is no single chordmap file in default (MediaSL9) folder") +
                    whereMediaWasSought(MediaFolder),
                BoxIcon::Critical, tr(kPlayerTitle));
            Unload();
            return;
        }
        const QSignalBlocker block(cboShape);
        for (const char *name : kShapeNames)
            cboShape->addItem(QString::fromLatin1(name));
        cboShape->setCurrentIndex(-1);
    });
}

std::optional<int> frmStylesDX9::FindDefaultStyle() const {
    for (int i = 0; i < cboStyles->count(); ++i) {
        if (cboStyles->itemText(i) == QLatin1String("NEWAVTCH.STY"))
            return i;
    }
    return std::nullopt;
}

} // namespace lumbrast::musicwindow
