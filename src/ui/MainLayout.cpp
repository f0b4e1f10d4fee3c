// Building the main window's controls: menu bar, toolbar, list, bottom bar.
// Texts are set afterwards by ApplyTranslation.

#include "ui/AnchoredPanel.h"
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

constexpr int ClientWidth = 760;
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
    ListViewPaths->setSelectionMode(QAbstractItemView::SingleSelection);
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

void TfrmMain::BuildBottomBar() {
    auto* bar = new AnchoredPanel(ClientWidth, this);
    Panel2 = bar;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(BottomBarHeight);
    Panel2->setAttribute(Qt::WA_StyledBackground);

    btnChangePassword = new QPushButton(bar);
    btnChangePassword->setObjectName(QStringLiteral("btnChangePassword"));
    btnChangePassword->setIcon(ImageIcon("lock"));
    btnChangePassword->setIconSize(QSize(30, 25));
    bar->Place(btnChangePassword, QRect(7, 5, 158, 32), AnchoredPanel::Anchor::Left);

    ProgressBar1 = new QProgressBar(bar);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    bar->Place(ProgressBar1, QRect(178, 10, 300, 21), AnchoredPanel::Anchor::Stretch);

    lblStatus = new QLabel(bar);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the counter while stopping, "12/12 stopping...", in
    // every shipped language.
    bar->Place(lblStatus, QRect(483, 11, 160, 19), AnchoredPanel::Anchor::Right);

    btnStop = new QPushButton(bar);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setIcon(ImageIcon("stop"));
    btnStop->setIconSize(QSize(25, 25));
    btnStop->setToolTip(QStringLiteral("Stop Operation"));
    bar->Place(btnStop, QRect(649, 5, 101, 32), AnchoredPanel::Anchor::Right);

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
