#include "app/frmlumbrast.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainterPath>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/colourbutton.h"
#include "app/cursors.h"
#include "dialogs/about/frmAboutVark.h"
#include "dialogs/help/helplocal.h"
#include "dialogs/options/frmgameoptions.h"
#include "game/errorreport.h"
#include "platform/desktop/twips.h"

namespace lumbrast::app {

using platform::twipsRect;

namespace {
constexpr const char *kRefusal = "You must have minimum of two computer mouses \r\n"
                                 "connected to your PC\r\n"
                                 "Sorry, but program will not work.";

QFont uiFont(double points, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont cellFont() {
    QFont f;
    f.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                   QStringLiteral("DejaVu Sans Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(14.25);
    f.setBold(true);
    return f;
}

void paint(QWidget *w, QPalette::ColorRole role, const QColor &colour) {
    QPalette pal = w->palette();
    pal.setColor(role, colour);
    w->setPalette(pal);
}

void fill(QWidget *w, const QColor &background) {
    paint(w, QPalette::Window, background);
    w->setAutoFillBackground(true);
}

// CreateRoundRectRgn(0, 0, w, h, e, e): a rectangle whose corners are quarter ellipses e wide.
QRegion roundedRegion(QSize size, int ellipse) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), ellipse / 2.0, ellipse / 2.0);
    return QRegion(path.toFillPolygon().toPolygon());
}

platform::BoxIcon boxIcon(game::MessageIcon icon) {
    switch (icon) {
    case game::MessageIcon::Exclamation:
        return platform::BoxIcon::Exclamation;
    case game::MessageIcon::Information:
        return platform::BoxIcon::Information;
    case game::MessageIcon::Critical:
        return platform::BoxIcon::Critical;
    case game::MessageIcon::None:
        break;
    }
    return platform::BoxIcon::None;
}

platform::SoundKind soundKind(game::Beep beep) {
    switch (beep) {
    case game::Beep::Ok:
        return platform::SoundKind::Ok;
    case game::Beep::Asterisk:
        return platform::SoundKind::Asterisk;
    case game::Beep::Exclamation:
        return platform::SoundKind::Exclamation;
    case game::Beep::Default:
        break;
    }
    return platform::SoundKind::Default;
}

const QColor kGrey(0xC0, 0xC0, 0xC0);
} // namespace

frmLumbrast::frmLumbrast(platform::RawInput &raw, platform::MessageBoxes &boxes,
                         platform::Sounds &sounds, QWidget *parent)
    : QMainWindow(parent), raw_(raw), boxes_(boxes), sounds_(sounds), game_(input_, *this),
      mouse_(input_, raw, boxes,
             [this](const std::exception &e, std::string_view tag) { reportInputError(e, tag); }) {
    setWindowTitle(QStringLiteral("Lumbrast"));
    fill(this, kGrey);
    // Disabled captions in the style's pale grey vanish on this grey.
    QPalette pal = palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    setPalette(pal);
    buildControls();
    mouse_.attach({this,
                   cmdCursorPos,
                   lvwMice,
                   lstMouseCollection,
                   {lblDevhDevice_01, lblDevhDevice_02},
                   {lblDevDesc_01, lblDevDesc_02}});
    buildMenus();
    musicwindow::MusicWindowEnv music;
    music.messages = std::make_shared<musicwindow::ForwardingMessageBoxes>(
        [this](QWidget *parent, const QString &text, musicwindow::BoxIcon icon,
               const QString &title) {
            const auto box = icon == musicwindow::BoxIcon::Critical ? platform::BoxIcon::Critical
                             : icon == musicwindow::BoxIcon::Exclamation
                                 ? platform::BoxIcon::Exclamation
                                 : platform::BoxIcon::Information;
            boxes_.show(parent, text, box, title);
        });
    music.beep = [this] { sounds_.play(platform::SoundKind::Default); };
    music_ = new musicwindow::MusicWindowHost(
        this, std::move(music), [this](long number, const QString &text) {
            game_.reportError(number, text.toStdString(), "sub: 07");
        });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate(); // the final size, which the rounded shape needs before the first show
    render();
}

