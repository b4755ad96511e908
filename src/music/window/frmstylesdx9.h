#pragma once
// frmStylesDX9: the style player. It composes the background music from the
// styles and chord maps of the media folder, plays it behind the game, lets
// the listener choose style, band, chord map, shape and length, lays motifs
// over the music and shows bar, beat and progress from the service's notices.
//
// Every handler runs on the UI thread. Routines that can fail catch their own
// errors and report them in a message box; routines without a report of their
// own let errors travel to the routine that called them.

#include "music/engine/musicservice.h"
#include "music/window/windowsupport.h"

#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace lumbrast::musicwindow {

namespace mus = lumbrast::music;

inline constexpr const char *kErrorTitle = "MuVoTre";
inline constexpr const char *kPlayerTitle =
    QT_TRANSLATE_NOOP("lumbrast::musicwindow::frmStylesDX9", "MuVoTre - Style Player");
inline constexpr const char *kCaption = kPlayerTitle;

// Errors the window raises itself (the music service raises mus::MusicError).
class WindowError : public std::runtime_error {
public:
    WindowError(std::int32_t number, const std::string &description)
        : std::runtime_error(description), number_(number) {}
    std::int32_t number() const noexcept { return number_; }

private:
    std::int32_t number_;
};

inline constexpr std::int32_t kErrInvalidValue = 380; // "Invalid property value"
inline constexpr std::int32_t kErrOverflow = 6;       // "Overflow"
inline constexpr std::int32_t kErrNoObject = 91;      // "Object variable not set"
inline constexpr std::int32_t kErrSubscript = 9;      // "Subscript out of range"

// What the window needs from outside; empty members take the real thing.
struct MusicWindowEnv {
    std::shared_ptr<MessageBoxes> messages;         // QtMessageBoxes
    std::shared_ptr<RandomSource> random;           // ClockRandom
    std::function<void()> beep;                     // QApplication::beep
    std::function<void(const QString &)> errorLine; // one line on standard error
    QString mediaFolder;                            // DefaultMediaFolder(); must end with "/"
    mus::AudioParams audio;                         // handed to InitAudio (channels become 128)
};

struct MotifRecord {
    mus::SegmentPtr Segment;
    QString Name;
};

class Follower;

class frmStylesDX9 : public QWidget {
    Q_OBJECT

public:
    // gameWindow: the window whose top-left corner this one covers; it also
    // owns this one (a window of its own on top of it).
    explicit frmStylesDX9(QWidget *gameWindow, MusicWindowEnv env = {});
    ~frmStylesDX9() override;

    // The window's start-up: lists, service, first choice, music. On failure
    // it reports, unloads itself and returns false.
    bool Form_Load();
    // Unloaded: the service is released and the window deletes itself later.
    bool isUnloaded() const { return unloaded_; }

    // ---- handlers, in the order the listener meets them
    void FillStyleList();
    void FillChordmapList();
    std::optional<int> FindDefaultStyle() const;
    void cboStyles_Click();
    void Get_Bands();
    void lstBands_Click();
    void ChangeBandStyle();
    void Get_Motifs();
    void hscTempoSty_Change();
    void CreateSegment();
    void ReCompose();
    void cmdRecompose_Click();
    void cboChordMap_Click();
    void cboShape_Click();
    void txtComposeLength_Change();
    // Plays, stops: errors travel to the caller (no report of their own).
    void cmdPlaySegment_Click();
    void cmdStopSegment_Click();
    void cmdPlayMotif_Click();
    void cmdHide_Click();
    void cmdOK_Click();
    void ClearPlayCounters();
    void ResetPlayCounters();
    void ShowPlayProgress(const QString &text);
    void DirectXEvent8_DXCallback(int eventid);
    // Answers the game's moments in the music (Music > "Follow the game").
    Follower &follower();

    // Selecting from code runs the list's click handler, as a click does.
    void selectStyle(int row) { selectRow(cboStyles, row, &frmStylesDX9::cboStyles_Click); }
    void selectChordMap(int row) { selectRow(cboChordMap, row, &frmStylesDX9::cboChordMap_Click); }
    void selectShape(int row) { selectRow(cboShape, row, &frmStylesDX9::cboShape_Click); }
    void selectBand(int row) { selectRow(lstBands, row, &frmStylesDX9::lstBands_Click); }
    // Moves a combo box or list (view) to row without its change signal, then
    // runs its handler; a row out of range is an invalid value.
    void selectRow(QWidget *view, int row, void (frmStylesDX9::*clicked)());

