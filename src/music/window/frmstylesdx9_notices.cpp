#include "music/window/frmstylesdx9.h"

#include "music/window/frmstylesdx9_detail.h"

#include <QLabel>
#include <QScopedValueRollback>

namespace lumbrast::musicwindow {

using detail::checkedAdd;

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
        env_.messages->show(this, tr("Error processing this Notification"), BoxIcon::Information,
                            tr("Cannot Process."));
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
            ShowPlayProgress(tr("PS finished playing."));
            ClearPlayCounters();
        } else {
            for (const MotifRecord &m : MotifTable)
                if (m.Segment == seg)
                    ShowPlayProgress(tr("%1 motif stopped playing.").arg(m.Name));
        }
    }
    if (msg.option == mus::kSegmentStart) {
        const mus::SegmentPtr &seg = segmentOf();
        if (seg == MainSegment) {
            ShowPlayProgress(tr("PS playing"));
        } else {
            for (const MotifRecord &m : MotifTable)
                if (m.Segment == seg)
                    ShowPlayProgress(tr("%1 motif started playing.").arg(m.Name));
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

} // namespace lumbrast::musicwindow
