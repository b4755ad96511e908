#include "music/window/frmstylesdx9.h"

#include "music/window/frmstylesdx9_detail.h"
#include "music/window/musicpublic.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <limits>

namespace lumbrast::musicwindow {

using namespace modMusicPublic;
using detail::invalidValue;
using detail::lengthFromText;
using detail::need;

namespace {

constexpr const char *kNoMotifs =
    QT_TRANSLATE_NOOP("lumbrast::musicwindow::frmStylesDX9", "no Motifs in this Style");

} // namespace

// ------------------------------------------------------------------ selections from code

void frmStylesDX9::selectRow(QWidget *view, int row, void (frmStylesDX9::*clicked)()) {
    auto *box = qobject_cast<QComboBox *>(view);
    auto *list = qobject_cast<QListWidget *>(view);
    if (row < 0 || row >= (box ? box->count() : list->count()))
        invalidValue();
    {
        const QSignalBlocker block(view);
        if (box)
            box->setCurrentIndex(row);
        else
            list->setCurrentRow(row);
    }
    (this->*clicked)();
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
        restartAround([this] {
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
        });
    });
}

void frmStylesDX9::restartAround(const std::function<void()> &change) {
    if (MainSegment && need(Perf).IsPlaying(MainSegment))
        cmdStopSegment_Click();
    change();
    if (!(MainSegment && need(Perf).IsPlaying(MainSegment)))
        cmdPlaySegment_Click();
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
            lstMotifs->addItem(tr(kNoMotifs));
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
        const std::int16_t shape = detail::shapeIndex(ShapeIndexText);
        MainSegment = need(Composer).ComposeSegmentFromShape(
            CurStyle, ComposeMeasures, shape, 1, ComposeIntro != 0, ComposeEnd != 0, CurChordMap);
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
        restartAround([this] { ReCompose(); });
    });
}

void frmStylesDX9::cboShape_Click() {
    guarded("form: Style , sub: cboShape_Click", [this] {
        ShapeName = cboShape->currentText();
        ShapeIndexText = QString::number(cboShape->currentIndex());
        restartAround([this] { ReCompose(); });
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
    if (watched == lstBands->viewport() && event->type() == QEvent::MouseButtonPress)
        bandRowAtPress_ = lstBands->currentRow();
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
    // The primary that plays: Re-Compose replaces MainSegment while the music
    // it replaced plays on.
    need(Perf).StopEx(MainSegment, 0, mus::kStopPrimary);
    ShowPlayProgress(tr("User stop"));
    ClearPlayCounters();
}

void frmStylesDX9::cmdPlayMotif_Click() {
    guarded("form: Style , sub: cmdPlayMotif", [this] {
        const int row = lstMotifs->currentRow();
        if (row < 0 || !lstMotifs->item(row)->isSelected())
            return;
        if (lstMotifs->count() == 1 && lstMotifs->item(0)->text() == tr(kNoMotifs)) {
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

} // namespace lumbrast::musicwindow
