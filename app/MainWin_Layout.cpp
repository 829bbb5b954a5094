// SPDX-License-Identifier: GPL-3.0-or-later
// TMainWin: the components in their design places, and the layout rules that move them.
#include "MainWin.h"

#include "CoolBar.h"
#include "Drives.h"
#include "FileListModel.h"
#include "FileTypes.h"
#include "Icons.h"
#include "Layout.h"
#include "Messages.h"
#include "StatusBar.h"
#include "StatusLine.h"
#include "TKV_PrgState.h"
#include "WorkflowMessages.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The tree shows directories only, but its model learns about every file of a directory it opens
// and by default looks up each one's MIME type for an icon nobody sees; in a directory of many files
// that was most of the cost of entering it.
class TKV_TreeIconProvider : public QFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override { return info.isDir() ? QFileIconProvider::icon(info) : QIcon(); }
    QString type(const QFileInfo& info) const override
    {
        return info.isDir() ? QFileIconProvider::type(info) : QString();
    }
};

// Design size of the client area; the menu bar comes on top of it.
constexpr int kDesignWidth = 583;
constexpr int kDesignHeight = 433;
constexpr int kDirPanelWidth = 190;
constexpr int kSplitterWidth = 6;
constexpr int kToolBarHeight = 34;

QToolButton* ToolButton(QToolBar* bar, const char* name, const char* hint, TKV_ToolImage image)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    button->setIcon(ToolIcon(image));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setFixedSize(31, 30);
    bar->addWidget(button);
    return button;
}

QLabel* Picture(QWidget* parent, const char* name, const QPixmap& pixmap, int left, int top)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(pixmap);
    label->setGeometry(left, top, 19, 24);
    return label;
}

QLabel* Caption(QWidget* parent, const char* name, const char* text, int left, int top)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

TKV_ListView* FileList(QWidget* parent, const char* name, TKV_FileListModel*& model, const QStringList& columns,
                       std::shared_ptr<const TKV_FileTypes> types, int top)
{
    model = new TKV_FileListModel(columns, std::move(types), parent);
    auto* list = new TKV_ListView(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setModel(model);
    list->header()->resizeSection(0, 100);
    list->header()->resizeSection(1, 80);
    list->setGeometry(4, top, 280, 112);
    return list;
}

QProgressBar* ProgressBar(QWidget* parent, const char* name, int top)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    bar->setGeometry(4, top, 280, 10);
    bar->hide();
    return bar;
}

QToolButton* MethodButton(QWidget* panel, const char* name, const char* caption, const char* hint)
{
    auto* button = new QToolButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromLatin1(caption));
    button->setToolTip(QString::fromLatin1(hint));
    button->setCheckable(true);
    button->setFixedWidth(50);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return button;
}

} // namespace

void TMainWin::BuildFrame()
{
    setObjectName(QStringLiteral("MainWin"));
    setWindowTitle(QString::fromLatin1(kMainWinCaption));
    setWindowIcon(AppIcon());
    BuildMenus();
    BuildToolBar();

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Splitter1 = new QSplitter(Qt::Horizontal, client);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    BuildDirPanel();
    BuildGridPanel();
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kDirPanelWidth, kDesignWidth - kDirPanelWidth - kSplitterWidth});
    column->addWidget(Splitter1, 1);

    BuildCoolBar();
    column->addWidget(Status_CoolBar);
    setCentralWidget(client);
    BuildTimers();

    resize(kDesignWidth, kDesignHeight + menuBar()->sizeHint().height());

    connect(Splitter1, &QSplitter::splitterMoved, this, &TMainWin::Splitter1Moved);
    connect(Status_CoolBar, &TKV_CoolBar::Resized, this, &TMainWin::Status_CoolBarResize);
    // The panels' own resizes carry every change of the window, the tool bar and the cool bar.
    Dir_Panel->installEventFilter(this);
    Grid_Panel->installEventFilter(this);
    User_DirectoryListBox->installEventFilter(this);
    User_DirectoryListBox->viewport()->installEventFilter(this);
}

