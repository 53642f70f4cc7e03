// The engine for DVD-Video: renders a disc folder or image through the DVD
// graph builder and adds menus, buttons, chapters and DVD time codes.
#pragma once

#include "engine/CMediaPlayer.h"
#include "engine/DvdFramework.h"
#include "engine/DvdOpening.h"

#include <QPoint>
#include <QRect>

#include <memory>
#include <string>

class CDvdPlayer : public CMediaPlayer {
public:
    // Arguments as CFilePlayer's; `path` (UTF-8) names a VIDEO_TS folder,
    // the folder holding one, a disc image or a drive. Renders it here and now.
    CDvdPlayer(const QRect& videoRect, QStringList* report, QObject* owner, const std::string& path,
               UINT timerId, UINT timerInterval, COLORREF borderColour);
    // The same for a volume rendered elsewhere (velvaro::engine::DvdOpening).
    CDvdPlayer(const QRect& videoRect, QStringList* report, QObject* owner,
               velvaro::engine::RenderedDvd rendered, UINT timerId, UINT timerInterval,
               COLORREF borderColour);
    ~CDvdPlayer() override;

    // Why the volume did not render.
    std::string GetRenderErrorText() const;
    // 0 when the disc graph is usable.
    HRESULT GetRenderStatus() const;

    // Points in the owner's video window coordinates.
    HRESULT SelectAtPosition(QPoint point);
    HRESULT ActivateAtPosition(QPoint point);
    bool NoButtonAtPosition(QPoint point);
    // 0 when there is no button there.
    ULONG GetButtonAtPosition(QPoint point);
    // 1 upper, 2 lower, 3 left, 4 right.
    HRESULT SelectRelativeButton(int direction);
    HRESULT ActivateButton();
    // 2 title, 3 root, 4 subpicture, 5 audio, 6 angle, 7 chapter.
    HRESULT ShowMenu(int menu);
    HRESULT ReturnFromSubmenu();
    HRESULT Resume();
    HRESULT PlayNextChapter();
    HRESULT PlayPrevChapter();
    HRESULT ReplayChapter();
    ULONG GetCurrentUOPs();
    HRESULT SetSubpictureState(bool on);
    void UpdateCurrentAngle();
    // Bit 0: the disc has no subpictures here; bit 3: it prohibits choosing
    // them. 0 when the navigator cannot say.
    ULONG GetSubpictureFlags();

    LONGLONG GetCurrentFrame() override;
    // Forwards only, and only in a title: menus are still pictures and the
    // navigator seeks in whole seconds.
    HRESULT StepFrame(bool forwards) override;
    HRESULT SetPosition(int position) override;
    // A disc's time seeks go through its navigation, which has no quick
    // kind: a dragged thumb seeks when it rests.
    HRESULT ScrubTo(int) override { return E_NOTIMPL; }
    int GetDuration() override;
    int GetPosition() override;
    HRESULT GetPreferredAspectRatio(long* x, long* y) override;
    HRESULT GetNativeVideoSize(long* width, long* height) override;
    int GetStreamCount(int kind) override;
    HRESULT GetStreamName(int index, MajorType* extra, int* flags, int* kind, std::string* name,
                          LONGLONG* start) override;
    HRESULT SelectStream(int index, int kind) override;
    HRESULT SetRate(double rate) override;
    double GetRate() override { return rate; }
    std::string GetFileName() override { return fileName; }

private:
    void TakeVolume(velvaro::engine::RenderedDvd rendered);
    QPoint ToPicture(QPoint point);

    int currentAngle = 1;
    HRESULT renderResult = S_OK;
    HRESULT interfaceResult = S_OK;
    AM_DVD_RENDERSTATUS renderStatus;
    QObject* owner;
    UINT clockTimer = 0;
    std::shared_ptr<IDvdControl2> dvdControl;
    std::shared_ptr<IDvdInfo2> dvdInfo;
    DvdGraph dvd;
    double rate = 1.0;
};
