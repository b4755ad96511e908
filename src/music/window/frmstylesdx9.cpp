#include "music/window/frmstylesdx9.h"

#include "music/window/musicpublic.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>
#include <limits>
#include <new>

namespace lumbrast::musicwindow {

using namespace modMusicPublic;

namespace {

constexpr const char *kNoMotifs = "no Motifs in this Style";
constexpr int kTempoMin = 1;
constexpr int kTempoMax = 250;
const char *const kShapeNames[] = {"FALLING", "LEVEL",  "LOOPABLE", "LOUD", "QUIET",
                                   "PEAKING", "RANDOM", "RISING",   "SONG"};

[[noreturn]] void invalidValue() {
    throw WindowError(kErrInvalidValue, "Invalid property value");
}

template <class T> T &need(const std::shared_ptr<T> &p) {
    if (!p)
        throw WindowError(kErrNoObject, "Object variable not set");
    return *p;
}

std::int32_t checkedAdd(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_add_overflow(a, b, &r))
        throw WindowError(kErrOverflow, "Overflow");
    return r;
}

// The length box's number: rounded half to even; a pasted value beyond 16
// bits counts as the largest the box can hold.
std::int16_t lengthFromText(const QString &text) {
    return RoundToInt16(TextValue(text)).value_or(std::int16_t{9999});
}

QFont courierNew() {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

} // namespace

ErrorInfo CurrentError() {
    try {
        throw;
    } catch (const mus::MusicError &e) {
        // File errors name the file, line and column.
        return {e.number(), QString::fromStdString(e.file().empty() ? e.description() : e.what())};
    } catch (const WindowError &e) {
        return {e.number(), QString::fromStdString(e.what())};
    } catch (const std::bad_alloc &) {
        return {7, QStringLiteral("Out of memory")};
    } catch (const std::exception &e) {
        return {51, QString::fromStdString(e.what())};
    } catch (...) {
        return {51, QStringLiteral("Internal error")};
    }
}

frmStylesDX9::frmStylesDX9(QWidget *gameWindow, MusicWindowEnv env)
    : QWidget(gameWindow, Qt::Window), gameWindow_(gameWindow), env_(std::move(env)) {
    if (!env_.messages)
        env_.messages = std::make_shared<QtMessageBoxes>();
    if (!env_.random)
        env_.random = std::make_shared<ClockRandom>();
    setObjectName(QStringLiteral("frmStylesDX9"));
    setWindowTitle(QString::fromLatin1(kCaption));
    buildControls();
}

frmStylesDX9::~frmStylesDX9() {
    // Leaves nothing playing when the owner goes away without pressing Exit.
    if (Perf) {
        try {
            Perf->CloseDown();
        } catch (...) {
        }
    }
}

void frmStylesDX9::buildControls() {
    setFixedSize(640, 452);

    auto label = [](QWidget *parent, const char *text, int x, int y, int w, int h = 18) {
        auto *l = new QLabel(QString::fromLatin1(text), parent);
        l->setGeometry(x, y, w, h);
        return l;
    };

    fraStyleInfo = new QGroupBox(QStringLiteral("Style Info - Create Segment"), this);
    fraStyleInfo->setGeometry(8, 6, 624, 246);
    QWidget *f = fraStyleInfo;

    label(f, "Style", 12, 22, 200);
    cboStyles = new QComboBox(f);
    cboStyles->setObjectName(QStringLiteral("cboStyles"));
    cboStyles->setGeometry(12, 40, 200, 26);

    label(f, "Currently loaded style file:", 224, 22, 388);
    txtStyleFileName = new QLineEdit(QStringLiteral("No file loaded..."), f);
    txtStyleFileName->setObjectName(QStringLiteral("txtStyleFileName"));
    txtStyleFileName->setReadOnly(true);
    txtStyleFileName->setGeometry(224, 40, 388, 26);

    label(f, "Band", 12, 74, 200);
    lstBands = new QListWidget(f);
    lstBands->setObjectName(QStringLiteral("lstBands"));
    lstBands->setGeometry(12, 92, 200, 142);

    auto *bpm = label(f, "bpm", 224, 74, 60);
    bpm->setToolTip(QStringLiteral("Tempo (bpm = beats per minute)"));
    lblStyleTempoValue = label(f, "120", 224, 92, 48, 24);
    lblStyleTempoValue->setObjectName(QStringLiteral("lblStyleTempoValue"));
    lblStyleTempoValue->setFont(courierNew());
    hscTempoSty = new QSlider(Qt::Horizontal, f);
    hscTempoSty->setObjectName(QStringLiteral("hscTempoSty"));
    hscTempoSty->setRange(kTempoMin, kTempoMax);
    hscTempoSty->setValue(120);
    hscTempoSty->setGeometry(276, 92, 220, 24);

    label(f, "Time Sig.", 512, 74, 100);
    lblStyleTimeSigValue = label(f, "", 512, 92, 100, 24);
    lblStyleTimeSigValue->setObjectName(QStringLiteral("lblStyleTimeSigValue"));
    lblStyleTimeSigValue->setToolTip(
        QStringLiteral("Time Signature of Style (beatsPerMeasure / beat)"));

    label(f, "ChordMap", 224, 126, 180);
    cboChordMap = new QComboBox(f);
    cboChordMap->setObjectName(QStringLiteral("cboChordMap"));
    cboChordMap->setGeometry(224, 144, 180, 26);

    label(f, "Shape", 416, 126, 140);
    cboShape = new QComboBox(f);
    cboShape->setObjectName(QStringLiteral("cboShape"));
    cboShape->setGeometry(416, 144, 140, 26);

    auto *length = label(f, "Length", 224, 180, 70);
    length->setToolTip(QStringLiteral("Length in Measures (Bars)"));
    txtComposeLength = new QLineEdit(QStringLiteral("1024"), f);
    txtComposeLength->setObjectName(QStringLiteral("txtComposeLength"));
    txtComposeLength->setMaxLength(4);
    txtComposeLength->setToolTip(
        QStringLiteral("Enter new Length in Measures (Bars) for Re-Compose"));
    txtComposeLength->setGeometry(224, 198, 70, 26);
    txtComposeLength->installEventFilter(this);

    chkComposeIntro = new QCheckBox(QStringLiteral("Intro"), f);
    chkComposeIntro->setObjectName(QStringLiteral("chkComposeIntro"));
    chkComposeIntro->setGeometry(304, 200, 64, 22);
    chkComposeEnd = new QCheckBox(QStringLiteral("End"), f);
    chkComposeEnd->setObjectName(QStringLiteral("chkComposeEnd"));
    chkComposeEnd->setChecked(true);
    chkComposeEnd->setGeometry(370, 200, 56, 22);

    cmdRecompose = new QPushButton(QStringLiteral("&Re-Compose"), f);
    cmdRecompose->setObjectName(QStringLiteral("cmdRecompose"));
    cmdRecompose->setGeometry(430, 196, 100, 30);
    cmdHide = new QPushButton(QStringLiteral("Hide"), f);
    cmdHide->setObjectName(QStringLiteral("cmdHide"));
    cmdHide->setGeometry(538, 196, 74, 30);

    fraPlaySegment = new QGroupBox(QStringLiteral("Play Segment and Style Motifs "), this);
    fraPlaySegment->setGeometry(8, 258, 624, 186);
    QWidget *g = fraPlaySegment;

    cmdStopSegment = new QPushButton(QStringLiteral("&Stop"), g);
    cmdStopSegment->setObjectName(QStringLiteral("cmdStopSegment"));
    cmdStopSegment->setGeometry(12, 24, 90, 30);
    cmdPlaySegment = new QPushButton(QStringLiteral("&Play Seg"), g);
    cmdPlaySegment->setObjectName(QStringLiteral("cmdPlaySegment"));
    cmdPlaySegment->setGeometry(110, 24, 90, 30);
    cmdPlayMotif = new QPushButton(QStringLiteral("Play &Motif"), g);
    cmdPlayMotif->setObjectName(QStringLiteral("cmdPlayMotif"));
    cmdPlayMotif->setGeometry(208, 24, 100, 30);

    lblSegBarValue = label(g, "0", 330, 28, 70, 24);
    lblSegBarValue->setObjectName(QStringLiteral("lblSegBarValue"));
    lblSegBarValue->setToolTip(QStringLiteral("Bar"));
    lblSegBeatValue = label(g, "0", 410, 28, 40, 24);
    lblSegBeatValue->setObjectName(QStringLiteral("lblSegBeatValue"));
    lblSegBeatValue->setToolTip(QStringLiteral("Beat"));
    lblPlayProgress = label(g, "000000000000000000", 330, 64, 282, 24);
    lblPlayProgress->setObjectName(QStringLiteral("lblPlayProgress"));
    for (QLabel *l : {lblSegBarValue, lblSegBeatValue, lblPlayProgress})
        l->setFont(courierNew());
    for (QLabel *l : {lblStyleTempoValue, lblStyleTimeSigValue, lblSegBarValue, lblSegBeatValue,
                      lblPlayProgress}) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setIndent(4);
    }

