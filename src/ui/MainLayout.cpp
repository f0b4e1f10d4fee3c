// Building the main window's controls: menu bar, toolbar, list, bottom bar.
// Texts are set afterwards by ApplyTranslation.

#include "ui/EnterPressesButton.h"
#include "ui/Resources.h"
#include "ui/UnitMain.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vk {

namespace {

constexpr int ClientWidth = 760; // the bottom bar's progress bar is 300 wide at it
constexpr int ClientHeight = 449;
constexpr int ToolbarHeight = 65;
constexpr int BottomBarHeight = 45;
constexpr int ListMargin = 5;
constexpr int PathColumnWidth = 480;
constexpr int StatusColumnWidth = 120;

QToolButton* MakeToolButton(QWidget* parent, const char* name, const char* imageName) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoRaise(true); // flat
    button->setFixedSize(72, 65);
    button->setIcon(ImageIcon(imageName));
    button->setIconSize(QSize(40, 40));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return button;
}

QAction* MakeAction(QMenu* menu, const char* name) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(QString::fromUtf8(name));
    return action;
}

QMenu* MakeMenu(QMenuBar* bar, const char* name) {
    QMenu* menu = bar->addMenu(QString());
    menu->setObjectName(QString::fromUtf8(name));
    return menu;
}

} // namespace

// The window's texts are drawn in the desktop's font at 8 points, the size
// the layout's widths (column "Status" among them) are made for; Stop's
// caption one point larger. Set on every control, since some kinds of
// controls (lists, menus) take a font of their own from the desktop.
void TfrmMain::UseWindowFont() {
    const auto resize = [](QWidget* widget, int pointSize) {
        QFont font = widget->font();
        font.setPointSize(pointSize);
        widget->setFont(font);
    };
    resize(this, 8);
    for (QWidget* control : findChildren<QWidget*>())
        resize(control, control == btnStop ? 9 : 8);
}

void TfrmMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    File1 = MakeMenu(bar, "File1");
    AddFolder1 = MakeAction(File1, "AddFolder1");
    AddFile1 = MakeAction(File1, "AddFile1");
    File1->addSeparator();
    ImportLocker1 = MakeAction(File1, "ImportLocker1");
    File1->addSeparator();
    Exit1 = MakeAction(File1, "Exit1");

    Edit1 = MakeMenu(bar, "Edit1");
    EncryptHideSelected1 = MakeAction(Edit1, "EncryptHideSelected1");
    DencryptUnhideSelected1 = MakeAction(Edit1, "DencryptUnhideSelected1");
    Edit1->addSeparator();
    EncryptHideAll1 = MakeAction(Edit1, "EncryptHideAll1");
    DencryptUnhideAll1 = MakeAction(Edit1, "DencryptUnhideAll1");

    ools1 = MakeMenu(bar, "ools1");
    ChangePassword1 = MakeAction(ools1, "ChangePassword1");
    ools1->addSeparator();
    mmLanguage = ools1->addMenu(QString());
    mmLanguage->setObjectName(QStringLiteral("mmLanguage"));

    Help1 = MakeMenu(bar, "Help1");
    utorial1 = MakeAction(Help1, "utorial1");
    Help1->addSeparator();
    ContactUs1 = MakeAction(Help1, "ContactUs1");
    VisitWebsite1 = MakeAction(Help1, "VisitWebsite1");
    Help1->addSeparator();
    About1 = MakeAction(Help1, "About1");

    ConnectCommand(AddFolder1, &TfrmMain::btnAddFolderClick);
    ConnectCommand(AddFile1, &TfrmMain::btnAddFileClick);
    ConnectCommand(ImportLocker1, &TfrmMain::btnImportLockerClick);
    ConnectCommand(Exit1, &TfrmMain::Exit1Click);
    ConnectCommand(EncryptHideSelected1, &TfrmMain::btnEncryptAndHideSelectedClick);
    ConnectCommand(DencryptUnhideSelected1, &TfrmMain::btnDecryptAndUnhideSelectedClick);
    ConnectCommand(EncryptHideAll1, &TfrmMain::btnEncryptAndHideAllClick);
    ConnectCommand(DencryptUnhideAll1, &TfrmMain::btnDecryptAndUnhideAllClick);
    ConnectCommand(ChangePassword1, &TfrmMain::btnChangePasswordClick);
    ConnectCommand(utorial1, &TfrmMain::utorial1Click);
    ConnectCommand(ContactUs1, &TfrmMain::ContactUs1Click);
    ConnectCommand(VisitWebsite1, &TfrmMain::VisitWebsite1Click);
    ConnectCommand(About1, &TfrmMain::btnAboutProgramClick);
}

