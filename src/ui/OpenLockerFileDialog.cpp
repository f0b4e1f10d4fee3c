#include "ui/OpenLockerFileDialog.h"

#include "ui/UiText.h"

#include <QComboBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>

namespace vk {

namespace {

// The trash plays the part of the Recycle Bin: the user's own trash folder and
// the per-volume ".Trash" and ".Trash-<uid>" folders are not offered.
bool IsTrashFolder(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    if (name == QLatin1String(".Trash") || name.startsWith(QLatin1String(".Trash-")))
        return true;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return !dataHome.isEmpty() && QDir::cleanPath(path) == QDir::cleanPath(dataHome + QLatin1String("/Trash"));
}

// The extension of a path: the text from its last dot within the last name.
QString Extension(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

void JamShellList1AddItem(const QString& path, bool isDir, bool& CanAdd) {
    if (!isDir)
        return;
    static const QStringList archiveExtensions = {QStringLiteral(".zip"), QStringLiteral(".rar"),
                                                  QStringLiteral(".tar"), QStringLiteral(".7z")};
    if (archiveExtensions.contains(Extension(path).toLower()) || IsTrashFolder(path))
        CanAdd = false;
}

bool LockerBrowseFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* model = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (model == nullptr)
        return true;
    const QModelIndex index = model->index(sourceRow, 0, sourceParent);
    bool canAdd = true;
    JamShellList1AddItem(model->filePath(index), model->isDir(index), canAdd);
    return canAdd;
}

TfrmOpenLocker::TfrmOpenLocker(QWidget* parent)
    : QDialog(parent), FFileSystem(new QFileSystemModel(this)), FFilter(new LockerBrowseFilter(this)),
      Label1(new QLabel(this)), JamShellCombo1(new QComboBox(this)), JamShellList1(new QTreeView(this)),
      Button2(new QPushButton(this)), Button1(new QPushButton(this)) {
    setFont(QFont(QStringLiteral("Segoe UI"), 9));
    resize(907, 526);

    // Folders are always listed so the user can open them; files only when
    // they match the locker pattern (any letter case). Hidden items are shown:
    // lockers carry the hidden attribute.
    FFileSystem->setFilter(QDir::AllDirs | QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    FFileSystem->setNameFilters({QStringLiteral("*.vklocker")});
    FFileSystem->setNameFilterDisables(false);
    FFileSystem->setReadOnly(true);
    FFilter->setSourceModel(FFileSystem);

    QFont browsingFont(QStringLiteral("Segoe UI"));
    browsingFont.setPointSizeF(11.25);
    Label1->setWordWrap(true);
    JamShellCombo1->setFont(browsingFont);
    JamShellCombo1->setFixedHeight(29);
    JamShellList1->setFont(browsingFont);
    JamShellList1->setModel(FFilter);
    JamShellList1->setRootIsDecorated(false);
    JamShellList1->setItemsExpandable(false);
    JamShellList1->setSelectionMode(QAbstractItemView::SingleSelection);
    JamShellList1->setSelectionBehavior(QAbstractItemView::SelectRows);
    JamShellList1->setContextMenuPolicy(Qt::NoContextMenu);
    JamShellList1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    JamShellList1->header()->resizeSection(0, 420);

    // Buttons grow with their captions; Enter on a focused button presses it.
    for (QPushButton* button : {Button2, Button1}) {
        button->setMinimumWidth(83);
        button->setAutoDefault(true);
    }
    auto* buttonBar = new QHBoxLayout;
    buttonBar->setContentsMargins(0, 0, 8, 0);
    buttonBar->addStretch();
    buttonBar->addWidget(Button2);
    buttonBar->addWidget(Button1);
    auto* Panel1 = new QWidget(this);
    Panel1->setMinimumHeight(41);
    Panel1->setLayout(buttonBar);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* labelBox = new QVBoxLayout;
    labelBox->setContentsMargins(7, 7, 7, 7);
    labelBox->addWidget(Label1);
    layout->addLayout(labelBox);
    layout->addWidget(JamShellCombo1);
    layout->addWidget(JamShellList1, 1);
    layout->addWidget(Panel1);

    connect(Button2, &QPushButton::clicked, this, &TfrmOpenLocker::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmOpenLocker::Button1Click);
    connect(JamShellCombo1, &QComboBox::activated, this, &TfrmOpenLocker::FolderComboActivated);
    connect(JamShellList1, &QAbstractItemView::activated, this, &TfrmOpenLocker::FileListActivated);

    SetFolder(QDir::homePath());
}

void TfrmOpenLocker::SetFolder(const QString& folder) {
    FCurrentFolder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QModelIndex sourceRoot = FFileSystem->setRootPath(FCurrentFolder);
    JamShellList1->setRootIndex(FFilter->mapFromSource(sourceRoot));
    JamShellList1->selectionModel()->clearSelection();
    FillFolderCombo();
}

// The combo box lists the current folder and every folder above it, from the
// root down, indented by depth; the current folder is its chosen entry.
void TfrmOpenLocker::FillFolderCombo() {
    QStringList chain;
    for (QDir dir(FCurrentFolder);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp())
            break;
    }
    const QFileIconProvider icons;
    JamShellCombo1->clear();
    for (qsizetype depth = 0; depth < chain.size(); ++depth) {
        const QString& path = chain.at(depth);
        const QString name = depth == 0 ? path : QFileInfo(path).fileName();
        JamShellCombo1->addItem(icons.icon(QFileInfo(path)), QString(depth * 2, QLatin1Char(' ')) + name, path);
    }
    JamShellCombo1->setCurrentIndex(JamShellCombo1->count() - 1);
}

void TfrmOpenLocker::FolderComboActivated(int index) {
    const QString folder = JamShellCombo1->itemData(index).toString();
    if (!folder.isEmpty() && folder != FCurrentFolder)
        SetFolder(folder);
}

void TfrmOpenLocker::FileListActivated(const QModelIndex& index) {
    const QModelIndex sourceIndex = FFilter->mapToSource(index);
    if (FFileSystem->isDir(sourceIndex))
        SetFolder(FFileSystem->filePath(sourceIndex));
}

QString TfrmOpenLocker::SelectedPath() const {
    const QModelIndexList rows = JamShellList1->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return {};
    return FFileSystem->filePath(FFilter->mapToSource(rows.first()));
}

void TfrmOpenLocker::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmOpenLocker::FormShow() {
    Tag = 0;
    Button2->setText(TranslatedText("OK"));
    Button1->setText(TranslatedText("Cancel"));
    setWindowTitle(TranslatedText("Import Locker File"));
    Label1->setText(TranslatedText("If for some reason a path has been lost from the list but is still encrypted and "
                                   "hidden, you can restore it. Locate the .vklocker file (visible in this window) and "
                                   "import it. It will be decrypted, unhidden, and added to the list."));
}

void TfrmOpenLocker::Button2Click() {
    Tag = 1;
    accept();
}

void TfrmOpenLocker::Button1Click() {
    reject();
}

std::optional<QString> TfrmOpenLocker::SelectLocker() {
    exec();
    if (Tag == 0)
        return std::nullopt;
    const QString path = SelectedPath();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace vk