    label(g, "Motif", 12, 60, 200);
    lstMotifs = new QListWidget(g);
    lstMotifs->setObjectName(QStringLiteral("lstMotifs"));
    lstMotifs->setGeometry(12, 78, 200, 98);

    label(g, "Align Option:", 224, 60, 100);
    optDefault = new QRadioButton(QStringLiteral("Default"), g);
    optImmediate = new QRadioButton(QStringLiteral("Immediate"), g);
    optGrid = new QRadioButton(QStringLiteral("Grid"), g);
    optBeat = new QRadioButton(QStringLiteral("Beat"), g);
    optMeasure = new QRadioButton(QStringLiteral("Measure"), g);
    int y = 78;
    for (QRadioButton *o : {optDefault, optImmediate, optGrid, optBeat, optMeasure}) {
        o->setGeometry(224, y, 100, 20);
        y += 20;
    }
    optDefault->setObjectName(QStringLiteral("optDefault"));
    optImmediate->setObjectName(QStringLiteral("optImmediate"));
    optGrid->setObjectName(QStringLiteral("optGrid"));
    optBeat->setObjectName(QStringLiteral("optBeat"));
    optMeasure->setObjectName(QStringLiteral("optMeasure"));
    optMeasure->setChecked(true);

    cmdOK = new QPushButton(QStringLiteral("E&xit"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(540, 418, 80, 26);
    cmdOK->setVisible(false);

    // Clicks and changes by the listener. Changes made from code go through
    // the select... routines, which call the handlers themselves.
    connect(cboStyles, &QComboBox::activated, this, [this] { cboStyles_Click(); });
    connect(cboChordMap, &QComboBox::activated, this, [this] { cboChordMap_Click(); });
    connect(cboShape, &QComboBox::activated, this, [this] { cboShape_Click(); });
    connect(lstBands, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            lstBands_Click();
    });
    connect(hscTempoSty, &QSlider::valueChanged, this, [this] { hscTempoSty_Change(); });
    connect(txtComposeLength, &QLineEdit::textChanged, this, [this] { txtComposeLength_Change(); });
    connect(cmdRecompose, &QPushButton::clicked, this, [this] { cmdRecompose_Click(); });
    connect(cmdHide, &QPushButton::clicked, this, [this] { cmdHide_Click(); });
    // Play and Stop have no report of their own: pressed from code, their
    // errors go to the caller; pressed by the listener, the window reports.
    connect(cmdPlaySegment, &QPushButton::clicked, this, [this] {
        guarded("form: Style , sub: cmdPlaySegment_Click", [this] { cmdPlaySegment_Click(); });
    });
    connect(cmdStopSegment, &QPushButton::clicked, this, [this] {
        guarded("form: Style , sub: cmdStopSegment_Click", [this] { cmdStopSegment_Click(); });
    });
    connect(cmdPlayMotif, &QPushButton::clicked, this, [this] { cmdPlayMotif_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

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
        const std::string status = Perf->audioStatus();
        if (!status.empty() && !AudioStatusShown) {
            AudioStatusShown = true;
            env_.messages->show(this, QString::fromStdString(status), BoxIcon::Information,
                                QString::fromLatin1(kPlayerTitle));
        }

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
        const auto shape = RoundToInt16(TextValue(ShapeIndexText));
        if (!shape)
            throw WindowError(kErrOverflow, "Overflow");
        selectShape(*shape);

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
                                QStringLiteral("\nCould not initialize DirectMusic.\n"
                                               "Style form: sub: Form_Load"),
                            BoxIcon::Information, QString::fromLatin1(kErrorTitle));
        Unload();
        return false;
    }
    return !unloaded_;
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

void frmStylesDX9::FillStyleList() {
    guarded("form: Style , sub: FillStyleList", [this] {
        txtStyleFileName->clear();
        const QSignalBlocker block(cboStyles);
        cboStyles->addItems(ListMediaFiles(MediaFolder, QStringLiteral("*.sty")));
        cboStyles->setCurrentIndex(-1);
        if (cboStyles->count() < 1) {
            env_.messages->show(
                this, QStringLiteral("There is no single style file in default (MediaSL9) folder"),
                BoxIcon::Critical, QString::fromLatin1(kPlayerTitle));
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
                QStringLiteral("There is no single chordmap file in default (MediaSL9) folder"),
                BoxIcon::Critical, QString::fromLatin1(kPlayerTitle));
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

// ------------------------------------------------------------------ selections from code

void frmStylesDX9::selectStyle(int position) {
    if (position < 0 || position >= cboStyles->count())
        invalidValue();
    {
        const QSignalBlocker block(cboStyles);
        cboStyles->setCurrentIndex(position);
    }
    cboStyles_Click();
}

void frmStylesDX9::selectChordMap(int position) {
    if (position < 0 || position >= cboChordMap->count())
        invalidValue();
    {
        const QSignalBlocker block(cboChordMap);
        cboChordMap->setCurrentIndex(position);
    }
    cboChordMap_Click();
}

void frmStylesDX9::selectShape(int position) {
    if (position < 0 || position >= cboShape->count())
        invalidValue();
    {
        const QSignalBlocker block(cboShape);
        cboShape->setCurrentIndex(position);
    }
    cboShape_Click();
}

void frmStylesDX9::selectBand(int position) {
    if (position < 0 || position >= lstBands->count())
        invalidValue();
    {
        const QSignalBlocker block(lstBands);
        lstBands->setCurrentRow(position);
    }
    lstBands_Click();
}

void frmStylesDX9::setSliderValue(int value) {
    if (value < hscTempoSty->minimum() || value > hscTempoSty->maximum())
        invalidValue();
    if (hscTempoSty->value() == value)
        return;
    {
        const QSignalBlocker block(hscTempoSty);
        hscTempoSty->setValue(value);
    }
    hscTempoSty_Change();
}

// ------------------------------------------------------------------ loading a style

void frmStylesDX9::cboStyles_Click() {
    guarded("form: Style , sub: cboStyles_Click", [this] {
        if (MainSegment && need(Perf).IsPlaying(MainSegment))
            cmdStopSegment_Click();

        const QString name = cboStyles->currentText();
        StyleFileName = name;
        CurStyle = need(Loader).LoadStyle(mediaPath(name));
        StylePath = MediaFolder + name;
        StyleIndex = static_cast<std::int16_t>(cboStyles->currentIndex());
        txtStyleFileName->setText(StylePath);

        const double tempo = RoundHalfEven(CurStyle->GetTempo());
        if (!(tempo >= std::numeric_limits<std::int32_t>::min() &&
              tempo <= std::numeric_limits<std::int32_t>::max()))
            throw WindowError(kErrOverflow, "Overflow");
        StyleTempo = static_cast<std::int32_t>(tempo);
        lblStyleTempoValue->setText(QString::number(StyleTempo));
        setSliderValue(StyleTempo);

        StyleTimeSig = CurStyle->GetTimeSignature();
        lblStyleTimeSigValue->setText(QStringLiteral("%1/%2")
                                          .arg(unsigned{StyleTimeSig.beatsPerMeasure})
                                          .arg(unsigned{StyleTimeSig.beat}));

        CreateSegment();
        Get_Bands();
        Get_Motifs();

        if (!(MainSegment && need(Perf).IsPlaying(MainSegment)))
            cmdPlaySegment_Click();
    });
}

void frmStylesDX9::Get_Bands() {
    guarded("form: Style , sub: Get_Bands", [this] {
        const int n = need(CurStyle).GetBandCount();
        {
            const QSignalBlocker block(lstBands);
            lstBands->clear();
            // The last band of the style comes first.
            for (int i = 0; i < n; ++i)
                lstBands->addItem(QString::fromStdString(CurStyle->GetBandName(n - 1 - i)));
        }
        BandIndex = 0;
        selectBand(0);
    });
}

void frmStylesDX9::lstBands_Click() {
    guarded("form: Style , sub: lstBands_Click", [this] {
        QListWidgetItem *item = lstBands->currentItem();
        if (!item)
            invalidValue();
        BandName = item->text();
        BandIndex = static_cast<std::int16_t>(lstBands->currentRow());
        ChangeBandStyle();
    });
}

void frmStylesDX9::ChangeBandStyle() {
    guarded(
        "sub: ChangeBandStyle on StylesDX9 form",
        [this] {
            mus::Performance &perf = need(Perf);
            if (CurBand)
                CurBand->Unload(perf);
            CurBand = need(CurStyle).GetBand(BandName.toStdString());
            CurBand->Download(perf);
            BandSegment = CurBand->CreateSegment();
            BandSegment->Download(perf.GetDefaultAudioPath());
            perf.PlaySegmentEx(BandSegment, mus::kPlaySecondary, 0);
        },
        BoxIcon::Exclamation);
}

void frmStylesDX9::Get_Motifs() {
    guarded("form: Style , sub: Get_Motifs", [this] {
        const QSignalBlocker block(lstMotifs);
        lstMotifs->clear();
        const int n = need(CurStyle).GetMotifCount();
        MotifTable.assign(static_cast<std::size_t>(std::max(n, 0)), MotifRecord{});
        if (n <= 0) {
            lstMotifs->addItem(QString::fromLatin1(kNoMotifs));
            cmdPlayMotif->setEnabled(false);
            return;
        }
        for (int i = 0; i < n; ++i) {
            const std::string name = CurStyle->GetMotifName(i);
            MotifTable[static_cast<std::size_t>(i)] = {CurStyle->GetMotif(name),
                                                       QString::fromStdString(name)};
            lstMotifs->addItem(QString::fromStdString(name));
        }
        lstMotifs->setCurrentRow(0);
        cmdPlayMotif->setEnabled(true);
    });
}

void frmStylesDX9::hscTempoSty_Change() {
    guarded("form: Style , sub: hscTempoSty_Change", [this] {
        const int value = hscTempoSty->value();
        lblStyleTempoValue->setText(QString::number(value));
        need(Perf).SendTempoPMSG(0, 1, static_cast<double>(value));
    });
}

// ------------------------------------------------------------------ composing

void frmStylesDX9::CreateSegment() {
    guarded("form: Style , sub: CreateSegment", [this] {
        MainSegment = need(Composer).ComposeSegmentFromShape(CurStyle, ComposeLength, 1, 1, true,
                                                             true, CurChordMap);
        MainSegment->Download(need(Perf).GetDefaultAudioPath());
    });
}

void frmStylesDX9::ReCompose() {
    guarded("form: Style , sub: ReCompose", [this] {
        if (cboStyles->currentIndex() < 0)
            return;
        CurStyle = need(Loader).LoadStyle(mediaPath(cboStyles->currentText()));
        CurChordMap = need(Loader).LoadChordMap(mediaPath(cboChordMap->currentText()));
        ComposeIntro = chkComposeIntro->checkState() != Qt::Unchecked ? -1 : 0;
        ComposeEnd = chkComposeEnd->checkState() != Qt::Unchecked ? -1 : 0;
        ComposeMeasures = lengthFromText(txtComposeLength->text());
        const auto shape = RoundToInt16(TextValue(ShapeIndexText));
        if (!shape)
            throw WindowError(kErrOverflow, "Overflow");
        MainSegment = need(Composer).ComposeSegmentFromShape(
            CurStyle, ComposeMeasures, *shape, 1, ComposeIntro != 0, ComposeEnd != 0, CurChordMap);
        MainSegment->Download(need(Perf).GetDefaultAudioPath());
        Get_Bands();
    });
}

void frmStylesDX9::cmdRecompose_Click() {
    ReCompose();
}

void frmStylesDX9::cboChordMap_Click() {
    guarded("form: Style , sub: cboChordMap_Click", [this] {
        ChordMapFileName = cboChordMap->currentText();
        ChordMapIndex = static_cast<std::int16_t>(cboChordMap->currentIndex());
        ChordMapPath = MediaFolder + ChordMapFileName;
        if (MainSegment && need(Perf).IsPlaying(MainSegment))
            cmdStopSegment_Click();
        ReCompose();
        if (!(MainSegment && need(Perf).IsPlaying(MainSegment)))
            cmdPlaySegment_Click();
    });
}

void frmStylesDX9::cboShape_Click() {
    guarded("form: Style , sub: cboShape_Click", [this] {
        ShapeName = cboShape->currentText();
        ShapeIndexText = QString::number(cboShape->currentIndex());
        if (MainSegment && need(Perf).IsPlaying(MainSegment))
            cmdStopSegment_Click();
        ReCompose();
        if (!(MainSegment && need(Perf).IsPlaying(MainSegment)))
            cmdPlaySegment_Click();
    });
}

void frmStylesDX9::txtComposeLength_Change() {
    ComposeMeasures = lengthFromText(txtComposeLength->text());
    ComposeLength = ComposeMeasures;
}

bool frmStylesDX9::eventFilter(QObject *watched, QEvent *event) {
    // txtComposeLength_KeyPress: only digits, backspace and Enter are typed.
    if (watched == txtComposeLength && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (!text.isEmpty()) {
            const QChar c = text.front();
            const bool allowed = (c >= u'0' && c <= u'9') || c == QChar(8) || c == QChar(13);
            if (!allowed && c.isPrint()) {
                beep();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------------ playing

void frmStylesDX9::cmdPlaySegment_Click() {
    if (!MainSegment)
        return; // nothing composed yet
    mus::Performance &perf = need(Perf);
    ResetPlayCounters();
    MainSegment->SetRepeats(0);
    perf.PlaySegmentEx(MainSegment, 0, 0);
    lblStyleTempoValue->setText(QString::number(StyleTempo));
    setSliderValue(StyleTempo);
    perf.SendTempoPMSG(0, 1, static_cast<double>(StyleTempo));
}

void frmStylesDX9::cmdStopSegment_Click() {
    if (!MainSegment)
        return; // nothing composed yet
    need(Perf).StopEx(MainSegment, 0, 0);
    ShowPlayProgress(QStringLiteral("User stop"));
    ClearPlayCounters();
}

void frmStylesDX9::cmdPlayMotif_Click() {
    guarded("form: Style , sub: cmdPlayMotif", [this] {
        const int row = lstMotifs->currentRow();
        if (row < 0 || !lstMotifs->item(row)->isSelected())
            return;
        if (lstMotifs->count() == 1 && lstMotifs->item(0)->text() == QLatin1String(kNoMotifs)) {
            cmdPlayMotif->setEnabled(false);
            return;
        }
        std::uint32_t flags = mus::kPlaySecondary;
        if (optBeat->isChecked())
            flags = mus::kPlayBeat | mus::kPlaySecondary;
        if (optDefault->isChecked())
            flags |= mus::kPlayDefault;
        if (optGrid->isChecked())
            flags |= mus::kPlayGrid;
        if (optImmediate->isChecked())
            flags |= mus::kPlaySecondary;
        if (optMeasure->isChecked())
            flags |= mus::kPlayMeasure;
        if (static_cast<std::size_t>(row) >= MotifTable.size())
            throw WindowError(kErrSubscript, "Subscript out of range");
        need(Perf).PlaySegmentEx(MotifTable[static_cast<std::size_t>(row)].Segment, flags, 0);
    });
}

void frmStylesDX9::ClearPlayCounters() {
    BeatInMeasure = 0;
    BeatNumber = 0;
    BarNumber = 0;
}

void frmStylesDX9::ResetPlayCounters() {
    ClearPlayCounters();
    lblSegBarValue->setText(QStringLiteral("1"));
    lblSegBeatValue->setText(QStringLiteral("1"));
}

void frmStylesDX9::ShowPlayProgress(const QString &text) {
    lblPlayProgress->setText(text);
}

// ------------------------------------------------------------------ notices

void frmStylesDX9::DirectXEvent8_DXCallback(int /*eventid*/) {
    // A signal that comes while the error box of a notice is open waits for
    // the next one, so the queue is never drained twice at once.
    if (!Perf || unloaded_ || inCallback_)
        return;
    const QScopedValueRollback<bool> busy(inCallback_, true);
    try {
        mus::NotificationPMSG msg;
        while (Perf->GetNotificationPMSG(msg))
            handleNotice(msg);
    } catch (...) {
        // What is still queued is handled at the next signal.
        env_.messages->show(this, QStringLiteral("Error processing this Notification"),
                            BoxIcon::Information, QStringLiteral("Cannot Process."));
    }
}

void frmStylesDX9::handleNotice(const mus::NotificationPMSG &msg) {
    auto segmentOf = [&msg]() -> const mus::SegmentPtr & {
        if (!msg.user || !msg.user->GetSegment())
            throw WindowError(kErrNoObject, "Object variable not set");
        return msg.user->GetSegment();
    };
    if (msg.option == mus::kSegmentEnd) {
        const mus::SegmentPtr &seg = segmentOf();
        if (seg == MainSegment) {
            ShowPlayProgress(QStringLiteral("PS finished playing."));
            ClearPlayCounters();
        } else {
            for (const MotifRecord &m : MotifTable)
                if (m.Segment == seg)
                    ShowPlayProgress(m.Name + QStringLiteral(" motif stopped playing."));
        }
    }
    if (msg.option == mus::kSegmentStart) {
        const mus::SegmentPtr &seg = segmentOf();
        if (seg == MainSegment) {
            ShowPlayProgress(QStringLiteral("PS playing"));
        } else {
            for (const MotifRecord &m : MotifTable)
                if (m.Segment == seg)
                    ShowPlayProgress(m.Name + QStringLiteral(" motif started playing."));
        }
    }
    if (msg.type == mus::kNotifyMeasureAndBeat) {
        BeatInMeasure = msg.field1;
        BeatNumber = checkedAdd(msg.field1, 1);
        lblSegBeatValue->setText(QString::number(BeatNumber));
        if (BeatInMeasure == 0)
            BarNumber = checkedAdd(BarNumber, 1);
        lblSegBarValue->setText(QString::number(BarNumber));
    }
}

// ------------------------------------------------------------------ window life

void frmStylesDX9::paintEvent(QPaintEvent *event) {
    Form_Paint();
    QWidget::paintEvent(event);
}

void frmStylesDX9::Form_Paint() {
    // Always over the game window's top-left corner.
    if (gameWindow_ && pos() != gameWindow_->pos())
        move(gameWindow_->pos());
}

void frmStylesDX9::closeEvent(QCloseEvent *event) {
    // The close box hides, like "Hide": the music plays on and the choices
    // stay; only the game window's Exit unloads the window.
    if (!unloaded_) {
        event->ignore();
        cmdHide_Click();
        return;
    }
    QWidget::closeEvent(event);
}

void frmStylesDX9::cmdHide_Click() {
    hide();
}

void frmStylesDX9::cmdOK_Click() {
    Composer.reset();
    Loader.reset();
    try {
        if (Perf)
            Perf->CloseDown();
    } catch (...) {
    }
    Perf.reset();
    Unload();
}

void frmStylesDX9::Form_Unload() {
    BarNumber = 0;
}

void frmStylesDX9::Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_Unload();
    hide();
    if (NotifyEvent)
        NotifyEvent->disconnect(this);
    if (Perf) {
        try {
            Perf->CloseDown();
        } catch (...) {
        }
    }
    MotifTable.clear();
    MainSegment.reset();
    BandSegment.reset();
    CurBand.reset();
    CurStyle.reset();
    CurChordMap.reset();
    Composer.reset();
    Loader.reset();
    Perf.reset();
    NotifyEvent.reset();
    emit unloaded();
    deleteLater();
}

void frmStylesDX9::RoundMusicWindow() {
    setMask(RoundRectRegion(width(), height(), 24, 24));
}

void frmStylesDX9::RoundMusicControls() {
    for (QWidget *w : std::initializer_list<QWidget *>{cmdStopSegment, cmdPlaySegment, cmdPlayMotif,
                                                       cmdOK, cmdRecompose})
        w->setMask(RoundRectRegion(w->width(), w->height(), 3, 3));
    for (QWidget *w :
         std::initializer_list<QWidget *>{cboStyles, cboChordMap, cboShape, lstBands, lstMotifs,
                                          txtStyleFileName, txtComposeLength})
        w->setMask(RoundRectRegion(w->width(), w->height(), 4, 4));
}

// ------------------------------------------------------------------ helpers

bool frmStylesDX9::guarded(const char *tag, const std::function<void()> &body, BoxIcon icon) {
    try {
        body();
        return true;
    } catch (...) {
        const ErrorInfo e = CurrentError();
        showError(e.number, e.description, QString::fromLatin1(tag), icon);
        return false;
    }
}

void frmStylesDX9::showError(std::int32_t number, const QString &description, const QString &tag,
                             BoxIcon icon) {
    env_.messages->show(
        this, QString::number(number) + QLatin1Char('\n') + description + QLatin1Char('\n') + tag,
        icon, QString::fromLatin1(kErrorTitle));
}

std::string frmStylesDX9::mediaPath(const QString &name) const {
    return FilePath(MediaFolder + name);
}

void frmStylesDX9::beep() {
    if (env_.beep)
        env_.beep();
    else
        QApplication::beep();
}

} // namespace lumbrast::musicwindow
