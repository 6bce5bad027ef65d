#include "app/frmMain.h"

#include "app/StatusPanels.h"
#include "app/SettingsNotices.h"
#include "app/ToolbarIcons.h"
#include "document/editor/CodeEditor.h"
#include "document/frmDocument.h"
#include "execution/frmExecuteWarning.h"
#include "platform/ProductInfo.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "preferences/frmOptions.h"
#include "tools/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

namespace {
frmMain* theMainWindow = nullptr;
}

frmMain* frmMain::instance()
{
    return theMainWindow;
}

QString frmMain::commandLinePath(const QString& commandLineText)
{
    QString path = commandLineText;
    path.remove(QLatin1Char('"'));
    return path;
}

frmMain::frmMain(const QString& commandLine, QWidget* parent) : QMainWindow(parent)
{
    theMainWindow = this;
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ProductInfo::AppTitle);
    setAcceptDrops(true);
    ToolbarIcons::selectIconTheme();

    buildMenus();
    buildDocumentKeys();
    buildToolBar();
    buildTabsAndStatusBar();

    frmOptions::ActiveEditor = [this]() -> CodeEditor* { return activeEditor(); };
    frmOptions::RecentFilesChanged = [this]() { LoadRecentFiles(); };

    Form_Load(commandLine);
}

frmMain::~frmMain()
{
    // Children going away must not call back into a window that is half destroyed.
    mdi_->disconnect(this);
    tsTabs->disconnect(this);
    frmOptions::ActiveEditor = nullptr;
    frmOptions::RecentFilesChanged = nullptr;
    if (theMainWindow == this)
        theMainWindow = nullptr;
}

QAction* frmMain::toolbarButton(const QString& key) const
{
    for (QAction* action : tbButtons)
        if (action && !action->isSeparator() && action->data().toString().compare(key, Qt::CaseInsensitive) == 0)
            return action;
    return nullptr;
}

QList<QKeySequence> frmMain::menuShortcuts() const
{
    QList<QKeySequence> keys;
    for (QAction* action : documentKeys_)
        keys << action->shortcut();
    QList<QMenu*> menus;
    for (QAction* action : menuBar()->actions())
        if (action->menu())
            menus << action->menu();
    while (!menus.isEmpty()) {
        for (QAction* action : menus.takeFirst()->actions()) {
            if (action->menu())
                menus << action->menu();
            else if (!action->shortcut().isEmpty())
                keys << action->shortcut();
        }
    }
    return keys;
}

// ---- Building the window ------------------------------------------------------------------------

void frmMain::buildDocumentKeys()
{
    // The keys of every multi-document program: close the script in front, step through the scripts.
    auto key = [this](const QString& name, const QKeySequence& sequence, auto slot) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        documentKeys_ << action;
    };
    key(QStringLiteral("keyCloseDocument"), QKeySequence(Qt::CTRL | Qt::Key_F4), [this] {
        if (activeDocument())
            mnuFileClose_Click();
    });
    key(QStringLiteral("keyNextDocument"), QKeySequence(Qt::CTRL | Qt::Key_Tab),
        [this] { mdi_->activateNextSubWindow(); });
    key(QStringLiteral("keyPreviousDocument"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
        [this] { mdi_->activatePreviousSubWindow(); });
}

static QAction* item(QMenu* menu, const QString& name, const QString& caption,
                     const QKeySequence& shortcut = QKeySequence())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