frmLumbrast::~frmLumbrast() {
    // However the window goes, the hook goes first.
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
}

void frmLumbrast::buildControls() {
    auto *client = new QWidget(this);
    client->setFixedSize(platform::twipsToPixels(6435), platform::twipsToPixels(6000));
    client->setFont(uiFont(8.25));
    setCentralWidget(client);

    auto label = [](const QString &caption, QWidget *parent, QRect at) {
        auto *l = new QLabel(caption, parent);
        l->setGeometry(at);
        fill(l, kGrey);
        return l;
    };
    auto button = [](const QString &caption, QWidget *parent, QRect at) {
        auto *b = new ColourButton(caption, parent);
        b->setGeometry(at);
        return b;
    };

    // ---- The list of mice ----
    fraGameIntro =
        new FrameBox(QStringLiteral("List of all available mice on this computer "), client);
    fill(fraGameIntro, kGrey);
    fraGameIntro->setGeometry(twipsRect(90, 30, 6255, 1695));
    lvwMice = new QTreeWidget(fraGameIntro);
    lvwMice->setGeometry(twipsRect(120, 240, 6030, 1335));
    QFont tahoma = uiFont(8.25);
    tahoma.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    lvwMice->setFont(tahoma);
    input::setUpMiceList(lvwMice);
    lstMouseCollection = new QListWidget(fraGameIntro);
    lstMouseCollection->setGeometry(twipsRect(120, 240, 1215, 450));
    lstMouseCollection->hide();
    cmdGetRawData = button(QStringLiteral("Raw Data"), fraGameIntro, twipsRect(4680, 0, 855, 255));
    cmdHook = button(QStringLiteral("Hook"), fraGameIntro, twipsRect(3720, 0, 855, 255));
    cmdUnHook = button(QStringLiteral("UnHook"), fraGameIntro, twipsRect(2760, 0, 855, 255));
    for (QWidget *hidden : {static_cast<QWidget *>(cmdGetRawData), static_cast<QWidget *>(cmdHook),
                            static_cast<QWidget *>(cmdUnHook)})
        hidden->hide();
    connect(cmdGetRawData, &QPushButton::clicked, this, &frmLumbrast::cmdGetRawData_Click);
    connect(cmdHook, &QPushButton::clicked, this, &frmLumbrast::cmdHook_Click);
    connect(cmdUnHook, &QPushButton::clicked, this, &frmLumbrast::cmdUnHook_Click);

    // ---- The game frame ----
    fraGameLumbrast =
        new FrameBox(QStringLiteral("Do you feel lucky? - Osjećaš li se sretno?"), client);
    fraGameLumbrast->setGeometry(twipsRect(90, 1800, 6255, 4095));
    fill(fraGameLumbrast, kGrey);
    QWidget *game = fraGameLumbrast;

    // Player panel
    lblDevDescCaption =
        label(QStringLiteral("Mice - Device Description"), game, twipsRect(120, 360, 3495, 210));
    lbl_hDeviceCaption = label(QStringLiteral("hDevice"), game, twipsRect(3600, 360, 735, 210));
    lblPlayersName = label(QStringLiteral("Players:"), game, twipsRect(4920, 360, 1215, 210));
    lblDevDesc_01 =
        label(QStringLiteral("Mice - Device Description"), game, twipsRect(120, 720, 3495, 210));
    lblDevhDevice_01 = label(QStringLiteral("hDevice"), game, twipsRect(3600, 720, 735, 210));
    cmdVerify_M_P_01 = button(QStringLiteral("1"), game, twipsRect(4560, 600, 315, 315));
    cmdVerify_M_P_01->setToolTip(QStringLiteral("Verify mouse for first player"));
    lblDevDesc_02 =
        label(QStringLiteral("Mice - Device Description"), game, twipsRect(120, 1080, 3495, 210));
    lblDevhDevice_02 = label(QStringLiteral("hDevice"), game, twipsRect(3600, 1080, 735, 210));
    cmdVerify_M_P_02 = button(QStringLiteral("2"), game, twipsRect(4560, 960, 315, 315));
    cmdVerify_M_P_02->setToolTip(QStringLiteral("Verify mouse for second player"));
    connect(cmdVerify_M_P_01, &QPushButton::clicked, this, &frmLumbrast::cmdVerify_M_P_01_Click);
    connect(cmdVerify_M_P_02, &QPushButton::clicked, this, &frmLumbrast::cmdVerify_M_P_02_Click);

    txtPlayerName_01 = new QLineEdit(QStringLiteral("Player1"), game);
    txtPlayerName_01->setGeometry(twipsRect(4920, 600, 1215, 285));
    txtPlayerName_02 = new QLineEdit(QStringLiteral("Player2"), game);
    txtPlayerName_02->setGeometry(twipsRect(4920, 960, 1215, 285));
    for (QLineEdit *box : {txtPlayerName_01, txtPlayerName_02})
        box->setMaxLength(game::kMaxNameLength);
    connect(txtPlayerName_01, &QLineEdit::textChanged, this, &frmLumbrast::txtPlayerName_01_Change);
    connect(txtPlayerName_02, &QLineEdit::textChanged, this, &frmLumbrast::txtPlayerName_02_Change);

    // Score panel: name labels over two columns of cells, rows Points, Sets, Match.
    const QFont cells = cellFont();
    lblPlayer1Stat = label(QStringLiteral("Player1"), game, twipsRect(690, 1680, 630, 255));
    lblPlayer2Stat = label(QStringLiteral("Player2"), game, twipsRect(1365, 1680, 630, 255));
    for (QLabel *name : {lblPlayer1Stat, lblPlayer2Stat}) {
        name->setAlignment(Qt::AlignCenter);
        name->setFont(uiFont(7.5, true));
    }
    const int rowTop[] = {2040, 2565, 3090};
    const char *rowCaption[] = {"Points:", "Sets:", "Match"};
    QLabel **captions[] = {&lblPointsStat, &lblSetStat, &lblMatchStat};
    QLabel **p1[] = {&lblPointsStatP1, &lblSetStatP1, &lblMatchStatP1};
    QLabel **p2[] = {&lblPointsStatP2, &lblSetStatP2, &lblMatchStatP2};
    for (int row = 0; row < 3; ++row) {
        *captions[row] = label(QString::fromLatin1(rowCaption[row]), game,
                               twipsRect(120, rowTop[row], 570, 405));
        (*captions[row])->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        const QColor ink = row == 0 ? QColor(Qt::white) : fromBgr(game::kColourDarkBlue, palette());
        const QColor paper = row == 0 ? QColor(Qt::black) : QColor(Qt::white);
        *p1[row] = label(QStringLiteral("0"), game, twipsRect(690, rowTop[row], 630, 405));
        *p2[row] = label(QStringLiteral("0"), game, twipsRect(1365, rowTop[row], 630, 405));
        for (QLabel *cell : {*p1[row], *p2[row]}) {
            cell->setFont(cells);
            cell->setAlignment(Qt::AlignCenter);
            fill(cell, paper);
            paint(cell, QPalette::WindowText, ink);
        }
    }

    // The table
    fraGameTable = new FrameBox(QString(), game);
    fraGameTable->setGeometry(twipsRect(game::kFraGameTable.left, game::kFraGameTable.top,
                                        game::kFraGameTable.width, game::kFraGameTable.height));
    fill(fraGameTable, fromBgr(game::kColourTable, palette()));
    for (int i = 0; i < 4; ++i) {
        const game::Rect r = game::kPieceRects[static_cast<std::size_t>(i)];
        auto *piece = new PieceButton(i, fraGameTable);
        piece->setGeometry(twipsRect(r.left, r.top, r.width, r.height));
        piece->setObjectName(QStringLiteral("cmdGamePiece_%1").arg(i));
        connect(piece, &QPushButton::clicked, this, [this, i] { cmdGamePiece_Click(i); });
        connect(piece, &PieceButton::hovered, this, &frmLumbrast::cmdGamePiece_MouseMove);
        cmdGamePiece[static_cast<std::size_t>(i)] = piece;
    }
    const game::Rect home = game::kCmdCursorPos;
    cmdCursorPos = button(QStringLiteral("."), fraGameTable,
                          twipsRect(home.left, home.top, home.width, home.height));
    cmdCursorPos->setFillColour(fromBgr(game::kColourCursorPos, palette()));
    paint(cmdCursorPos, QPalette::ButtonText, Qt::white);
    connect(cmdCursorPos, &QPushButton::clicked, this, &frmLumbrast::cmdCursorPos_Click);

    // Game buttons, timer and first move
    fraFirstMove = new FrameBox(QStringLiteral("Select First Move"), game);
    fraFirstMove->setGeometry(twipsRect(4560, 1605, 1575, 495));
    fill(fraFirstMove, kGrey);
    optPlayer_01 = new QRadioButton(QStringLiteral("P1"), fraFirstMove);
    optPlayer_01->setGeometry(twipsRect(120, 210, 615, 255));
    optPlayer_02 = new QRadioButton(QStringLiteral("P2"), fraFirstMove);
    optPlayer_02->setGeometry(twipsRect(840, 210, 495, 255));
    firstMoveGroup_ = new QButtonGroup(this);
    firstMoveGroup_->addButton(optPlayer_01, 1);
    firstMoveGroup_->addButton(optPlayer_02, 2);
    connect(optPlayer_01, &QRadioButton::clicked, this, &frmLumbrast::optPlayer_01_Click);
    connect(optPlayer_02, &QRadioButton::clicked, this, &frmLumbrast::optPlayer_02_Click);

    cmdGamePlay = button(QStringLiteral("Start"), game, twipsRect(5040, 2280, 1095, 375));
    cmdGamePause = button(QStringLiteral("Pause"), game, twipsRect(5040, 2760, 1095, 375));
    cmdGameReset = button(QStringLiteral("Reset"), game, twipsRect(5040, 3000, 1095, 375));
    connect(cmdGamePlay, &QPushButton::clicked, this, &frmLumbrast::cmdGamePlay_Click);
    connect(cmdGamePause, &QPushButton::clicked, this, &frmLumbrast::cmdGamePause_Click);
    connect(cmdGameReset, &QPushButton::clicked, this, &frmLumbrast::cmdGameReset_Click);
    lblGameMoveTimer = label(QStringLiteral("00"), game, twipsRect(4560, 2280, 375, 330));
    lblGameMoveTimer->setFont(cells);
    lblGameMoveTimer->setAlignment(Qt::AlignCenter);
    fill(lblGameMoveTimer, Qt::black);
    paint(lblGameMoveTimer, QPalette::WindowText, Qt::white);

    // The window's own buttons: "Exit" and the hidden music trigger.
    cmdExit = button(QStringLiteral("Exit"), client, twipsRect(90 + 5040, 1800 + 3480, 1095, 375));
    connect(cmdExit, &QPushButton::clicked, this, &frmLumbrast::cmdExit_Click);
    cmdLoadMusic = button(QStringLiteral("LM"), client, twipsRect(90, 5895 - 255, 495, 255));
    cmdLoadMusic->hide();
    connect(cmdLoadMusic, &QPushButton::clicked, this, &frmLumbrast::cmdLoadMusic_Click);

    tmrGameMove = new QTimer(this);
    tmrGameMove->setInterval(1000);
    connect(tmrGameMove, &QTimer::timeout, this, &frmLumbrast::tmrGameMove_Timer);
}

