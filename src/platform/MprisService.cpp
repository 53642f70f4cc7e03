#include "platform/MprisService.h"

#include "platform/MprisAdaptors.h"
#include "platform/NetworkAddress.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// RequestName's flag and answers.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;

QString StatusText(RemoteState::Status status) {
    switch (status) {
        case RemoteState::Status::kPlaying:
            return QStringLiteral("Playing");
        case RemoteState::Status::kPaused:
            return QStringLiteral("Paused");
        case RemoteState::Status::kStopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QString TrackIdOf(const RemoteState& state) {
    if (!state.open) {
        return kNoTrack;
    }
    return QStringLiteral("/org/mpris/MediaPlayer2/velvaro/track/%1").arg(state.medium);
}

QVariantMap MetadataOf(const RemoteState& state) {
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackIdOf(state)))}};
    if (!state.open) {
        return metadata;
    }
    if (state.lengthUs > 0) {
        metadata.insert(QStringLiteral("mpris:length"),
                        QVariant::fromValue(qlonglong{state.lengthUs}));
    }
    if (!state.title.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:title"), state.title);
    }
    if (!state.url.isEmpty()) {
        metadata.insert(QStringLiteral("xesam:url"), state.url);
    }
    return metadata;
}

// The player's properties that follow the state, each with how it reads.
struct StateProperty {
    const char* name;
    QVariant (*read)(const RemoteState&);
};

const StateProperty kStateProperties[] = {
    {"PlaybackStatus", [](const RemoteState& s) { return QVariant(StatusText(s.status)); }},
    {"Rate", [](const RemoteState& s) { return QVariant(s.rate); }},
    {"MinimumRate", [](const RemoteState& s) { return QVariant(s.minimumRate); }},
    {"MaximumRate", [](const RemoteState& s) { return QVariant(s.maximumRate); }},
    {"Volume", [](const RemoteState& s) { return QVariant(s.volume); }},
    {"CanGoNext", [](const RemoteState& s) { return QVariant(s.canGoNext); }},
    {"CanGoPrevious", [](const RemoteState& s) { return QVariant(s.canGoPrevious); }},
    {"CanPlay", [](const RemoteState& s) { return QVariant(s.canPlay); }},
    {"CanPause", [](const RemoteState& s) { return QVariant(s.canPause); }},
    {"CanSeek", [](const RemoteState& s) { return QVariant(s.canSeek); }},
};

}  // namespace

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(*service) {}

void MprisRootAdaptor::Raise() {
    service_.Remote().RemoteRaise();
}

void MprisRootAdaptor::Quit() {
    service_.Remote().RemoteQuit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(*service) {}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return StatusText(service_.State().status);
}

double MprisPlayerAdaptor::Rate() const {
    return service_.State().rate;
}

// Zero stands for a pause; other rates are kept within the published range.
void MprisPlayerAdaptor::SetRate(double rate) {
    const RemoteState& state = service_.State();
    if (!std::isfinite(rate) || !state.open) {
        return;
    }
    if (rate <= 0) {
        service_.Remote().RemotePause();
        return;
    }
    service_.Remote().RemoteSetRate(std::clamp(rate, state.minimumRate, state.maximumRate));
}

double MprisPlayerAdaptor::MinimumRate() const {
    return service_.State().minimumRate;
}

double MprisPlayerAdaptor::MaximumRate() const {
    return service_.State().maximumRate;
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    return MetadataOf(service_.State());
}

double MprisPlayerAdaptor::Volume() const {
    return service_.State().volume;
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    if (std::isfinite(volume) && service_.State().open) {
        service_.Remote().RemoteSetVolume(std::clamp(volume, 0.0, 1.0));
    }
}

qlonglong MprisPlayerAdaptor::Position() const {
    return service_.State().open ? service_.Remote().RemotePosition() : 0;
}

bool MprisPlayerAdaptor::CanGoNext() const {
    return service_.State().canGoNext;
}

bool MprisPlayerAdaptor::CanGoPrevious() const {
    return service_.State().canGoPrevious;
}

bool MprisPlayerAdaptor::CanPlay() const {
    return service_.State().canPlay;
}

bool MprisPlayerAdaptor::CanPause() const {
    return service_.State().canPause;
}

bool MprisPlayerAdaptor::CanSeek() const {
    return service_.State().canSeek;
}

void MprisPlayerAdaptor::Next() {
    if (CanGoNext()) {
        service_.Remote().RemoteNext();
    }
}

