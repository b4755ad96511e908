#include "music/window/frmstylesdx9.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace lumbrast::musicwindow {

namespace {

constexpr int kTempoMin = 1;
constexpr int kTempoMax = 250;

QFont courierNew() {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

// Names a control and puts it at its place in its parent.
template <class W> W *placed(W *w, const char *name, int x, int y, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(x, y, width, height);
    return w;
}

} // namespace

void frmStylesDX9::buildControls() {
    setFixedSize(640, 452);

    // Captions are marked with QT_TR_NOOP at each call and translated here.
    auto label = [](QWidget *parent, const char *text, int x, int y, int w, int h = 18) {
        auto *l = new QLabel(tr(text), parent);
        l->setGeometry(x, y, w, h);
        return l;
    };

    fraStyleInfo = new QGroupBox(tr("Style Info - Create Segment"), this);
    fraStyleInfo->setGeometry(8, 6, 624, 246);
    QWidget *f = fraStyleInfo;

    label(f, QT_TR_NOOP("Style"), 12, 22, 200);
    cboStyles = placed(new QComboBox(f), "cboStyles", 12, 40, 200, 26);

    label(f, QT_TR_NOOP("Currently loaded style file:"), 224, 22, 388);
    txtStyleFileName =
        placed(new QLineEdit(tr("No file loaded..."), f), "txtStyleFileName", 224, 40, 388, 26);
    txtStyleFileName->setReadOnly(true);

    label(f, QT_TR_NOOP("Band"), 12, 74, 200);
    lstBands = placed(new QListWidget(f), "lstBands", 12, 92, 200, 142);

    auto *bpm = label(f, QT_TR_NOOP("bpm"), 224, 74, 60);
    bpm->setToolTip(tr("Tempo (bpm = beats per minute)"));
    lblStyleTempoValue = label(f, "120", 224, 92, 48, 24);
    lblStyleTempoValue->setObjectName(QStringLiteral("lblStyleTempoValue"));
    lblStyleTempoValue->setFont(courierNew());
    hscTempoSty = placed(new QSlider(Qt::Horizontal, f), "hscTempoSty", 276, 92, 220, 24);
    hscTempoSty->setRange(kTempoMin, kTempoMax);
    hscTempoSty->setValue(120);

    label(f, QT_TR_NOOP("Time Sig."), 512, 74, 100);
    lblStyleTimeSigValue = label(f, "", 512, 92, 100, 24);
    lblStyleTimeSigValue->setObjectName(QStringLiteral("lblStyleTimeSigValue"));
    lblStyleTimeSigValue->setToolTip(tr("Time Signature of Style (beatsPerMeasure / beat)"));

    label(f, QT_TR_NOOP("ChordMap"), 224, 126, 180);
    cboChordMap = placed(new QComboBox(f), "cboChordMap", 224, 144, 180, 26);

    label(f, QT_TR_NOOP("Shape"), 416, 126, 140);
    cboShape = placed(new QComboBox(f), "cboShape", 416, 144, 140, 26);

    auto *length = label(f, QT_TR_NOOP("Length"), 224, 180, 70);
    length->setToolTip(tr("Length in Measures (Bars)"));
    txtComposeLength =
        placed(new QLineEdit(QStringLiteral("1024"), f), "txtComposeLength", 224, 198, 70, 26);
    txtComposeLength->setMaxLength(4);
    txtComposeLength->setToolTip(tr("Enter new Length in Measures (Bars) for Re-Compose"));
    txtComposeLength->installEventFilter(this);

    chkComposeIntro = placed(new QCheckBox(tr("Intro"), f), "chkComposeIntro", 304, 200, 64, 22);
    chkComposeEnd = placed(new QCheckBox(tr("End"), f), "chkComposeEnd", 370, 200, 56, 22);
    chkComposeEnd->setChecked(true);

    cmdRecompose = placed(new QPushButton(tr("&Re-Compose"), f), "cmdRecompose", 430, 196, 100, 30);
    cmdHide = placed(new QPushButton(tr("Hide"), f), "cmdHide", 538, 196, 74, 30);

    fraPlaySegment = new QGroupBox(tr("Play Segment and Style Motifs "), this);
    fraPlaySegment->setGeometry(8, 258, 624, 186);
    QWidget *g = fraPlaySegment;

    cmdStopSegment = placed(new QPushButton(tr("&Stop"), g), "cmdStopSegment", 12, 24, 90, 30);
    cmdPlaySegment = placed(new QPushButton(tr("&Play Seg"), g), "cmdPlaySegment", 110, 24, 90, 30);
    cmdPlayMotif = placed(new QPushButton(tr("Play &Motif"), g), "cmdPlayMotif", 208, 24, 100, 30);

    lblSegBarValue = label(g, "0", 330, 28, 70, 24);
    lblSegBarValue->setObjectName(QStringLiteral("lblSegBarValue"));
    lblSegBarValue->setToolTip(tr("Bar"));
    lblSegBeatValue = label(g, "0", 410, 28, 40, 24);
    lblSegBeatValue->setObjectName(QStringLiteral("lblSegBeatValue"));
    lblSegBeatValue->setToolTip(tr("Beat"));
    lblPlayProgress = label(g, "000000000000000000", 330, 64, 282, 24);
    lblPlayProgress->setObjectName(QStringLiteral("lblPlayProgress"));
    for (QLabel *l : {lblSegBarValue, lblSegBeatValue, lblPlayProgress})
        l->setFont(courierNew());
    for (QLabel *l : {lblStyleTempoValue, lblStyleTimeSigValue, lblSegBarValue, lblSegBeatValue,
                      lblPlayProgress}) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setIndent(4);
    }

    lblAudioStatus = label(g, "", 330, 96, 282, 76);
    lblAudioStatus->setObjectName(QStringLiteral("lblAudioStatus"));
    lblAudioStatus->setWordWrap(true);
    lblAudioStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblAudioStatus->hide();

    label(g, QT_TR_NOOP("Motif"), 12, 60, 200);
    lstMotifs = placed(new QListWidget(g), "lstMotifs", 12, 78, 200, 98);

    label(g, QT_TR_NOOP("Align Option:"), 224, 60, 100);
    optDefault = new QRadioButton(tr("Default"), g);
    optImmediate = new QRadioButton(tr("Immediate"), g);
    optGrid = new QRadioButton(tr("Grid"), g);
    optBeat = new QRadioButton(tr("Beat"), g);
    optMeasure = new QRadioButton(tr("Measure"), g);
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

    cmdOK = placed(new QPushButton(tr("E&xit"), this), "cmdOK", 540, 418, 80, 26);
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
    // A click on the band already highlighted changes no row: apply it again.
    lstBands->viewport()->installEventFilter(this);
    connect(lstBands, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (lstBands->row(item) == bandRowAtPress_)
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

} // namespace lumbrast::musicwindow