void frmLumbrast::buildMenus() {
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("File"));
    mnuNevGame = file->addAction(QStringLiteral("New"), this, &frmLumbrast::mnuNevGame_Click);
    mnuExit = file->addAction(QStringLiteral("Exit"), this, &frmLumbrast::mnuExit_Click);
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu *mice = bar->addMenu(QStringLiteral("Mice"));
    mnuRefreshDevices = mice->addAction(QStringLiteral("Refresh Devices"), this,
                                        &frmLumbrast::mnuRefreshDevices_Click);
    mnuHook = mice->addAction(QStringLiteral("Hook"), this, &frmLumbrast::mnuHook_Click);
    mnuUnHook = mice->addAction(QStringLiteral("UnHook"), this, &frmLumbrast::mnuUnHook_Click);
    // Switched off: the start-up and closing hook and unhook by themselves.
    mnuHook->setEnabled(false);
    mnuUnHook->setEnabled(false);
    mice->addSeparator();
    mnuConfineCursorForm = mice->addAction(QStringLiteral("Trap Mouse Cursor"), this,
                                           &frmLumbrast::mnuConfineCursorForm_Click);
    mnuReleaseCursorForm = mice->addAction(QStringLiteral("Release Mouse Cursor"), this,
                                           &frmLumbrast::mnuReleaseCursorForm_Click);

    QMenu *options = bar->addMenu(QStringLiteral("Options"));
    mnuGameSetup =
        options->addAction(QStringLiteral("Game options"), this, &frmLumbrast::mnuGameSetup_Click);

    QMenu *music = bar->addMenu(QStringLiteral("Music"));
    mnuPlayMusic = music->addAction(QStringLiteral("Play"), this, &frmLumbrast::mnuPlayMusic_Click);
    mnuStopMusic = music->addAction(QStringLiteral("Stop"), this, &frmLumbrast::mnuStopMusic_Click);
    music->addSeparator();
    mnuSetupMusic =
        music->addAction(QStringLiteral("Setup"), this, &frmLumbrast::mnuSetupMusic_Click);

    QMenu *help = bar->addMenu(QStringLiteral("Help"));
    mnuHelpLocal = help->addAction(QStringLiteral("Help"), this, &frmLumbrast::mnuHelpLocal_Click);
    mnuAbout = help->addAction(QStringLiteral("About"), this, &frmLumbrast::mnuAbout_Click);
}

