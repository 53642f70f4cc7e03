// The film under the pointer on the position bar: a small popup above the
// pointer with the picture there and its time, from the engine's previews
// of the open file. None for sound alone and for discs; gone when the
// pointer leaves the bar, the medium closes or fullscreen comes or goes.
#pragma once

#include "engine/FramePreviews.h"
#include "ui/ViewParts.h"

#include <QObject>
#include <QPoint>

#include <memory>

class CMediaPlayer;
class QLabel;
class QWidget;
struct PlayerState;

class PositionPreview : public QObject {
public:
    explicit PositionPreview(ViewParts parts);
    ~PositionPreview() override;

    // Follows the pointer over the position bar, once the bars are made.
    void Attach();
    void Hide();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // `x` on the position bar, `global` the pointer on the screen.
    void Hover(int x, QPoint global);
    // Previews of the open medium; null when it can have none.
    velvaro::engine::FramePreviews* Previews();
    void OnPicture(const velvaro::engine::FramePreview& preview);
    void Place();
    void OnStateChanged(const PlayerState& now, const PlayerState& before);

    ViewParts parts_;
    QWidget* popup_ = nullptr;  // the window's child, a tool tip of its own
    QLabel* picture_ = nullptr;
    QLabel* time_ = nullptr;
    std::unique_ptr<velvaro::engine::FramePreviews> previews_;
    const CMediaPlayer* previewsOf_ = nullptr;
    bool previewsRefused_ = false;  // the medium has none
    QPoint pointer_;
    bool hovering_ = false;
};