void TfrmMain::BuildToolbar() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(ToolbarHeight);
    Panel1->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    btnAddFolder = MakeToolButton(Panel1, "btnAddFolder", "ad-folder");
    btnAddFile = MakeToolButton(Panel1, "btnAddFile", "add-file");
    btnRemove = MakeToolButton(Panel1, "btnRemove", "minus");
    btnEncryptAndHideSelected = MakeToolButton(Panel1, "btnEncryptAndHideSelected", "hide");
    btnDecryptAndUnhideSelected = MakeToolButton(Panel1, "btnDecryptAndUnhideSelected", "eye");
    btnEncryptAndHideAll = MakeToolButton(Panel1, "btnEncryptAndHideAll", "hide-all");
    btnDecryptAndUnhideAll = MakeToolButton(Panel1, "btnDecryptAndUnhideAll", "unhide-all");
    btnImportLocker = MakeToolButton(Panel1, "btnImportLocker", "import-locker");
    btnAboutProgram = MakeToolButton(Panel1, "btnAboutProgram", "info (1)");
    for (QToolButton* button :
         {btnAddFolder, btnAddFile, btnRemove, btnEncryptAndHideSelected, btnDecryptAndUnhideSelected,
          btnEncryptAndHideAll, btnDecryptAndUnhideAll, btnImportLocker})
        row->addWidget(button);
    row->addStretch(1);
    row->addWidget(btnAboutProgram);

    // Tab reaches every button; Enter presses the focused one, as Space does.
    EnterPressesButton::InstallOn(this, btnAddFolder, btnAddFile, btnRemove, btnEncryptAndHideSelected,
                                  btnDecryptAndUnhideSelected, btnEncryptAndHideAll, btnDecryptAndUnhideAll,
                                  btnImportLocker, btnAboutProgram);

    ConnectCommand(btnAddFolder, &TfrmMain::btnAddFolderClick);
    ConnectCommand(btnAddFile, &TfrmMain::btnAddFileClick);
    ConnectCommand(btnRemove, &TfrmMain::btnRemoveClick);
    ConnectCommand(btnEncryptAndHideSelected, &TfrmMain::btnEncryptAndHideSelectedClick);
    ConnectCommand(btnDecryptAndUnhideSelected, &TfrmMain::btnDecryptAndUnhideSelectedClick);
    ConnectCommand(btnEncryptAndHideAll, &TfrmMain::btnEncryptAndHideAllClick);
    ConnectCommand(btnDecryptAndUnhideAll, &TfrmMain::btnDecryptAndUnhideAllClick);
    ConnectCommand(btnImportLocker, &TfrmMain::btnImportLockerClick);
    ConnectCommand(btnAboutProgram, &TfrmMain::btnAboutProgramClick);
}

