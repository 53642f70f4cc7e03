// The player as a remote-controllable media player on the session bus, for
// desktop media keys, panels and tools that speak the common media player
// interfaces. Without a session bus it does nothing.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

// What a remote control may ask of the player. Called on the UI thread from
// the event loop, never from inside Publish.
class MediaRemote {
public:
    virtual ~MediaRemote() = default;
    virtual void RemotePlay() = 0;
    virtual void RemotePause() = 0;
    virtual void RemotePlayPause() = 0;
    virtual void RemoteStop() = 0;
    virtual void RemoteNext() = 0;
    virtual void RemotePrevious() = 0;
    virtual void RemoteRaise() = 0;
    virtual void RemoteQuit() = 0;
    // Positions in microseconds, within the medium's length.
    virtual void RemoteSetPosition(std::int64_t positionUs) = 0;
    virtual void RemoteOpenUri(const QString& uri) = 0;
    // Between the published minimum and maximum rate.
    virtual void RemoteSetRate(double rate) = 0;
    // 0 to 1.
    virtual void RemoteSetVolume(double volume) = 0;
    virtual std::int64_t RemotePosition() const = 0;
};

// What the player shows; the service tells the bus only what changed.
struct RemoteState {
    enum class Status { kStopped, kPaused, kPlaying };
    Status status = Status::kStopped;
    // Grows with every medium opened, so a medium opened again is a new track.
    int medium = 0;
    bool open = false;
    QString title;
    QString url;
    std::int64_t lengthUs = 0;
    double rate = 1.0;
    double minimumRate = 1.0;
    double maximumRate = 1.0;
    double volume = 0.0;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    bool operator==(const RemoteState&) const = default;
};

class MprisPlayerAdaptor;
class QDBusConnection;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kBaseName = "org.mpris.MediaPlayer2.velvaro";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // On the session bus.
    explicit MprisService(MediaRemote& remote, QObject* parent = nullptr);
    MprisService(MediaRemote& remote, const QDBusConnection& bus, QObject* parent = nullptr);
    ~MprisService() override;

    // Puts the object on the bus and asks for the name without waiting for
    // the answer; false when there is no bus.
    bool Start();
    // The name the bus granted; empty while none is granted.
    QString ServiceName() const { return serviceName_; }

    void Publish(const RemoteState& state);
    // The position jumped (a seek, not the steady advance of playback).
    void NotifySeeked(std::int64_t positionUs);

    const RemoteState& State() const { return state_; }
    MediaRemote& Remote() const { return remote_; }
    // The object path of the current track.
    QString TrackId() const;

Q_SIGNALS:
    void NameGranted(const QString& name);

private:
    void RequestName(const QString& name, bool fallBack);
    void EmitChanged(const QString& interface, const QVariantMap& changed);

    MediaRemote& remote_;
    std::unique_ptr<QDBusConnection> bus_;
    RemoteState state_;
    QString serviceName_;
    bool registered_ = false;
    MprisPlayerAdaptor* player_ = nullptr;  // owned by this object as Qt child
};