QCursor frmLumbrast::startButtonCursor() const {
    return cursorFor(game_.cmdGamePlay.MousePointer);
}

void frmLumbrast::render() {
    const QPalette &pal = palette();
    for (std::size_t i = 0; i < 4; ++i) {
        const game::Piece &model = game_.cmdGamePiece[i];
        PieceButton *piece = cmdGamePiece[i];
        piece->setFillColour(fromBgr(model.BackColor, pal));
        piece->setText(QString::fromStdString(model.Caption));
        piece->setEnabled(model.Enabled);
        if (model.MousePointer == game::PlayerCursor::None)
            piece->unsetCursor();
        else
            piece->setCursor(cursorFor(model.MousePointer));
    }
    auto show = [&pal](ColourButton *b, const game::Button &model) {
        b->setText(QString::fromStdString(model.Caption));
        b->setEnabled(model.Enabled);
        b->setFillColour(fromBgr(model.BackColor, pal));
        if (model.MousePointer == game::PlayerCursor::None)
            b->unsetCursor();
        else
            b->setCursor(cursorFor(model.MousePointer));
    };
    show(cmdGamePlay, game_.cmdGamePlay);
    show(cmdGamePause, game_.cmdGamePause);
    show(cmdGameReset, game_.cmdGameReset);
    cmdGameReset->setVisible(game_.cmdGameReset.Visible);
    show(cmdVerify_M_P_01, game_.cmdVerify_M_P_01);
    show(cmdVerify_M_P_02, game_.cmdVerify_M_P_02);

    const bool both = game_.optPlayer_01.Value && game_.optPlayer_02.Value;
    firstMoveGroup_->setExclusive(!both && (game_.optPlayer_01.Value || game_.optPlayer_02.Value));
    optPlayer_01->setChecked(game_.optPlayer_01.Value);
    optPlayer_02->setChecked(game_.optPlayer_02.Value);
    optPlayer_01->setEnabled(game_.optPlayer_01.Enabled);
    optPlayer_02->setEnabled(game_.optPlayer_02.Enabled);

    auto text = [](QLabel *l, const std::string &s) { l->setText(QString::fromStdString(s)); };
    text(lblGameMoveTimer, game_.lblGameMoveTimer);
    text(lblPlayer1Stat, game_.lblPlayer1Stat);
    text(lblPlayer2Stat, game_.lblPlayer2Stat);
    text(lblPointsStatP1, game_.lblPointsStatP1);
    text(lblPointsStatP2, game_.lblPointsStatP2);
    text(lblSetStatP1, game_.lblSetStatP1);
    text(lblSetStatP2, game_.lblSetStatP2);
    text(lblMatchStatP1, game_.lblMatchStatP1);
    text(lblMatchStatP2, game_.lblMatchStatP2);
    for (auto [box, name] : {std::pair{txtPlayerName_01, &game_.txtPlayerName_01},
                             std::pair{txtPlayerName_02, &game_.txtPlayerName_02}}) {
        const QString wanted = QString::fromStdString(*name);
        if (box->text() != wanted)
            box->setText(wanted);
    }
}