void TMainWin::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    FileEncrypt_MenuItem = file->addAction(QStringLiteral("&Encrypt"), this, &TMainWin::Source_ListViewDblClick);
    FileDecrypt_MenuItem = file->addAction(QStringLiteral("&Decrypt"), this, &TMainWin::Crypted_ListViewDblClick);
    FileDecrypt_MenuItem->setEnabled(false);
    Options_MenuItem = file->addAction(QStringLiteral("&Options..."), this, &TMainWin::Options2Click);
    StoredPwd_MenuItem =
        file->addAction(QStringLiteral("&Stored passwords..."), this, &TMainWin::StoredPwd_MenuItemClick);
    file->addSeparator();
    Exit_MenuItem = file->addAction(QStringLiteral("E&xit"), this, &TMainWin::Exit1Click);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* lists = view->addMenu(QStringLiteral("File lists"));
    ViewStyle_Group = new QActionGroup(this);
    LargeIcons_MenuItem = lists->addAction(QStringLiteral("Lar&ge icons"));
    SmallIcons_MenuItem = lists->addAction(QStringLiteral("S&mall icons"));
    List_MenuItem = lists->addAction(QStringLiteral("&List"));
    Details_MenuItem = lists->addAction(QStringLiteral("&Details"));
    for (QAction* style : {LargeIcons_MenuItem, SmallIcons_MenuItem, List_MenuItem, Details_MenuItem}) {
        style->setCheckable(true);
        ViewStyle_Group->addAction(style);
        connect(style, &QAction::triggered, this, [this, style] { ChangeView(style); });
    }
    Details_MenuItem->setChecked(true);
    Refresh_MenuItem = view->addAction(QStringLiteral("&Refresh"), this, &TMainWin::Refresh_MenuItemClick);
    Refresh_MenuItem->setShortcut(QKeySequence(Qt::Key_F5));
    Refresh_MenuItem->setShortcutContext(Qt::WindowShortcut);
    StatusBars_MenuItem = view->addAction(QStringLiteral("Status Bars"));
    StatusBars_MenuItem->setCheckable(true);
    StatusBars_MenuItem->setChecked(true);
    connect(StatusBars_MenuItem, &QAction::triggered, this, &TMainWin::StatusBars_MenuItemClick);
    ToolBar_MenuItem = view->addAction(QStringLiteral("ToolBar"));
    ToolBar_MenuItem->setCheckable(true);
    ToolBar_MenuItem->setChecked(true);
    connect(ToolBar_MenuItem, &QAction::triggered, this, &TMainWin::ToolBar_MenuItemClick);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    Contents_MenuItem = help->addAction(QStringLiteral("&Contents"), this, &TMainWin::Contents1Click);
    Tips_MenuItem = help->addAction(QStringLiteral("&Tips"), this, &TMainWin::Tips1Click);
    About_MenuItem = help->addAction(QStringLiteral("&About..."), this, &TMainWin::About1Click);

    Dir_PopupMenu = new QMenu(this);
    EncriptAll1 = Dir_PopupMenu->addAction(QStringLiteral("Encrypt All"), this, &TMainWin::EncriptAll1Click);
    Decriptall1 = Dir_PopupMenu->addAction(QStringLiteral("Decrypt All"), this, &TMainWin::Decriptall1Click);

    Source_PopupMenu = new QMenu(this);
    Encrypt1 = Source_PopupMenu->addAction(QStringLiteral("Encrypt"), this, &TMainWin::Encrypt1Click);
    Open1 = Source_PopupMenu->addAction(QStringLiteral("Open"), this, &TMainWin::Open1Click);
    Print1 = Source_PopupMenu->addAction(QStringLiteral("Print"), this, &TMainWin::Print1Click);
    Delete1 = Source_PopupMenu->addAction(QStringLiteral("Delete"), this, &TMainWin::Delete1Click);

    Crypted_PopupMenu = new QMenu(this);
    Decrypt1 = Crypted_PopupMenu->addAction(QStringLiteral("Decrypt"), this, &TMainWin::Decrypt1Click);
    Open2 = Crypted_PopupMenu->addAction(QStringLiteral("Open"), this, &TMainWin::Open2Click);
    Print2 = Crypted_PopupMenu->addAction(QStringLiteral("Print"), this, &TMainWin::Print2Click);
    Delete2 = Crypted_PopupMenu->addAction(QStringLiteral("Delete"), this, &TMainWin::Delete2Click);
    // Letters of their own: V and C start no other item of this menu.
    Crypted_PopupMenu->addSeparator();
    Verify2 = Crypted_PopupMenu->addAction(QStringLiteral("&Verify"), this, &TMainWin::Verify2Click);
    ChangePassword2 =
        Crypted_PopupMenu->addAction(QStringLiteral("&Change password..."), this, &TMainWin::ChangePassword2Click);

    auto* help1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help1, &QShortcut::activated, this, [this] { ShowHelpContext(kMainWinHelpContext); });
}