void TfrmMain::BuildList() {
    ListViewPaths = new QTreeWidget(this);
    ListViewPaths->setObjectName(QStringLiteral("ListViewPaths"));
    ListViewPaths->setColumnCount(2);
    ListViewPaths->setRootIsDecorated(false); // a flat report view
    ListViewPaths->setItemsExpandable(false);
    ListViewPaths->setUniformRowHeights(true);
    ListViewPaths->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewPaths->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListViewPaths->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewPaths->setAllColumnsShowFocus(true);
    ListViewPaths->header()->setStretchLastSection(false);
    ListViewPaths->header()->setSectionsMovable(false);
    ListViewPaths->setColumnWidth(0, PathColumnWidth);
    ListViewPaths->setColumnWidth(1, StatusColumnWidth);
    // The selected row stays highlighted when the list loses the focus.
    QPalette palette = ListViewPaths->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    ListViewPaths->setPalette(palette);
    // Drops are taken by the window, also when they land on the list.
    ListViewPaths->setAcceptDrops(false);
    ListViewPaths->viewport()->setAcceptDrops(false);

    connect(ListViewPaths, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::ListViewPathsSelectItem);
}

// Laid out by a Qt layout: the buttons grow with their captions in every
// language, the label keeps room for its longest counter, the bar takes the rest.
void TfrmMain::BuildBottomBar() {
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(BottomBarHeight);
    Panel2->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(7, 5, 10, 8);
    row->setSpacing(0);

    btnChangePassword = new QPushButton(Panel2);
    btnChangePassword->setObjectName(QStringLiteral("btnChangePassword"));
    btnChangePassword->setIcon(ImageIcon("lock"));
    btnChangePassword->setIconSize(QSize(30, 25));
    btnChangePassword->setMinimumWidth(158);
    btnChangePassword->setFixedHeight(32);
    row->addWidget(btnChangePassword);
    row->addSpacing(13);

    ProgressBar1 = new QProgressBar(Panel2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(21);
    ProgressBar1->setMinimumWidth(60);
    // Hidden while idle, it keeps its room, so nothing moves when a run starts.
    QSizePolicy barPolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    barPolicy.setRetainSizeWhenHidden(true);
    ProgressBar1->setSizePolicy(barPolicy);
    row->addWidget(ProgressBar1, 1);
    row->addSpacing(5);

    lblStatus = new QLabel(Panel2);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the counter while stopping, "12/12 stopping...", in
    // every shipped language.
    lblStatus->setMinimumWidth(160);
    lblStatus->setFixedHeight(19);
    row->addWidget(lblStatus);
    row->addSpacing(6);

    btnStop = new QPushButton(Panel2);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setIcon(ImageIcon("stop"));
    btnStop->setIconSize(QSize(25, 25));
    btnStop->setToolTip(QStringLiteral("Stop Operation"));
    btnStop->setMinimumWidth(101);
    btnStop->setFixedHeight(32);
    row->addWidget(btnStop);
    // Only the bar takes the room left over.
    for (QWidget* fixed :
         {static_cast<QWidget*>(btnChangePassword), static_cast<QWidget*>(lblStatus), static_cast<QWidget*>(btnStop)})
        fixed->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    EnterPressesButton::InstallOn(this, btnChangePassword, btnStop);
    ConnectCommand(btnChangePassword, &TfrmMain::btnChangePasswordClick);
    ConnectCommand(btnStop, &TfrmMain::btnStopClick);

    chkStrongHide = new QCheckBox(this);
    chkStrongHide->setObjectName(QStringLiteral("chkStrongHide"));
    chkStrongHide->setText(QStringLiteral("Use system attribute (strong hide)"));
    chkStrongHide->setVisible(false);

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel1);
    auto* listArea = new QVBoxLayout();
    listArea->setContentsMargins(ListMargin, 0, ListMargin, ListMargin);
    listArea->addWidget(ListViewPaths);
    lblProgress = new QLabel(client);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    lblProgress->setTextFormat(Qt::PlainText);
    lblProgress->setFixedHeight(19);
    listArea->addWidget(lblProgress);
    column->addLayout(listArea, 1);
    column->addWidget(Panel2);
    setCentralWidget(client);
}

void TfrmMain::PlaceOnScreen() {
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace vk