// ---------------------------------------------------------------- start-up

void frmLumbrast::Form_Load() {
    try {
        // The input logic holds this window as the raw input target since construction.
        game_.SetPublicDefaults();
        musicwindow::modMusicPublic::SetPublicDefaults();
        RoundMainWindow();
        RoundButtonCorners();
        cmdGetRawData_Click();
        if (input_.MiceCount >= 2) {
            cmdLoadMusic_Click();
            cmdHook_Click();
        } else {
            boxes_.show(this, QString::fromLatin1(kRefusal), platform::BoxIcon::Critical,
                        QStringLiteral("Lumbrast"));
        }
        render();
    } catch (const std::exception &e) {
        reportInputError(e, "sub: 26");
    }
}

void frmLumbrast::RoundMainWindow() {
    // The window manager's frame is not ours to shape; the window's own area is.
    setMask(roundedRegion(size(), 24));
}

void frmLumbrast::RoundButtonCorners() {
    for (ColourButton *b : {cmdGetRawData, cmdHook, cmdUnHook, cmdVerify_M_P_01, cmdVerify_M_P_02,
                            cmdGamePlay, cmdGamePause})
        b->setMask(roundedRegion(b->size(), 3));
    for (ColourButton *b : {cmdGameReset, cmdExit})
        b->setMask(roundedRegion(b->size(), 4));
}