void TMainWin::BuildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->toggleViewAction()->setEnabled(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    Encrypt_Button = ToolButton(ToolBar1, "Encrypt_Button", "Encrypt", TKV_ToolImage::Encrypt);
    Decrypt_Button = ToolButton(ToolBar1, "Decrypt_Button", "Decrypt", TKV_ToolImage::Decrypt);
    Decrypt_Button->setEnabled(false);
    ToolBar1->addSeparator();
    MasterPwdExpire_Button = ToolButton(ToolBar1, "MasterPwdExpire_Button", "Make master password expire now!",
                                        TKV_ToolImage::MasterPwdExpire);
    MasterPwdExpire_Button->setEnabled(false);
    PwdExpire_Button = ToolButton(ToolBar1, "PwdExpire_Button", "Make password expire now!", TKV_ToolImage::PwdExpire);
    PwdExpire_Button->setEnabled(false);
    StopProcess_Button = ToolButton(ToolBar1, "StopProcess_Button", "Stop current process!", TKV_ToolImage::Stop);
    StopProcess_Button->setEnabled(false);
    auto* gap = new QWidget(ToolBar1);
    gap->setFixedWidth(8);
    ToolBar1->addWidget(gap);
    Help_Button = ToolButton(ToolBar1, "Help_Button", "Help", TKV_ToolImage::Help);
    // Shown only while files handed over to a running application wait for the user's word.
    EncryptAgain_Button = new QToolButton(ToolBar1);
    EncryptAgain_Button->setObjectName(QStringLiteral("EncryptAgain_Button"));
    EncryptAgain_Button->setText(QString::fromUtf8(kEncryptAgainCaption));
    EncryptAgain_Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    encryptAgainItem_ = ToolBar1->addWidget(EncryptAgain_Button);
    encryptAgainItem_->setVisible(false);

    connect(Encrypt_Button, &QToolButton::clicked, this, &TMainWin::Encrypt_ButtonClick);
    connect(Decrypt_Button, &QToolButton::clicked, this, &TMainWin::Decrypt_ButtonClick);
    connect(MasterPwdExpire_Button, &QToolButton::clicked, this, &TMainWin::MasterPwdExpire_ButtonClick);
    connect(PwdExpire_Button, &QToolButton::clicked, this, &TMainWin::PwdExpire_ButtonClick);
    connect(StopProcess_Button, &QToolButton::clicked, this, &TMainWin::Button1Click);
    connect(Help_Button, &QToolButton::clicked, this, &TMainWin::Contents1Click);
    connect(EncryptAgain_Button, &QToolButton::clicked, this, &TMainWin::EncryptAgainNow);
}

