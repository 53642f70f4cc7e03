// Where the engine of the open medium reports: its graph events and its
// clock timer arrive here, on the UI thread, and leave as the session's
// state and as signals. The clock runs while something moves and stops
// while the player stands still, so a paused player never wakes.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class PlayerSession;
struct PlayerState;

class EngineEvents : public QObject {
    Q_OBJECT

public:
    explicit EngineEvents(PlayerSession& session);

    // A new engine has started the clock on this object.
    void OnEngineStarted();
    // The clock's tick: the state takes the engine's position, length and
    // speed, the views hear `ticked`, and a still player stops the clock.
    void Tick();
    // Something may have moved a still player: the clock runs again.
    void Wake();
    // Keeps the clock running while a view has something moving of its own.
    void SetHold(std::function<bool()> hold) { hold_ = std::move(hold); }
    // The state takes the engine's position, length and speed as they are.
    void Refresh();
    void Read(PlayerState& into) const;

Q_SIGNALS:
    void ticked();
    // A disc's domain, angle or allowed operations changed.
    void discEvent(long code, long param);
    // The medium played to its end, or broke while playing (`failure` says why).
    void ended(const QString& failure);

protected:
    bool event(QEvent* event) override;

private:
    void TakeGraphEvents();

    PlayerSession& session_;
    std::function<bool()> hold_;
    unsigned period_ = 0;  // 0 while the clock stands
};
