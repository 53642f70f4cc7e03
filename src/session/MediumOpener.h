// Opening a file or a disc: the engine is built and prerolled off the UI
// thread, and once it has settled the session either holds the new engine
// (opened) or says why there is none (failed). A new open or a cancel drops
// one under way at once, and its answer never comes.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class CFilePlayer;
class PlayerSession;

// How often the clock timer moves the position bar and the time. Standing
// still it has nothing to move and stops, so a paused player never wakes.
inline constexpr unsigned kClockPeriodMs = 250;
namespace velvaro::engine {
class DvdOpening;
class FileOpening;
}  // namespace velvaro::engine

class MediumOpener : public QObject {
    Q_OBJECT

public:
    // Where the engine's picture goes, asked once the engine is made.
    struct Host {
        QRect videoArea;
        std::uint32_t border = 0;
    };

    explicit MediumOpener(PlayerSession& session);
    ~MediumOpener() override;

    void SetHost(std::function<Host()> host) { host_ = std::move(host); }
    void OpenFile(const QString& path);
    // A DVD volume: a VIDEO_TS folder, a folder holding one, an image or a
    // drive's device.
    void OpenDvd(const QString& path);
    // Drops a file's or a disc's open under way; a sound track's and a
    // prepared one stay.
    void Cancel();
    // Opens the file that comes next (a playlist's next item) while the open
    // medium plays, paused at its start at `volume` and `balance`; once both
    // are there it plays from the moment the open file ends, and OpenFile of
    // the same path takes it over at once. Another path drops it first.
    void Prepare(const QString& path, int volume, int balance);
    void DropPrepared();
    // An engine prepared for `path` is there.
    bool Prepared(const QString& path) const;
    // A separate sound track for the open film, checked off this thread;
    // the film plays without its own sound meanwhile, as it will after.
    void OpenSoundTrack(const QString& path);
    void CancelSoundTrack();
    bool Busy() const { return file_ || dvd_ || soundTrack_; }
    bool OpeningSoundTrack() const { return soundTrack_ != nullptr; }
    // A sound file of the same name beside a film; empty when there is none.
    static QString CompanionSoundTrack(const QString& filmPath);

Q_SIGNALS:
    // The session holds the medium's engine now.
    void opened(const QString& path);
    void failed(const QString& path, const QString& reason);
    // The sound track opened and plays in place of the film's sound, or it
    // did not and the film has no sound track.
    void soundTrackSettled(bool added);

private:
    void OnFileRendered();
    void OnDvdRendered();
    void OnSoundTrackRendered();
    void OnPreparedRendered();

    PlayerSession& session_;
    std::function<Host()> host_;
    std::unique_ptr<velvaro::engine::FileOpening> file_;
    std::unique_ptr<velvaro::engine::DvdOpening> dvd_;
    std::unique_ptr<velvaro::engine::FileOpening> soundTrack_;
    std::unique_ptr<velvaro::engine::FileOpening> preparing_;
    std::unique_ptr<CFilePlayer> prepared_;
    QString preparedPath_;
    int preparedVolume_ = 0;
    int preparedBalance_ = 0;
};
