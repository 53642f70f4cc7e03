// The window as a media player on the session bus, and the media keys: both
// do what the window's own buttons, sliders and speed commands do.
#pragma once

#include "platform/MprisService.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

class WindowMenus;
struct WindowOpens;
struct ViewParts;

class WindowRemote : public QObject, public MediaRemote {
public:
    // The toolbar's buttons are what a remote can press; `holdsInput` says
    // when an open or the playback delay's countdown holds input back.
    WindowRemote(const ViewParts& parts, const WindowMenus& menus, const WindowOpens& opens,
                 std::function<bool()> holdsInput);
    ~WindowRemote() override;

    // After the window's key filter, so the media keys are heard before it
    // drops them; then on the session bus, when there is one.
    void Start();
    // A new medium is about to open: a new track even for the same file.
    void OnOpening();
    // Publishes the state as it is now; nothing goes out when nothing changed.
    void Refresh();

    void RemotePlay() override;
    void RemotePause() override;
    void RemotePlayPause() override;
    void RemoteStop() override;
    void RemoteNext() override;
    void RemotePrevious() override;
    void RemoteRaise() override;
    void RemoteQuit() override;
    void RemoteSetPosition(std::int64_t positionUs) override;
    void RemoteOpenUri(const QString& uri) override;
    void RemoteSetRate(double rate) override;
    void RemoteSetVolume(double volume) override;
    std::int64_t RemotePosition() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs `action` as the window runs input: not while a medium opens.
    void Run(std::function<void()> action);
    // A toolbar button's command, only while the button can be clicked.
    void Click(int buttonId);
    RemoteState Current() const;
    // The clock's tick: what changed without a title change (the buttons),
    // and jumps of the position.
    void OnClockTick();

    const ViewParts& parts_;
    const WindowMenus& menus_;
    const WindowOpens& opens_;
    std::function<bool()> holdsInput_;
    bool started_ = false;
    // Null before Start, and after it when there is no session bus.
    std::unique_ptr<MprisService> service_;
    int medium_ = 0;
    // Where the last tick found the medium and how fast it went, to tell
    // jumps from playback.
    std::int64_t lastPositionUs_ = -1;
    double lastRate_ = 0;
    QElapsedTimer sinceLastTick_;
};