void TMainWin::BuildDirPanel()
{
    Dir_Panel = new QWidget(Splitter1);
    Dir_Panel->setObjectName(QStringLiteral("Dir_Panel"));
    Dir_Panel->setMinimumWidth(40);
    DriveComboBox1 = new QComboBox(Dir_Panel);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(4, 4, kDirPanelWidth - 8, 22);
    for (const QString& root : Drives())
        DriveComboBox1->addItem(QDir::toNativeSeparators(root), root);

    Dir_Model = new QFileSystemModel(this);
    Dir_Model->setObjectName(QStringLiteral("Dir_Model"));
    Dir_Model->setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
    Dir_Model->setReadOnly(true);
    // Outlives every window: the model's gatherer thread may still ask it while the window goes.
    static TKV_TreeIconProvider treeIcons;
    Dir_Model->setIconProvider(&treeIcons);
    Dir_Filter = new TKV_DriveTreeFilter(this);
    Dir_Filter->setSourceModel(Dir_Model);
    User_DirectoryListBox = new QTreeView(Dir_Panel);
    User_DirectoryListBox->setObjectName(QStringLiteral("User_DirectoryListBox"));
    User_DirectoryListBox->setModel(Dir_Filter);
    for (int column = 1; column < Dir_Model->columnCount(); ++column)
        User_DirectoryListBox->hideColumn(column);
    User_DirectoryListBox->setHeaderHidden(true);
    User_DirectoryListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    User_DirectoryListBox->setContextMenuPolicy(Qt::CustomContextMenu);
    User_DirectoryListBox->setGeometry(4, 30, kDirPanelWidth - 8, 291);
    Splitter1->addWidget(Dir_Panel);
    FollowCurrentDirectory();

    // After each batch of directories has arrived and been sorted, once the tree has laid it out.
    revealTimer_.setSingleShot(true);
    revealTimer_.setInterval(0);
    connect(&revealTimer_, &QTimer::timeout, this, &TMainWin::RevealDirectory);
    const auto revealSoon = [this] {
        if (revealPending_) revealTimer_.start();
    };
    connect(Dir_Model, &QFileSystemModel::directoryLoaded, this, revealSoon);
    connect(Dir_Filter, &QAbstractItemModel::rowsInserted, this, revealSoon);
    connect(Dir_Filter, &QAbstractItemModel::layoutChanged, this, revealSoon);
    connect(DriveComboBox1, &QComboBox::activated, this, &TMainWin::DriveComboBox1Click);
    connect(User_DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TMainWin::DirectoryChosen);
    connect(User_DirectoryListBox, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // "Encrypt All" and "Decrypt All" work on the highlighted folder: the one the user clicked.
        const QModelIndex clicked = User_DirectoryListBox->indexAt(pos);
        if (clicked.isValid()) User_DirectoryListBox->setCurrentIndex(clicked);
        Dir_PopupMenu->popup(User_DirectoryListBox->viewport()->mapToGlobal(pos));
    });
}

void TMainWin::BuildGridPanel()
{
    Grid_Panel = new QWidget(Splitter1);
    Grid_Panel->setObjectName(QStringLiteral("Grid_Panel"));
    Grid_Panel->setMinimumWidth(40);

    Open_Image = Picture(Grid_Panel, "Open_Image", LockPixmap(true, false), 4, 4);
    Open_Image_Hl = Picture(Grid_Panel, "Open_Image_Hl", LockPixmap(true, true), 4, 4);
    Types = std::make_shared<TKV_FileTypes>();
    Avail_Label = Caption(Grid_Panel, "Avail_Label", "Available for encryption", 32, 6);
    Source_ListView = FileList(Grid_Panel, "Source_ListView", Source_Model,
                               {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"),
                                QStringLiteral("Attributes"), QStringLiteral("File Type")},
                               Types, 28);
    ProgressBar1 = ProgressBar(Grid_Panel, "ProgressBar1", 144);

    Closed_Image = Picture(Grid_Panel, "Closed_Image", LockPixmap(false, false), 4, 160);
    Closed_Image_Hl = Picture(Grid_Panel, "Closed_Image_Hl", LockPixmap(false, true), 4, 160);
    Crypted_Label = Caption(Grid_Panel, "Crypted_Label", "Crypted files", 32, 162);
    Crypted_ListView = FileList(Grid_Panel, "Crypted_ListView", Crypted_Model,
                                {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"),
                                 QStringLiteral("Attributes"), QStringLiteral("Encrypted by")},
                                Types, 184);
    ProgressBar2 = ProgressBar(Grid_Panel, "ProgressBar2", 300);
    Splitter1->addWidget(Grid_Panel);
    // Until a list has had the focus, the window is in the Plain list's state.
    ShowActiveList(false);

    connect(Source_ListView, &TKV_ListView::EntryDoubleClicked, this, &TMainWin::Source_ListViewDblClick);
    connect(Crypted_ListView, &TKV_ListView::EntryDoubleClicked, this, &TMainWin::Crypted_ListViewDblClick);
    connect(Source_ListView, &TKV_ListView::DeleteRequested, this, &TMainWin::Delete1Click);
    connect(Crypted_ListView, &TKV_ListView::DeleteRequested, this, &TMainWin::Delete2Click);
    connect(Source_ListView, &TKV_ListView::Entered, this, &TMainWin::Source_ListViewEnter);
    connect(Crypted_ListView, &TKV_ListView::Entered, this, &TMainWin::Crypted_ListViewEnter);
    connect(Source_ListView, &TKV_ListView::MenuRequested, Source_PopupMenu,
            [this](const QPoint& at) { Source_PopupMenu->popup(at); });
    connect(Crypted_ListView, &TKV_ListView::MenuRequested, Crypted_PopupMenu,
            [this](const QPoint& at) { Crypted_PopupMenu->popup(at); });
    connect(Source_ListView->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Source_ListViewColumnClick(Source_ListView, column); });
    connect(Crypted_ListView->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Source_ListViewColumnClick(Crypted_ListView, column); });
    Source_ListView->DragOver = [this](const QObject* source) { return Source_ListViewDragOver(source); };
    Source_ListView->DragDrop = [this](const QObject* source) { Source_ListViewDragDrop(source); };
    Crypted_ListView->DragOver = [this](const QObject* source) { return Crypted_ListViewDragOver(source); };
    Crypted_ListView->DragDrop = [this](const QObject* source) { Crypted_ListViewDragDrop(source); };
}