    // ---- controls
    QGroupBox *fraStyleInfo = nullptr;
    QGroupBox *fraPlaySegment = nullptr;
    QComboBox *cboStyles = nullptr;
    QLineEdit *txtStyleFileName = nullptr;
    QListWidget *lstBands = nullptr;
    QLabel *lblStyleTempoValue = nullptr;
    QSlider *hscTempoSty = nullptr;
    QLabel *lblStyleTimeSigValue = nullptr;
    QComboBox *cboChordMap = nullptr;
    QComboBox *cboShape = nullptr;
    QLineEdit *txtComposeLength = nullptr;
    QCheckBox *chkComposeIntro = nullptr;
    QCheckBox *chkComposeEnd = nullptr;
    QPushButton *cmdRecompose = nullptr;
    QPushButton *cmdHide = nullptr;
    QPushButton *cmdStopSegment = nullptr;
    QPushButton *cmdPlaySegment = nullptr;
    QPushButton *cmdPlayMotif = nullptr;
    QListWidget *lstMotifs = nullptr;
    QRadioButton *optDefault = nullptr;
    QRadioButton *optImmediate = nullptr;
    QRadioButton *optGrid = nullptr;
    QRadioButton *optBeat = nullptr;
    QRadioButton *optMeasure = nullptr;
    QLabel *lblSegBarValue = nullptr;
    QLabel *lblSegBeatValue = nullptr;
    QLabel *lblPlayProgress = nullptr;
    QLabel *lblAudioStatus = nullptr; // shown only while the music plays without sound
    QPushButton *cmdOK = nullptr;     // hidden; the game window presses it

    // ---- music service objects and window state
    std::shared_ptr<mus::Performance> Perf;
    std::shared_ptr<mus::Loader> Loader;
    std::shared_ptr<mus::Composer> Composer;
    std::shared_ptr<mus::NotificationEvent> NotifyEvent;
    mus::StylePtr CurStyle;
    mus::BandPtr CurBand;
    mus::SegmentPtr BandSegment;
    mus::ChordMapPtr CurChordMap;
    mus::SegmentPtr MainSegment;
    std::vector<MotifRecord> MotifTable;
    QString MediaFolder;

    std::int32_t StyleTempo = 0;
    mus::TimeSignature StyleTimeSig;
    std::int16_t ComposeIntro = 0; // flags: -1 true, 0 false
    std::int16_t ComposeEnd = 0;
    std::int16_t ComposeMeasures = 0;
    std::int32_t BeatInMeasure = 0;
    std::int32_t BeatNumber = 0;
    std::int32_t BarNumber = 0;

signals:
    // The window has been unloaded and will be deleted.
    void unloaded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Paint();
    void Form_Unload();
    void RoundMusicWindow();
    void RoundMusicControls();
    void InitialChoice();
    void ShowAudioStatus();
    void Unload();
    void setSliderValue(int value);
    // Stops the music if it plays, runs change, then starts it unless change did.
    void restartAround(const std::function<void()> &change);
    // Runs body; any error is shown as the window's error message with tag.
    bool guarded(const char *tag, const std::function<void()> &body,
                 BoxIcon icon = BoxIcon::Critical);
    void showError(std::int32_t number, const QString &description, const QString &tag,
                   BoxIcon icon);
    void handleNotice(const mus::NotificationPMSG &msg);
    std::string mediaPath(const QString &name) const;
    void beep();

    QPointer<QWidget> gameWindow_;
    MusicWindowEnv env_;
    int bandRowAtPress_ = -1; // lstBands' highlighted row when the mouse went down
    bool unloaded_ = false;
    bool inCallback_ = false;
    std::unique_ptr<Follower> follower_;
};

// How an error is shown: number and description.
struct ErrorInfo {
    std::int32_t number = 0;
    QString description;
};
// The error in flight (call inside a catch block).
ErrorInfo CurrentError();

} // namespace lumbrast::musicwindow