static QAction* separator(QMenu* menu, const QString& name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();

    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName("mnuFile");
    mnuFileNew = item(mnuFile, "mnuFileNew", "&New", QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = item(mnuFile, "mnuFileOpen", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileClose = item(mnuFile, "mnuFileClose", "&Close");
    separator(mnuFile, "mnuFileBar0");
    mnuFileSave = item(mnuFile, "mnuFileSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFileSaveAs = item(mnuFile, "mnuFileSaveAs", "Save &As...");
    mnuFilePrint = item(mnuFile, "mnuFilePrint", "&Print...", QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuFileBar1 = separator(mnuFile, "mnuFileBar1");
    for (int i = 0; i < RecentFileList::Capacity; ++i) {
        mnuFileMRU[size_t(i)] = item(mnuFile, QStringLiteral("mnuFileMRU(%1)").arg(i), QString());
        mnuFileMRU[size_t(i)]->setVisible(false);
        connect(mnuFileMRU[size_t(i)], &QAction::triggered, this, [this, i] { mnuFileMRU_Click(i); });
    }
    mnuFileExit = item(mnuFile, "mnuFileExit", "E&xit");
    mnuFileExit->setMenuRole(QAction::QuitRole);
    connect(mnuFileNew, &QAction::triggered, this, &frmMain::mnuFileNew_Click);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    connect(mnuFileClose, &QAction::triggered, this, &frmMain::mnuFileClose_Click);
    connect(mnuFileSave, &QAction::triggered, this, [this] { mnuFileSave_Click(); });
    connect(mnuFileSaveAs, &QAction::triggered, this, [this] { mnuFileSaveAs_Click(); });
    connect(mnuFilePrint, &QAction::triggered, this, &frmMain::mnuFilePrint_Click);
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);

    mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName("mnuEdit");
    mnuCsHelp = item(mnuEdit, "mnuCsHelp", "csHelp");
    mnuCsHelp->setVisible(false);
    mnuJumpToLabel = mnuEdit->addMenu(QStringLiteral("&Jump To..."));
    mnuJumpToLabel->setObjectName("mnuJumpToLabel");
    mnuJumpToLabel->menuAction()->setVisible(false);
    mnuJumpNone = item(mnuJumpToLabel, "mnuJumpNone", "--None--");
    mnuJumpNone->setEnabled(false);
    for (int i = 0; i < 20; ++i) {
        mnuLabelMarker[size_t(i)] = item(mnuJumpToLabel, QStringLiteral("mnuLabelMarker(%1)").arg(i), QString());
        mnuLabelMarker[size_t(i)]->setVisible(false);
    }
    mnuEditUndo = item(mnuEdit, "mnuEditUndo", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuEditRedo = item(mnuEdit, "mnuEditRedo", "&Redo");
    separator(mnuEdit, "mnuEditSep");
    mnuEditCut = item(mnuEdit, "mnuEditCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuEditCopy = item(mnuEdit, "mnuEditCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEditPaste = item(mnuEdit, "mnuEditPaste", "&Paste");
    mnuEditSelectAll = item(mnuEdit, "mnuEditSelectAll", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A));
    separator(mnuEdit, "mnuEditBar2");
    mnuEditFind = item(mnuEdit, "mnuEditFind", "&Find ...", QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuEditFindNext = item(mnuEdit, "mnuEditFindNext", "F&ind Next", QKeySequence(Qt::Key_F3));
    mnuEditFindNext->setEnabled(false);
    mnuEditReplace = item(mnuEdit, "mnuEditReplace", "Re&place ...");
    mnuEditGoTo = item(mnuEdit, "mnuEditGoTo", "Go To ..", QKeySequence(Qt::CTRL | Qt::Key_G));

    mnuView = bar->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName("mnuView");
    mnuErrorCodes = item(mnuView, "mnuErrorCodes", "&Error Codes...");
    mnuVarList = item(mnuView, "mnuVarList", "Variable List...");
    separator(mnuView, "mnuSep(1)");
    mnuViewToolbar = item(mnuView, "mnuViewToolbar", "&Toolbar");
    mnuViewStatusBar = item(mnuView, "mnuViewStatusBar", "Status &Bar");
    mnuTabs = item(mnuView, "mnuTabs", "&Script Tabs");
    for (QAction* toggle : {mnuViewToolbar, mnuViewStatusBar, mnuTabs}) {
        toggle->setCheckable(true);
        toggle->setChecked(true);
    }
    // The check mark is flipped by the handlers themselves, as the stored value follows it.
    connect(mnuViewToolbar, &QAction::triggered, this, &frmMain::mnuViewToolbar_Click);
    connect(mnuViewStatusBar, &QAction::triggered, this, &frmMain::mnuViewStatusBar_Click);
    connectToolWindows();
    connect(mnuTabs, &QAction::triggered, this, &frmMain::mnuTabs_Click);

    mnuInsert = bar->addMenu(QStringLiteral("&Tools"));
    mnuInsert->setObjectName("mnuInsert");
    mnuWizards = mnuInsert->addMenu(QStringLiteral("&Wizards"));
    mnuWizards->setObjectName("mnuWizards");
    mnuMessagebox = item(mnuWizards, "mnuMessagebox", "&Messagebox...", QKeySequence(Qt::CTRL | Qt::Key_M));
    mnuInsertCharacter = item(mnuWizards, "mnuInsertCharacter", "Cha&racter Code...", QKeySequence(Qt::CTRL | Qt::Key_I));
    mnuColor = item(mnuWizards, "mnuColor", "&Color Change...", QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuIni = item(mnuWizards, "mnuIni", "&INI Read/Write...");
    mnuEnviron = item(mnuWizards, "mnuEnviron", "&Environment Variables...");
    connectWizardMenus();
    mnuCommandPrompt = item(mnuInsert, "mnuCommandPrompt", "&Launch Command Prompt");
    separator(mnuInsert, "mnuSep2");
    mnuEditPreferences = item(mnuInsert, "mnuEditPreferences", "Pr&eferences..");
    mnuEditPreferences->setMenuRole(QAction::NoRole);
    connect(mnuEditPreferences, &QAction::triggered, this, [] { frmOptions::ShowModal(); });

    mnuScript = bar->addMenu(QStringLiteral("&Script"));
    mnuScript->setObjectName("mnuScript");
    mnuExecute = item(mnuScript, "mnuExecute", "E&xecute", QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuDebug = item(mnuScript, "mnuDebug", "&Debug", QKeySequence(Qt::CTRL | Qt::Key_D));
    separator(mnuScript, "mnuSep1");
    mnuStaysOpen = item(mnuScript, "mnuStaysOpen", "Script &Window Stays Open");
    mnuAutosave = item(mnuScript, "mnuAutosave", "&Autosave on Execute (no prompt)");
    mnuStaysOpen->setCheckable(true);
    mnuAutosave->setCheckable(true);
    connectScriptMenu();

    mnuWindow = bar->addMenu(QStringLiteral("&Window"));
    mnuWindow->setObjectName("mnuWindow");
    mnuWindowNewWindow = item(mnuWindow, "mnuWindowNewWindow", "&New Window");
    separator(mnuWindow, "mnuWindowBar0");
    mnuWindowCascade = item(mnuWindow, "mnuWindowCascade", "&Cascade");
    mnuWindowTileHorizontal = item(mnuWindow, "mnuWindowTileHorizontal", "Tile &Horizontal");
    mnuWindowTileVertical = item(mnuWindow, "mnuWindowTileVertical", "Tile &Vertical");
    mnuWindowArrangeIcons = item(mnuWindow, "mnuWindowArrangeIcons", "&Arrange Icons");
    connect(mnuWindowCascade, &QAction::triggered, this, [this] { arrangeWindows(0); });
    connect(mnuWindowTileHorizontal, &QAction::triggered, this, [this] { arrangeWindows(1); });
    connect(mnuWindowTileVertical, &QAction::triggered, this, [this] { arrangeWindows(2); });
    connect(mnuWindowArrangeIcons, &QAction::triggered, this, [this] { arrangeWindows(3); });
    connect(mnuWindow, &QMenu::aboutToShow, this, &frmMain::refreshWindowList);

    mnuHelp = bar->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName("mnuHelp");
    mnuOnlineHelp = item(mnuHelp, "mnuOnlineHelp", "&Online Help");
    separator(mnuHelp, "mnuSep3");
    mnuAbout = item(mnuHelp, "mnuAbout", "&About...");
    mnuAbout->setMenuRole(QAction::NoRole);
    connectEditCommands();
}

void frmMain::buildToolBar()
{
    tb = addToolBar(QStringLiteral("Toolbar"));
    tb->setObjectName(QStringLiteral("tb"));
    tb->setMovable(false);
    tb->setIconSize(QSize(22, 22));
    struct Button { const char* key; const char* tip; };
    static const Button layout[20] = {
        {"New", "New"},         {"Open", "Open"},   {nullptr, nullptr}, {"Save", "Save"},
        {nullptr, nullptr},     {"Print", "Print"}, {nullptr, nullptr}, {"Cut", "Cut"},
        {"Copy", "Copy"},       {"Paste", "Paste"}, {nullptr, nullptr}, {"Undo", "Undo"},
        {"Redo", "Redo"},       {nullptr, nullptr}, {"Outdent", "Outdent"}, {"Indent", "Indent"},
        {nullptr, nullptr},     {"Comment", "Comment Text Block"}, {"Uncomment", "Uncomment Text Block"},
        {"Find", "Find"},
    };
    for (int i = 0; i < 20; ++i) {
        if (!layout[i].key) {
            tbButtons[size_t(i)] = tb->addSeparator();
            continue;
        }
        QString key = QString::fromLatin1(layout[i].key);
        QAction* button = tb->addAction(ToolbarIcons::forKey(key), key);
        button->setData(key);
        button->setToolTip(QString::fromLatin1(layout[i].tip));
        button->setObjectName(QStringLiteral("tb") + key);
        connect(button, &QAction::triggered, this, [this, key] { tb_ButtonClick(key); });
        tbButtons[size_t(i)] = button;
    }
}

void frmMain::buildTabsAndStatusBar()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    picTabs = new QWidget(central);
    picTabs->setObjectName(QStringLiteral("picTabs"));
    auto* tabLayout = new QHBoxLayout(picTabs);
    tabLayout->setContentsMargins(2, 2, 2, 0);
    tsTabs = new QTabBar(picTabs);
    tsTabs->setObjectName(QStringLiteral("tsTabs"));
    tsTabs->setExpanding(false);
    tsTabs->setDocumentMode(true);
    tsTabs->setElideMode(Qt::ElideNone); // many tabs scroll; eliding them all would leave only "..."
    tsTabs->setUsesScrollButtons(true);
    tabLayout->addWidget(tsTabs);
    tabLayout->addStretch(1);
    picTabs->setVisible(false);
    // Every change of the selected tab brings its document forward (a click, the keyboard, the wheel).
    connect(tsTabs, &QTabBar::currentChanged, this, &frmMain::tsTabs_Click);
    connect(tsTabs, &QTabBar::tabBarClicked, this, &frmMain::tsTabs_Click);

    mdi_ = new QMdiArea(central);
    mdi_->setObjectName(QStringLiteral("mdiArea"));
    mdi_->setBackground(palette().brush(QPalette::Dark));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        auto* document = qobject_cast<frmDocument*>(window);
        if (document)
            document->Form_Activate();
        refreshFrameTitle();
        // The insert-mode panel follows the document in front at once, not at the panels' next tick.
        if (statusPanels_)
            statusPanels_->refresh();
        // A document brought forward shows what happened to its file meanwhile; asked after the
        // switch has finished, never in the middle of it.
        if (document)
            QTimer::singleShot(0, document, [this, document] {
                if (document == activeDocument())
                    checkDiskChanges(document);
            });
    });

    layout->addWidget(picTabs);
    layout->addWidget(mdi_, 1);
    setCentralWidget(central);

    sbStatusBar = statusBar();
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(true);
    statusPanels_ = new StatusPanels(sbStatusBar, ProductInfo::AppTitle);
    statusPanels_->insertMode = [this]() -> std::optional<bool> {
        frmDocument* document = activeDocument();
        if (!document)
            return std::nullopt;
        return !document->rtfText->overwriteMode();
    };
}

// ---- Start-up and shutdown ----------------------------------------------------------------------

double frmMain::screenDpi() const
{
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    double dpi = s ? s->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

static std::optional<bool> storedBoolean(RegistryHandler& registry, const QString& name, const QString& fallback)
{
    return registry.GetRegValue(name, TaggedValue::fromString(fallback)).toBool();
}

void frmMain::Form_Load(const QString& commandLine)
{
    // A damaged settings file found while loading is reported once the window is up.
    SettingsNotices::watch(this);
    RegistryHandler& registry = CreatePrefRegistry();
    // Creates the key on the first run, before anything is read from it.
    registry.WriteRegValue(QStringLiteral("ID"), TaggedValue::fromString(QStringLiteral("1")));

    restoreGeometryTwips(WindowGeometry::readStored(registry));

    if (auto on = storedBoolean(registry, "ScriptWindowPersist", "False"))
        mnuStaysOpen->setChecked(*on);
    if (auto confirm = storedBoolean(registry, "ExecuteConfirm", "1"))
        mnuAutosave->setChecked(!*confirm);
    if (auto on = storedBoolean(registry, "ViewToolBar", "1"))
        mnuViewToolbar->setChecked(*on);
    if (auto on = storedBoolean(registry, "ViewStatusBar", "1"))
        mnuViewStatusBar->setChecked(*on);
    if (auto on = storedBoolean(registry, "ViewTabs", "1"))
        mnuTabs->setChecked(*on);
    tb->setVisible(mnuViewToolbar->isChecked());
    sbStatusBar->setVisible(mnuViewStatusBar->isChecked());

    LastSlot = 0;
    // The first document counts itself when ActiveDocumentIndex creates it.
    OpenCount = 0;
    QString path = commandLinePath(commandLine);
    ActiveDocumentIndex(path);

    LoadRecentFiles();
    DetectOsFlags();
    offerRecovery();
}

void frmMain::restoreGeometryTwips(const TwipsGeometry& geometry)
{
    if (!frameKeeper_)
        frameKeeper_ = new WindowGeometry::FrameKeeper(this);
    frameKeeper_->restore(geometry, screenDpi());
}

TwipsGeometry frmMain::currentGeometryTwips() const
{
    return frameKeeper_ ? frameKeeper_->current(screenDpi()) : WindowGeometry::toTwips(frameGeometry(), screenDpi());
}

bool frmMain::Form_QueryUnload()
{
    for (frmDocument* document : openDocuments())
        if (document->rtfText->Modified())
            AppClosing = true;
    // Each document asks about its own unsaved changes; one Cancel stops the whole close.
    for (frmDocument* document : openDocuments()) {
        if (!document->Form_QueryUnload(frmDocument::UnloadFromParent)) {
            // Activation must work again in a program that goes on running.
            AppClosing = false;
            return false;
        }
    }
    return true;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    if (RegistryHandler* registry = PrefRegistry()) {
        TwipsGeometry g = currentGeometryTwips();
        registry->WriteRegValue("MainLeft", TaggedValue::fromString(WindowGeometry::toText(g.left)));
        registry->WriteRegValue("MainTop", TaggedValue::fromString(WindowGeometry::toText(g.top)));
        registry->WriteRegValue("MainWidth", TaggedValue::fromString(WindowGeometry::toText(g.width)));
        registry->WriteRegValue("MainHeight", TaggedValue::fromString(WindowGeometry::toText(g.height)));
    }
    // The event loop may not run again: a failed write is reported now.
    SettingsNotices::showPending(this);
    // The program is ending: documents closing now must not activate (and so reload) anything.
    AppClosing = true;
    for (frmDocument* document : openDocuments())
        document->closeWithoutAsking();
    // Tool windows.
    frmOptions::Unload();
    frmExecuteWarning::Unload();
    unloadToolWindows();
    unloadWizards();
    frmAbout::Unload();
}

// ---- View toggles, resize and drops -------------------------------------------------------------

void frmMain::applyViewToggle(QAction* toggle, const QString& valueName)
{
    // The action is checkable: Qt has flipped the mark already when the menu was clicked.
    if (RegistryHandler* registry = PrefRegistry())
        registry->WriteRegValue(valueName, TaggedValue::fromString(toggle->isChecked() ? "1" : "0"));
}

void frmMain::mnuViewToolbar_Click()
{
    applyViewToggle(mnuViewToolbar, "ViewToolBar");
    tb->setVisible(mnuViewToolbar->isChecked());
}

void frmMain::mnuViewStatusBar_Click()
{
    applyViewToggle(mnuViewStatusBar, "ViewStatusBar");
    sbStatusBar->setVisible(mnuViewStatusBar->isChecked());
}

void frmMain::mnuTabs_Click()
{
    applyViewToggle(mnuTabs, "ViewTabs");
    picTabs->setVisible(mnuTabs->isChecked() && tsTabs->count() > 0);
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The tab row spans the window, less a little room at its right end (150 twips).
    int room = WindowGeometry::twipsToPixels(150, screenDpi());
    tsTabs->setMaximumWidth(qMax(0, width() - room));
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    OpenDroppedFiles(event->mimeData());
}

void frmMain::OpenDroppedFiles(const QMimeData* data)
{
    // Only a list of files counts; anything else dropped is ignored.
    if (!data || !data->hasUrls())
        return;
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << QDir::toNativeSeparators(url.toLocalFile());
    for (const QString& file : files) {
        OpenFile(file);
        QCoreApplication::processEvents();
    }
}
