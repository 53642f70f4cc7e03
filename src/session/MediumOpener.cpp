#include "session/MediumOpener.h"

#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "engine/DvdOpening.h"
#include "engine/FileOpening.h"
#include "resource.h"
#include "session/PlayerSession.h"

#include <QFileInfo>

MediumOpener::MediumOpener(PlayerSession& session) : session_(session) {}

MediumOpener::~MediumOpener() = default;

QString MediumOpener::CompanionSoundTrack(const QString& filmPath) {
    const QFileInfo info(filmPath);
    const QString stem = info.path() + u'/' + info.completeBaseName();
    for (const char* extension : {".wav", ".wma", ".mp3"}) {
        const QString candidate = stem + QString::fromLatin1(extension);
        if (QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

void MediumOpener::OpenSoundTrack(const QString& path) {
    CancelSoundTrack();
    session_.FilePlayer()->HoldFilmSound(true);
    soundTrack_ = std::make_unique<velvaro::engine::FileOpening>(
        path.toStdString(), this, [this] { OnSoundTrackRendered(); });
}

void MediumOpener::CancelSoundTrack() {
    if (soundTrack_ && session_.FilePlayer()) {
        session_.FilePlayer()->HoldFilmSound(false);
    }
    soundTrack_.reset();
}

// A file that is no sound takes the film's sound track away.
void MediumOpener::OnSoundTrackRendered() {
    const std::unique_ptr<velvaro::engine::FileOpening> track = std::move(soundTrack_);
    std::shared_ptr<IFilterGraph> probe = track->TakeGraph();
    const bool sound = probe && CFilePlayer::IsSoundTrack(*probe, track->Result());
    // The checked file's graph stops off this thread too.
    velvaro::engine::StartOpeningThread([probe = std::move(probe)]() mutable { probe.reset(); });
    bool added = false;
    if (CFilePlayer* film = session_.FilePlayer()) {
        if (sound) {
            added = film->AddExternalAudio(track->Path());
        } else {
            film->RemoveExternalAudio();
        }
        film->HoldFilmSound(false);
    }
    Q_EMIT soundTrackSettled(added);
}

void MediumOpener::Cancel() {
    file_.reset();
    dvd_.reset();
}

void MediumOpener::OpenFile(const QString& path) {
    Cancel();
    file_ = std::make_unique<velvaro::engine::FileOpening>(path.toStdString(), this,
                                                           [this] { OnFileRendered(); });
}

void MediumOpener::OpenDvd(const QString& path) {
    Cancel();
    dvd_ = std::make_unique<velvaro::engine::DvdOpening>(path.toStdString(), this,
                                                         [this] { OnDvdRendered(); });
}

// The engine comes to the session only once it has something to play: a
// file with neither picture nor sound is a failed open.
void MediumOpener::OnFileRendered() {
    const std::unique_ptr<velvaro::engine::FileOpening> file = std::move(file_);
    const QString path = QString::fromStdString(file->Path());
    const Host host = host_ ? host_() : Host{};
    auto engine = std::make_unique<CFilePlayer>(host.videoArea, nullptr, &session_.Events(),
                                                file->Path(), file->TakeGraph(), file->Result(),
                                                ID_Clock_Timer, kClockPeriodMs, host.border);
    if (FAILED(engine->GetOpenResult()) && engine->HasVideo() != S_OK &&
        engine->HasAudio() != S_OK) {
        const QString reason = QString::fromStdString(engine->GetErrorText());
        engine.reset();
        Q_EMIT failed(path, reason);
        return;
    }
    session_.Adopt(std::move(engine));
    Q_EMIT opened(path);
}

void MediumOpener::OnDvdRendered() {
    const std::unique_ptr<velvaro::engine::DvdOpening> dvd = std::move(dvd_);
    const QString path = QString::fromStdString(dvd->Path());
    const Host host = host_ ? host_() : Host{};
    auto engine = std::make_unique<CDvdPlayer>(host.videoArea, nullptr, &session_.Events(),
                                               dvd->TakeRendered(), ID_Clock_Timer, kClockPeriodMs,
                                               host.border);
    if (engine->GetRenderStatus() != 0) {
        const QString reason = QString::fromStdString(engine->GetRenderErrorText());
        engine.reset();
        Q_EMIT failed(path, reason);
        return;
    }
    session_.Adopt(std::move(engine));
    Q_EMIT opened(path);
}
