// The framework's DVD navigation as the engine sees it: the graph builder
// that renders a volume, the navigation commands and the navigation state,
// with their records and result codes.
#pragma once

#include "engine/Framework.h"

#include <QPoint>

#include <cstdint>
#include <memory>
#include <string>

using ULONG = std::uint32_t;
using BOOL = int;

inline constexpr HRESULT VFW_E_DVD_OPERATION_INHIBITED = static_cast<HRESULT>(0x80040276);
inline constexpr HRESULT VFW_E_DVD_INVALIDDOMAIN = static_cast<HRESULT>(0x80040277);

// Hours, minutes, seconds and frames, one byte each in that order.
struct DVD_HMSF_TIMECODE {
    std::uint8_t bHours = 0;
    std::uint8_t bMinutes = 0;
    std::uint8_t bSeconds = 0;
    std::uint8_t bFrames = 0;
};

// Time-code flags: the frame rate the frames count in.
inline constexpr ULONG DVD_TC_FLAG_25fps = 0x1;
inline constexpr ULONG DVD_TC_FLAG_30fps = 0x2;
inline constexpr ULONG DVD_TC_FLAG_DropFrame = 0x4;
inline constexpr ULONG DVD_TC_FLAG_Interpolated = 0x8;

struct DVD_PLAYBACK_LOCATION2 {
    ULONG TitleNum = 0;
    ULONG ChapterNum = 0;
    DVD_HMSF_TIMECODE TimeCode;
    ULONG TimeCodeFlags = 0;
};

enum DVD_DOMAIN {
    DVD_DOMAIN_FirstPlay = 1,
    DVD_DOMAIN_VideoManagerMenu = 2,
    DVD_DOMAIN_VideoTitleSetMenu = 3,
    DVD_DOMAIN_Title = 4,
    DVD_DOMAIN_Stop = 5,
};

enum DVD_MENU_ID {
    DVD_MENU_Title = 2,
    DVD_MENU_Root = 3,
    DVD_MENU_Subpicture = 4,
    DVD_MENU_Audio = 5,
    DVD_MENU_Angle = 6,
    DVD_MENU_Chapter = 7,
};

enum DVD_RELATIVE_BUTTON {
    DVD_Relative_Upper = 1,
    DVD_Relative_Lower = 2,
    DVD_Relative_Left = 3,
    DVD_Relative_Right = 4,
};

enum DVD_OPTION_FLAG {
    DVD_ResetOnStop = 1,
    DVD_NotifyParentalLevelChange = 2,
    DVD_HMSF_TimeCodeEvents = 3,
    DVD_AudioDuringFFwdRew = 4,
};

inline constexpr DWORD DVD_CMD_FLAG_None = 0;
inline constexpr DWORD DVD_CMD_FLAG_Flush = 1;

// User operations, bit n for operation n of the disc's program chains.
inline constexpr ULONG UOP_FLAG_Play_Title_Or_AtTime = 0x1;
inline constexpr ULONG UOP_FLAG_Play_Chapter = 0x2;
inline constexpr ULONG UOP_FLAG_Play_Title = 0x4;
inline constexpr ULONG UOP_FLAG_Stop = 0x8;
inline constexpr ULONG UOP_FLAG_ReturnFromSubMenu = 0x10;
inline constexpr ULONG UOP_FLAG_Play_Chapter_Or_AtTime = 0x20;
inline constexpr ULONG UOP_FLAG_PlayPrev_Or_Replay_Chapter = 0x40;
inline constexpr ULONG UOP_FLAG_PlayNext_Chapter = 0x80;
inline constexpr ULONG UOP_FLAG_Play_Forwards = 0x100;
inline constexpr ULONG UOP_FLAG_Play_Backwards = 0x200;
// Title menu; the root, subpicture, audio, angle and chapter menus follow.
inline constexpr ULONG UOP_FLAG_ShowMenu_Title = 0x400;
inline constexpr ULONG UOP_FLAG_Resume = 0x10000;
inline constexpr ULONG UOP_FLAG_Select_Or_Activate_Button = 0x20000;
inline constexpr ULONG UOP_FLAG_Select_Audio_Stream = 0x100000;
inline constexpr ULONG UOP_FLAG_Select_SubPic_Stream = 0x200000;
inline constexpr ULONG UOP_FLAG_Select_Angle = 0x400000;

// What rendering a volume achieved.
struct AM_DVD_RENDERSTATUS {
    HRESULT hrVPEStatus = S_OK;
    BOOL bDvdVolInvalid = 0;
    BOOL bDvdVolUnknown = 0;
    BOOL bNoLine21In = 0;
    BOOL bNoLine21Out = 0;
    int iNumStreams = 0;
    int iNumStreamsFailed = 0;
    DWORD dwFailedStreamsFlag = 0;
};

inline constexpr DWORD AM_DVD_HWDEC_PREFER = 0x01;