void frmLumbrast::reportInputError(const std::exception &error, std::string_view tag) {
    if (const auto *known = dynamic_cast<const game::RuntimeError *>(&error))
        game_.reportError(known->number(), known->description(), tag);
    else
        game_.reportError(5, error.what(), tag);
}

// ---------------------------------------------------------------- effects of the rules

void frmLumbrast::showMessage(const std::string &text, game::MessageIcon icon,
                              const std::string &title) {
    render(); // a found pair stays visible while its score is announced
    boxes_.show(this, QString::fromStdString(text), boxIcon(icon), QString::fromStdString(title));
}

void frmLumbrast::beep(game::Beep kind) {
    sounds_.play(soundKind(kind));
}

void frmLumbrast::startMoveTimer() {
    tmrGameMove->start();
}

void frmLumbrast::stopMoveTimer() {
    tmrGameMove->stop();
}

void frmLumbrast::releaseCursor() {
    ReleaseCursorForm();
}

// ---------------------------------------------------------------- input

void frmLumbrast::cmdGetRawData_Click() {
    mouse_.DiscoverMice();
}

void frmLumbrast::cmdHook_Click() {
    mouse_.Hook();
}

void frmLumbrast::cmdUnHook_Click() {
    mouse_.UnHook();
}

void frmLumbrast::cmdVerify_M_P_01_Click() {
    mouse_.bindPlayer(1, [this] { game_.EnableGameControls(); });
    render();
}

void frmLumbrast::cmdVerify_M_P_02_Click() {
    mouse_.bindPlayer(2, [this] { game_.EnableGameControls(); });
    render();
}

void frmLumbrast::ConfineCursorForm() {
    mouse_.ConfineCursorForm();
}

void frmLumbrast::ReleaseCursorForm() {
    mouse_.ReleaseCursorForm();
}

void frmLumbrast::mnuRefreshDevices_Click() {
    cmdGetRawData_Click();
}
void frmLumbrast::mnuHook_Click() {
    cmdHook_Click();
}
void frmLumbrast::mnuUnHook_Click() {
    cmdUnHook_Click();
}
void frmLumbrast::mnuConfineCursorForm_Click() {
    ConfineCursorForm();
}
void frmLumbrast::mnuReleaseCursorForm_Click() {
    ReleaseCursorForm();
}

// ---------------------------------------------------------------- the game

