#include "session/EngineEvents.h"

#include "engine/CMediaPlayer.h"
#include "platform/WindowMessage.h"
#include "resource.h"
#include "session/PlayerSession.h"

EngineEvents::EngineEvents(PlayerSession& session) : session_(session) {}

void EngineEvents::OnEngineStarted() {
    period_ = kClockPeriodMs;
}

bool EngineEvents::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::Type()) {
        return QObject::event(event);
    }
    const auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message == WM_GRAPH_EVENT) {
        TakeGraphEvents();
        Wake();  // an event may have moved a still player
    } else if (message->message == WM_TIMER && message->wParam == ID_Clock_Timer) {
        Tick();
    }
    return true;
}

// A handler may close the medium (the end of a playlist item opens the
// next), and with it the rest of its events.
void EngineEvents::TakeGraphEvents() {
    long code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (session_.Player() && session_.Player()->GetEvent(&code, &param1, &param2) == S_OK) {
        if (code == EC_DVD_DOMAIN_CHANGE || code == EC_DVD_ANGLE_CHANGE ||
            code == EC_DVD_VALID_UOPS_CHANGE) {
            Q_EMIT discEvent(code, static_cast<long>(param1));
        } else if (code == EC_COMPLETE) {
            Q_EMIT ended(QString());
        } else if (code == EC_ERRORABORT) {
            QString failure = QString::fromStdString(session_.Player()->GetErrorText());
            Q_EMIT ended(failure.isEmpty() ? QStringLiteral("The playback failed.") : failure);
        }
    }
}

void EngineEvents::Refresh() {
    if (session_.Player()) {
        session_.Update([this](PlayerState& now) { Read(now); });
    }
}

void EngineEvents::Read(PlayerState& into) const {
    if (CMediaPlayer* player = session_.Player()) {
        into.position = player->GetPosition();
        into.duration = player->GetDuration();
        into.rate = player->GetRate();
    }
}

void EngineEvents::Tick() {
    if (!session_.Player()) {
        return;
    }
    Refresh();
    Q_EMIT ticked();
    if (!session_.Player()) {
        return;
    }
    const bool moving = session_.State().play == State_Running || (hold_ && hold_());
    if (moving) {
        Wake();
    } else if (period_ != 0) {
        period_ = 0;
        KillTimer(this, ID_Clock_Timer);  // where the engine started it
    }
}

void EngineEvents::Wake() {
    if (session_.Player() && period_ != kClockPeriodMs) {
        period_ = kClockPeriodMs;
        SetTimer(this, ID_Clock_Timer, kClockPeriodMs);
    }
}