void TMainWin::BuildCoolBar()
{
    Status_CoolBar = new TKV_CoolBar(this);
    Status_CoolBar->setObjectName(QStringLiteral("Status_CoolBar"));

    StatusBar1 = new TKV_StatusBar(3, Status_CoolBar);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->SetPanelText(0, QStringLiteral("Estimated: "));
    StatusBar1->SetPanelText(1, QStringLiteral("Done: "));
    StatusBar1->SetPanelText(2, QStringLiteral("Size: "));

    StatusBar2 = new TKV_StatusBar(3, Status_CoolBar);
    StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
    StatusBar2->SetPanelText(0, QStringLiteral("Elapsed: "));
    StatusBar2->SetPanelText(1, QStringLiteral("Remaining: "));
    StatusBar2->SetPanelText(2, QStringLiteral("Throughout: "));

    StatusBar3 = new TKV_StatusBar(1, Status_CoolBar);
    StatusBar3->setObjectName(QStringLiteral("StatusBar3"));
    StatusBar3->SetShowTips(true);
    StatusBar3->SetPanelText(0, QString::fromLatin1(kIdleStatus));

    Method_Panel = new QWidget(Status_CoolBar);
    Method_Panel->setObjectName(QStringLiteral("Method_Panel"));
    Method_Panel->setToolTip(QStringLiteral("Select encryption method by default"));
    auto* row = new QHBoxLayout(Method_Panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    DES_Button = MethodButton(Method_Panel, "DES_Button", "DES", "DES (56 bit/ CBC)");
    TDES_Button = MethodButton(Method_Panel, "TDES_Button", "3xDES", "Triple DES (EDE3/ 56 x 3 bit/ outer CBC)");
    IDEA_Button = MethodButton(Method_Panel, "IDEA_Button", "IDEA", "IDEA (128 bit/ CBC)");
    Method_Group = new QButtonGroup(Method_Panel);
    Method_Group->setExclusive(true);
    for (QToolButton* button : {DES_Button, TDES_Button, IDEA_Button}) {
        row->addWidget(button);
        Method_Group->addButton(button);
    }
    row->addStretch(1);
    ShowMethodOnButtons(DES_Button);
    connect(DES_Button, &QToolButton::clicked, this, &TMainWin::DES_ButtonClick);
    connect(TDES_Button, &QToolButton::clicked, this, &TMainWin::TDES_ButtonClick);
    connect(IDEA_Button, &QToolButton::clicked, this, &TMainWin::IDEA_ButtonClick);

    // Two rows: the statistics on top, the method buttons and the status line below.
    Status_CoolBar->AddBand(StatusBar2, true, 405);
    Status_CoolBar->AddBand(StatusBar1, false, 185);
    Status_CoolBar->AddBand(Method_Panel, true, 185);
    Status_CoolBar->AddBand(StatusBar3, false, 392);
}

void TMainWin::BuildTimers()
{
    Process_Timer.setInterval(50);
    PwdTimer.setInterval(1000);
    MasterPwd_Timer.setInterval(1000);
    NotifyOpenFiles_Timer.setInterval(200);
    connect(&Process_Timer, &QTimer::timeout, this, &TMainWin::Process_TimerTimer);
    connect(&PwdTimer, &QTimer::timeout, this, &TMainWin::PwdTimerTimer);
    connect(&MasterPwd_Timer, &QTimer::timeout, this, &TMainWin::MasterPwd_TimerTimer);
    connect(&NotifyOpenFiles_Timer, &QTimer::timeout, this, &TMainWin::NotifyOpenFiles_TimerTimer);

    DirChange_Timer.setSingleShot(true);
    connect(&DirChange_Timer, &QTimer::timeout, this, &TMainWin::DirChange_TimerTimer);
    Dir_Watcher = new QFileSystemWatcher(this);
    connect(Dir_Watcher, &QFileSystemWatcher::directoryChanged, this, &TMainWin::Dir_WatcherChange);
}

bool TMainWin::eventFilter(QObject* watched, QEvent* event)
{
    if (PrgState != nullptr) {
        if (event->type() == QEvent::Resize && (watched == Dir_Panel || watched == Grid_Panel)) FormResize();
        if (event->type() == QEvent::FocusIn && watched == User_DirectoryListBox) User_DirectoryListBoxEnter();
        const bool treeInput = (watched == User_DirectoryListBox->viewport() &&
                                (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel)) ||
                               (watched == User_DirectoryListBox && event->type() == QEvent::KeyPress);
        if (treeInput) revealPending_ = false;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainWin::WindowBusy() const
{
    return PrgState != nullptr && PrgState->Busy.HoldsOtherThan(psDirectory | psDeleting | psListRun);
}

void TMainWin::FormResize()
{
    Reresize();
}

void TMainWin::Status_CoolBarResize()
{
    Reresize();
}

void TMainWin::Splitter1Moved()
{
    UpdateWidths();
}

void TMainWin::UpdateWidths()
{
    TKV_GridInput in;
    in.DirPanelWidth = Dir_Panel->width();
    in.GridPanelWidth = Grid_Panel->width();
    const TKV_GridLayout out = GridLayout(in);
    User_DirectoryListBox->resize(std::max(0, out.TreeWidth), User_DirectoryListBox->height());
    DriveComboBox1->resize(std::max(0, out.TreeWidth), DriveComboBox1->height());
    for (QWidget* widget : {static_cast<QWidget*>(Source_ListView), static_cast<QWidget*>(Crypted_ListView),
                            static_cast<QWidget*>(ProgressBar1), static_cast<QWidget*>(ProgressBar2)})
        widget->resize(std::max(0, out.ListWidth), widget->height());
}

void TMainWin::Reresize()
{
    UpdateWidths();
    TKV_GridInput in;
    in.DirPanelWidth = Dir_Panel->width();
    in.DirPanelHeight = Dir_Panel->height();
    in.GridPanelWidth = Grid_Panel->width();
    in.TreeTop = User_DirectoryListBox->y();
    in.PlainTop = Source_ListView->y();
    in.OpenImageTop = Open_Image->y();
    in.BarHeight = ProgressBar1->height();
    in.Busy = WindowBusy();
    const TKV_GridLayout out = GridLayout(in);

    User_DirectoryListBox->resize(User_DirectoryListBox->width(), std::max(0, out.TreeHeight));
    Crypted_ListView->setGeometry(Crypted_ListView->x(), out.CryptedTop, Crypted_ListView->width(),
                                  std::max(0, out.CryptedHeight));
    RenderGrid2Images();
    Source_ListView->resize(Source_ListView->width(), std::max(0, out.PlainHeight));
    ProgressBar1->move(ProgressBar1->x(), out.ProgressBar1Top);
    ProgressBar2->move(ProgressBar2->x(), out.ProgressBar2Top);
}

void TMainWin::RenderGrid2Images()
{
    const int top = Crypted_ListView->y() + (Open_Image->y() - Source_ListView->y());
    Closed_Image->move(Closed_Image->x(), top);
    Closed_Image_Hl->move(Closed_Image_Hl->x(), top);
    Crypted_Label->move(Crypted_Label->x(), top + 4);
}

void TMainWin::StatusBars_MenuItemClick()
{
    Status_CoolBar->setVisible(StatusBars_MenuItem->isChecked());
    SettleLayout();
    Reresize();
}

void TMainWin::ToolBar_MenuItemClick()
{
    ToolBar1->setVisible(ToolBar_MenuItem->isChecked());
    SettleLayout();
    Reresize();
}

void TMainWin::SettleLayout()
{
    // Qt would lay the panels out at the next turn of the message loop; the rules need their new
    // sizes now.
    layout()->activate();
    centralWidget()->layout()->activate();
}
