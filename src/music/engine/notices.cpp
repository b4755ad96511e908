// Notices: queued on the clock's thread, handed to the UI thread through
// the event handle.
#include "engine.h"

#include <QCoreApplication>
#include <QEvent>

namespace lumbrast::music {

namespace {

const QEvent::Type kNoticeEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

// ---------------------------------------------------------------- event handle

NotificationEvent::NotificationEvent(int eventId, QObject *parent)
    : QObject(parent), eventId_(eventId) {}
NotificationEvent::~NotificationEvent() = default;

void NotificationEvent::set() {
    if (!pending_.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(kNoticeEventType));
}

bool NotificationEvent::event(QEvent *e) {
    if (e->type() == kNoticeEventType) {
        pending_.store(false);
        Q_EMIT signalled(eventId_);
        return true;
    }
    return QObject::event(e);
}

namespace detail {

// ---------------------------------------------------------------- notices

void Engine::enableNotices(std::uint32_t type, bool on) {
    requireOpen();
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if (type == kNotifySegment)
        wantSegment_ = on;
    else if (type == kNotifyMeasureAndBeat)
        wantBeat_ = on;
    else
        throw MusicError(ErrorCode::InvalidArgument,
                         "unknown notification type " + std::to_string(type));
}

void Engine::setHandle(std::shared_ptr<NotificationEvent> handle) {
    requireOpen();
    std::lock_guard<std::mutex> lock(noticeMutex_);
    handle_ = std::move(handle);
    if (handle_ && !notices_.empty())
        handle_->set();
}

bool Engine::takeNotice(NotificationPMSG &out) {
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if (notices_.empty())
        return false;
    out = std::move(notices_.front());
    notices_.pop_front();
    return true;
}

void Engine::notice(std::uint32_t type, std::uint32_t option, std::int32_t f1, std::int32_t f2,
                    const SegmentStatePtr &state) {
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if ((type == kNotifySegment && !wantSegment_) || (type == kNotifyMeasureAndBeat && !wantBeat_))
        return;
    if (notices_.size() >= 100000)
        notices_.pop_front(); // nobody drains: keep memory bounded
    notices_.push_back({type, option, f1, f2, state, now_});
    noticed_ = true;
}

void Engine::signalHandle() {
    std::lock_guard<std::mutex> lock(noticeMutex_);
    if (noticed_ && handle_)
        handle_->set();
    noticed_ = false;
}

} // namespace detail

} // namespace lumbrast::music
