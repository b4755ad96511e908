// The game window's controls and menus, and how they show the rules' state.
#include "app/frmlumbrast.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/accessibility.h"
#include "app/colourbutton.h"
#include "app/cursors.h"
#include "app/look.h"
#include "platform/desktop/twips.h"

namespace lumbrast::app {

using platform::twipsRect;

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
    fraGameIntro = new FrameBox(tr("List of all available mice on this computer "), client);
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
    cmdGetRawData = button(tr("Raw Data"), fraGameIntro, twipsRect(4680, 0, 855, 255));
    cmdHook = button(tr("Hook"), fraGameIntro, twipsRect(3720, 0, 855, 255));
    cmdUnHook = button(tr("UnHook"), fraGameIntro, twipsRect(2760, 0, 855, 255));
    for (QWidget *hidden : {static_cast<QWidget *>(cmdGetRawData), static_cast<QWidget *>(cmdHook),
                            static_cast<QWidget *>(cmdUnHook)})
        hidden->hide();
    connect(cmdGetRawData, &QPushButton::clicked, this, &frmLumbrast::cmdGetRawData_Click);
    connect(cmdHook, &QPushButton::clicked, this, &frmLumbrast::cmdHook_Click);
    connect(cmdUnHook, &QPushButton::clicked, this, &frmLumbrast::cmdUnHook_Click);

    // ---- The game frame ----
    fraGameLumbrast = new FrameBox(tr("Do you feel lucky? - Osjećaš li se sretno?"), client);
    fraGameLumbrast->setGeometry(twipsRect(90, 1800, 6255, 4095));
    fill(fraGameLumbrast, kGrey);
    QWidget *game = fraGameLumbrast;

