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
    if (Prepared(path)) {
        // Already playing when the one before has ended.
        std::unique_ptr<CFilePlayer> engine = std::move(prepared_);
        DropPrepared();
        session_.Adopt(std::move(engine));
        session_.FilePlayer()->StartClock(ID_Clock_Timer, kClockPeriodMs);
        Q_EMIT opened(path);
        return;
    }
    DropPrepared();
    file_ = std::make_unique<velvaro::engine::FileOpening>(path.toStdString(), this,
                                                           [this] { OnFileRendered(); });
}

void MediumOpener::Prepare(const QString& path, int volume, int balance) {
    if (path == preparedPath_ && (preparing_ || prepared_)) {
        return;
    }
    DropPrepared();
    preparedPath_ = path;
    preparedVolume_ = volume;
    preparedBalance_ = balance;
    preparing_ = std::make_unique<velvaro::engine::FileOpening>(path.toStdString(), this,
                                                                [this] { OnPreparedRendered(); });
}

void MediumOpener::DropPrepared() {
    if (CFilePlayer* playing = session_.FilePlayer()) {
        playing->PlayNextAtEnd(nullptr);
    }
    preparing_.reset();
    prepared_.reset();
    preparedPath_.clear();
}

bool MediumOpener::Prepared(const QString& path) const {
    return prepared_ && path == preparedPath_;
}

// No clock of its own until its turn: the open engine's runs on the same
// timer. One that does not open is left for its turn to say why, and a film
// with a companion sound file for its turn to add it.
void MediumOpener::OnPreparedRendered() {
    const std::unique_ptr<velvaro::engine::FileOpening> file = std::move(preparing_);
    const Host host = host_ ? host_() : Host{};
    auto engine =
        std::make_unique<CFilePlayer>(host.videoArea, nullptr, &session_.Events(), file->Path(),
                                      file->TakeGraph(), file->Result(), 0, 0, host.border);
    CFilePlayer* playing = session_.FilePlayer();
    if (FAILED(engine->GetOpenResult()) || !playing ||
        (engine->HasVideo() == S_OK && !CompanionSoundTrack(preparedPath_).isEmpty())) {
        preparedPath_.clear();
        return;
    }
    if (engine->HasAudio() == S_OK) {
        engine->SetVolume(preparedVolume_);
        engine->SetBalance(preparedBalance_);
    }
    prepared_ = std::move(engine);
    playing->PlayNextAtEnd(prepared_.get());
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