void MprisPlayerAdaptor::Previous() {
    if (CanGoPrevious()) {
        service_.Remote().RemotePrevious();
    }
}

void MprisPlayerAdaptor::Pause() {
    if (CanPause()) {
        service_.Remote().RemotePause();
    }
}

void MprisPlayerAdaptor::PlayPause() {
    if (CanPause() || CanPlay()) {
        service_.Remote().RemotePlayPause();
    }
}

void MprisPlayerAdaptor::Stop() {
    if (service_.State().open) {
        service_.Remote().RemoteStop();
    }
}

void MprisPlayerAdaptor::Play() {
    if (CanPlay()) {
        service_.Remote().RemotePlay();
    }
}

// Past the end is the next track; before the start is the start.
void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    if (!CanSeek()) {
        return;
    }
    const std::int64_t target = Position() + Offset;
    if (target > service_.State().lengthUs) {
        Next();
        return;
    }
    service_.Remote().RemoteSetPosition(std::max<std::int64_t>(0, target));
}

// Ignored for another track or outside this one, as the interface asks.
void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    if (!CanSeek() || TrackId.path() != service_.TrackId() || Position < 0 ||
        Position > service_.State().lengthUs) {
        return;
    }
    service_.Remote().RemoteSetPosition(Position);
}

void MprisPlayerAdaptor::OpenUri(const QString& Uri) {
    if (QUrl(Uri).isLocalFile() || velvaro::platform::IsNetworkAddress(Uri)) {
        service_.Remote().RemoteOpenUri(Uri);
    }
}

MprisService::MprisService(MediaRemote& remote, QObject* parent)
    : MprisService(remote, QDBusConnection::sessionBus(), parent) {}

MprisService::MprisService(MediaRemote& remote, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), remote_(remote), bus_(std::make_unique<QDBusConnection>(bus)) {
    new MprisRootAdaptor(this);
    player_ = new MprisPlayerAdaptor(this);
}

MprisService::~MprisService() {
    if (!registered_) {
        return;
    }
    bus_->unregisterObject(QString::fromLatin1(kObjectPath));
    if (!serviceName_.isEmpty()) {
        // Not waiting for the bus on the way out: the name goes with the
        // connection at exit anyway.
        bus_->interface()->asyncCall(QStringLiteral("ReleaseName"), serviceName_);
    }
}

bool MprisService::Start() {
    if (registered_ || !bus_->isConnected()) {
        return registered_;
    }
    if (!bus_->registerObject(QString::fromLatin1(kObjectPath), this,
                              QDBusConnection::ExportAdaptors)) {
        return false;
    }
    registered_ = true;
    RequestName(QString::fromLatin1(kBaseName), true);
    return true;
}

// A name already taken (a second window) falls back once to a name of this
// process's own.
void MprisService::RequestName(const QString& name, bool fallBack) {
    const QDBusPendingCall call =
        bus_->interface()->asyncCall(QStringLiteral("RequestName"), name, kDoNotQueue);
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, name, fallBack](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isError()) {
                    return;
                }
                if (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner) {
                    serviceName_ = name;
                    Q_EMIT NameGranted(name);
                } else if (fallBack) {
                    RequestName(QStringLiteral("%1.instance%2")
                                    .arg(QString::fromLatin1(kBaseName))
                                    .arg(QCoreApplication::applicationPid()),
                                false);
                }
            });
}

QString MprisService::TrackId() const {
    return TrackIdOf(state_);
}

void MprisService::Publish(const RemoteState& state) {
    if (state == state_) {
        return;
    }
    const RemoteState before = std::exchange(state_, state);
    QVariantMap changed;
    for (const StateProperty& property : kStateProperties) {
        const QVariant now = property.read(state_);
        if (property.read(before) != now) {
            changed.insert(QString::fromLatin1(property.name), now);
        }
    }
    const QVariantMap metadata = MetadataOf(state_);
    if (MetadataOf(before) != metadata) {
        changed.insert(QStringLiteral("Metadata"), metadata);
    }
    EmitChanged(kPlayerInterface, changed);
}

void MprisService::NotifySeeked(std::int64_t positionUs) {
    if (registered_) {
        Q_EMIT player_->Seeked(positionUs);
    }
}

void MprisService::EmitChanged(const QString& interface, const QVariantMap& changed) {
    if (!registered_ || changed.isEmpty()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    bus_->send(signal);
}