    // Player panel
    lblDevDescCaption =
        label(tr("Mice - Device Description"), game, twipsRect(120, 360, 3495, 210));
    lbl_hDeviceCaption = label(QStringLiteral("hDevice"), game, twipsRect(3600, 360, 735, 210));
    lblPlayersName = label(tr("Players:"), game, twipsRect(4920, 360, 1215, 210));
    lblDevDesc_01 = label(tr("Mice - Device Description"), game, twipsRect(120, 720, 3495, 210));
    lblDevhDevice_01 = label(QStringLiteral("hDevice"), game, twipsRect(3600, 720, 735, 210));
    cmdVerify_M_P_01 = button(QStringLiteral("1"), game, twipsRect(4560, 600, 315, 315));
    cmdVerify_M_P_01->setToolTip(tr("Verify mouse for first player"));
    lblDevDesc_02 = label(tr("Mice - Device Description"), game, twipsRect(120, 1080, 3495, 210));
    lblDevhDevice_02 = label(QStringLiteral("hDevice"), game, twipsRect(3600, 1080, 735, 210));
    cmdVerify_M_P_02 = button(QStringLiteral("2"), game, twipsRect(4560, 960, 315, 315));
    cmdVerify_M_P_02->setToolTip(tr("Verify mouse for second player"));
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
    const QString rowCaption[] = {tr("Points:"), tr("Sets:"), tr("Match")};
    QLabel **captions[] = {&lblPointsStat, &lblSetStat, &lblMatchStat};
    QLabel **p1[] = {&lblPointsStatP1, &lblSetStatP1, &lblMatchStatP1};
    QLabel **p2[] = {&lblPointsStatP2, &lblSetStatP2, &lblMatchStatP2};
    for (int row = 0; row < 3; ++row) {
        *captions[row] = label(rowCaption[row], game, twipsRect(120, rowTop[row], 570, 405));
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
    fraFirstMove = new FrameBox(tr("Select First Move"), game);
    fraFirstMove->setGeometry(twipsRect(4560, 1605, 1575, 495));
    fill(fraFirstMove, kGrey);
    optPlayer_01 = new QRadioButton(tr("P1"), fraFirstMove);
    optPlayer_01->setGeometry(twipsRect(120, 210, 615, 255));
    optPlayer_02 = new QRadioButton(tr("P2"), fraFirstMove);
    optPlayer_02->setGeometry(twipsRect(840, 210, 495, 255));
    firstMoveGroup_ = new QButtonGroup(this);
    firstMoveGroup_->addButton(optPlayer_01, 1);
    firstMoveGroup_->addButton(optPlayer_02, 2);
    connect(optPlayer_01, &QRadioButton::clicked, this, &frmLumbrast::optPlayer_01_Click);
    connect(optPlayer_02, &QRadioButton::clicked, this, &frmLumbrast::optPlayer_02_Click);

    cmdGamePlay = button(tr("Start"), game, twipsRect(5040, 2280, 1095, 375));
    cmdGamePause = button(tr("Pause"), game, twipsRect(5040, 2760, 1095, 375));
    cmdGameReset = button(tr("Reset"), game, twipsRect(5040, 3000, 1095, 375));
    connect(cmdGamePlay, &QPushButton::clicked, this, &frmLumbrast::cmdGamePlay_Click);
    connect(cmdGamePause, &QPushButton::clicked, this, &frmLumbrast::cmdGamePause_Click);
    connect(cmdGameReset, &QPushButton::clicked, this, &frmLumbrast::cmdGameReset_Click);
    lblGameMoveTimer = label(QStringLiteral("00"), game, twipsRect(4560, 2280, 375, 330));
    lblGameMoveTimer->setFont(cells);
    lblGameMoveTimer->setAlignment(Qt::AlignCenter);
    fill(lblGameMoveTimer, Qt::black);
    paint(lblGameMoveTimer, QPalette::WindowText, Qt::white);

    // The window's own buttons: "Exit" and the hidden music trigger.
    cmdExit = button(tr("Exit"), client, twipsRect(90 + 5040, 1800 + 3480, 1095, 375));
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
    QMenu *file = bar->addMenu(tr("File"));
    mnuNevGame = file->addAction(tr("New"), this, &frmLumbrast::mnuNevGame_Click);
    mnuExit = file->addAction(tr("Exit"), this, &frmLumbrast::mnuExit_Click);
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu *mice = bar->addMenu(tr("Mice"));
    mnuRefreshDevices =
        mice->addAction(tr("Refresh Devices"), this, &frmLumbrast::mnuRefreshDevices_Click);
    mnuHook = mice->addAction(tr("Hook"), this, &frmLumbrast::mnuHook_Click);
    mnuUnHook = mice->addAction(tr("UnHook"), this, &frmLumbrast::mnuUnHook_Click);
    // Switched off: the start-up and closing hook and unhook by themselves.
    mnuHook->setEnabled(false);
    mnuUnHook->setEnabled(false);
    mice->addSeparator();
    mnuConfineCursorForm =
        mice->addAction(tr("Trap Mouse Cursor"), this, &frmLumbrast::mnuConfineCursorForm_Click);
    mnuReleaseCursorForm =
        mice->addAction(tr("Release Mouse Cursor"), this, &frmLumbrast::mnuReleaseCursorForm_Click);

    QMenu *options = bar->addMenu(tr("Options"));
    mnuGameSetup = options->addAction(tr("Game options"), this, &frmLumbrast::mnuGameSetup_Click);

    QMenu *music = bar->addMenu(tr("Music"));
    mnuPlayMusic = music->addAction(tr("Play"), this, &frmLumbrast::mnuPlayMusic_Click);
    mnuStopMusic = music->addAction(tr("Stop"), this, &frmLumbrast::mnuStopMusic_Click);
    music->addSeparator();
    mnuSetupMusic = music->addAction(tr("Setup"), this, &frmLumbrast::mnuSetupMusic_Click);
    // On at every start: like every setting, it is not kept between runs.
    mnuFollowGame = music->addAction(tr("Follow the game"));
    mnuFollowGame->setCheckable(true);
    mnuFollowGame->setChecked(true);
    connect(mnuFollowGame, &QAction::toggled, this, &frmLumbrast::mnuFollowGame_Click);

    QMenu *help = bar->addMenu(tr("Help"));
    mnuHelpLocal = help->addAction(tr("Help"), this, &frmLumbrast::mnuHelpLocal_Click);
    mnuHelpLocal->setShortcut(QKeySequence::HelpContents);
    mnuAbout = help->addAction(tr("About"), this, &frmLumbrast::mnuAbout_Click);
}

QCursor frmLumbrast::startButtonCursor() const {
    return cursorFor(game_.cmdGamePlay.MousePointer);
}

namespace {
// The rules keep their button captions in English and compare them; the
// window shows them translated. Listed here for the translation template.
[[maybe_unused]] constexpr const char *kRuleCaptions[] = {
    QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Start"),
    QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Pause"),
    QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Resume"),
    QT_TRANSLATE_NOOP("lumbrast::app::frmLumbrast", "Reset")};
} // namespace

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
        b->setText(tr(model.Caption.c_str()));
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
    describeGameState(*this);
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

} // namespace lumbrast::app