// What a title set says of its pictures.
struct DVD_VideoAttributes {
    ULONG ulAspectX = 0;
    ULONG ulAspectY = 0;
    ULONG ulSourceResolutionX = 0;
    ULONG ulSourceResolutionY = 0;
};

// A subpicture stream's description.
struct DVD_SubpictureAttributes {
    ULONG Type = 0;
    ULONG CodingMode = 0;
    ULONG Language = 0;
    ULONG LanguageExtension = 0;
};

class IDvdControl2 {
public:
    virtual ~IDvdControl2() = default;
    virtual HRESULT SetOption(DVD_OPTION_FLAG option, bool on) = 0;
    virtual HRESULT SelectDefaultMenuLanguage(DWORD language) = 0;
    virtual HRESULT SelectDefaultAudioLanguage(DWORD language, DWORD extension) = 0;
    virtual HRESULT SelectDefaultSubpictureLanguage(DWORD language, DWORD extension) = 0;
    virtual HRESULT PlayAtTime(const DVD_HMSF_TIMECODE& time, DWORD flags) = 0;
    // Chapter `chapter` (from 1) of the current title.
    virtual HRESULT PlayChapter(ULONG chapter, DWORD flags) = 0;
    virtual HRESULT PlayNextChapter(DWORD flags) = 0;
    virtual HRESULT PlayPrevChapter(DWORD flags) = 0;
    virtual HRESULT ReplayChapter(DWORD flags) = 0;
    virtual HRESULT PlayForwards(double speed, DWORD flags) = 0;
    virtual HRESULT PlayBackwards(double speed, DWORD flags) = 0;
    virtual HRESULT ShowMenu(DVD_MENU_ID menu, DWORD flags) = 0;
    virtual HRESULT Resume(DWORD flags) = 0;
    virtual HRESULT ReturnFromSubmenu(DWORD flags) = 0;
    virtual HRESULT SelectRelativeButton(DVD_RELATIVE_BUTTON direction) = 0;
    virtual HRESULT ActivateButton() = 0;
    // Points in picture coordinates.
    virtual HRESULT SelectAtPosition(QPoint point) = 0;
    virtual HRESULT ActivateAtPosition(QPoint point) = 0;
    virtual HRESULT SelectAudioStream(ULONG stream, DWORD flags) = 0;
    virtual HRESULT SelectSubpictureStream(ULONG stream, DWORD flags) = 0;
    virtual HRESULT SetSubpictureState(bool on, DWORD flags) = 0;
    virtual HRESULT SelectAngle(ULONG angle, DWORD flags) = 0;
};

class IDvdInfo2 {
public:
    virtual ~IDvdInfo2() = default;
    virtual HRESULT GetCurrentDomain(DVD_DOMAIN* domain) = 0;
    virtual HRESULT GetCurrentLocation(DVD_PLAYBACK_LOCATION2* location) = 0;
    virtual HRESULT GetTotalTitleTime(DVD_HMSF_TIMECODE* time, ULONG* timeCodeFlags) = 0;
    virtual HRESULT GetNumberOfChapters(ULONG title, ULONG* chapters) = 0;
    // The button under a point in picture coordinates; VFW_E_DVD_NO_BUTTON
    // when there is none.
    virtual HRESULT GetButtonAtPosition(QPoint point, ULONG* button) = 0;
    virtual HRESULT GetCurrentAudio(ULONG* available, ULONG* current) = 0;
    virtual HRESULT GetCurrentSubpicture(ULONG* available, ULONG* current, BOOL* disabled) = 0;
    virtual HRESULT GetCurrentAngle(ULONG* available, ULONG* current) = 0;
    // The stream's ISO 639 language code; fails when the disc names none.
    virtual HRESULT GetAudioLanguage(ULONG stream, std::string* code) = 0;
    virtual HRESULT GetSubpictureLanguage(ULONG stream, std::string* code) = 0;
    virtual HRESULT GetCurrentUOPS(ULONG* prohibited) = 0;
    virtual HRESULT GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attributes) = 0;
    virtual HRESULT GetCurrentVideoAttributes(DVD_VideoAttributes* attributes) = 0;
};

class IDvdGraphBuilder {
public:
    virtual ~IDvdGraphBuilder() = default;
    // `path` (UTF-8) is a VIDEO_TS folder, a disc image or a drive. Any thread.
    virtual HRESULT RenderDvdVideoVolume(const std::string& path, DWORD flags,
                                         AM_DVD_RENDERSTATUS* status) = 0;
};

// A DVD graph by each of its faces, all one object.
struct DvdGraph {
    std::shared_ptr<IFilterGraph> graph;
    std::shared_ptr<IDvdGraphBuilder> builder;
    std::shared_ptr<IDvdControl2> control;
    std::shared_ptr<IDvdInfo2> info;
    explicit operator bool() const { return graph != nullptr; }
};

// A new, empty DVD graph.
DvdGraph CreateDvdGraph();