void frmLumbrast::cmdGamePiece_Click(int index) {
    game_.cmdGamePiece_Click(index);
    render();
}

void frmLumbrast::cmdGamePiece_MouseMove(int index) {
    game_.cmdGamePiece_MouseMove(index);
    const game::Piece &model = game_.cmdGamePiece[static_cast<std::size_t>(index)];
    if (model.MousePointer != game::PlayerCursor::None)
        cmdGamePiece[static_cast<std::size_t>(index)]->setCursor(cursorFor(model.MousePointer));
}

void frmLumbrast::cmdCursorPos_Click() {
    game_.cmdCursorPos_Click();
}

void frmLumbrast::cmdGamePlay_Click() {
    game_.cmdGamePlay_Click();
    render();
}

void frmLumbrast::cmdGamePause_Click() {
    game_.cmdGamePause_Click();
    render();
}

void frmLumbrast::cmdGameReset_Click() {
    game_.cmdGameReset_Click();
    render();
}

void frmLumbrast::optPlayer_01_Click() {
    game_.optPlayer_01_Click();
    render();
}

void frmLumbrast::optPlayer_02_Click() {
    game_.optPlayer_02_Click();
    render();
}

void frmLumbrast::tmrGameMove_Timer() {
    game_.tmrGameMove_Timer();
    render();
}

void frmLumbrast::txtPlayerName_01_Change(const QString &text) {
    game_.txtPlayerName_01_Change(text.toStdString());
    render();
}

void frmLumbrast::txtPlayerName_02_Change(const QString &text) {
    game_.txtPlayerName_02_Change(text.toStdString());
    render();
}

void frmLumbrast::mnuNevGame_Click() {
    game_.mnuNevGame_Click();
    render();
}

void frmLumbrast::mnuGameSetup_Click() {
    dialogs::frmGameOptions options(game_.v, this);
    options.exec();
}

// ---------------------------------------------------------------- music and help

// The style player loads once this window is on screen, so the game never
// waits for its music.
void frmLumbrast::cmdLoadMusic_Click() {
    music_->loadWhenShown();
}
void frmLumbrast::mnuPlayMusic_Click() {
    music_->play();
}
void frmLumbrast::mnuStopMusic_Click() {
    music_->stop();
}
void frmLumbrast::mnuSetupMusic_Click() {
    music_->setup();
}
void frmLumbrast::mnuHelpLocal_Click() {
    dialogs::showHelpLocal(this, QCoreApplication::applicationDirPath());
}

void frmLumbrast::mnuAbout_Click() {
    dialogs::showAbout(this, [this] { return startButtonCursor(); });
}

// Presses the music window's hidden exit button; a music window that was never
// loaded has nothing to release.
void frmLumbrast::pressMusicWindowExit() {
    music_->exit();
}

// ---------------------------------------------------------------- resize and closing

void frmLumbrast::Form_Resize() {
    if (isMinimized() || isMaximized())
        ReleaseCursorForm();
    else if (placed_)
        ConfineCursorForm();
}

bool frmLumbrast::event(QEvent *event) {
    if (event->type() == QEvent::Paint && !placed_) {
        // The first show's resize came before the window manager placed the
        // window; trap the cursor in the rectangle it really has.
        placed_ = true;
        Form_Resize();
    }
    return QMainWindow::event(event);
}

void frmLumbrast::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmLumbrast::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmLumbrast::cmdExit_Click() {
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
    try {
        pressMusicWindowExit();
    } catch (...) {
        // closing goes on whatever the music window does
    }
    close();
}

void frmLumbrast::mnuExit_Click() {
    cmdExit_Click();
}

void frmLumbrast::Form_QueryUnload() {
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
    ReleaseCursorForm();
}

void frmLumbrast::Form_Unload() {
    if (input_.IsHooked == input::kTrue)
        mouse_.UnHook();
    try {
        pressMusicWindowExit();
    } catch (...) {
        // skipped: the cursor is freed all the same
    }
    ReleaseCursorForm();
    tmrGameMove->stop();
}

void frmLumbrast::closeEvent(QCloseEvent *event) {
    Form_QueryUnload(); // never refuses
    Form_Unload();
    event->accept();
}

} // namespace lumbrast::app
