#pragma once
// The main window: the frame of every script document, its menus, toolbar, script tabs and status
// bar; the set of open documents; the file commands and the recent-files list.

#include "app/RecentFileList.h"
#include "app/WindowGeometry.h"
#include "execution/ExecutionHost.h"
#include "document/DocumentHost.h"
#include "document/VarListHost.h"
#include "wizards/WizardHost.h"
#include "document/EditMenuHost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <memory>

class QAction;
class QLabel;
class QMdiArea;
class QMimeData;
class QMdiSubWindow;
class QMenu;
class QTabBar;
class QToolBar;
class CodeEditor;
class RegistryHandler;
class StatusPanels;
class frmDocument;
class frmChr;
class frmMessageBox;
struct FileError;
struct RecoveryRecord;

class frmMain : public QMainWindow, public DocumentSet, public DocumentHost, public ExecutionHost, public VarListHost, public WizardHost, public EditMenuHost {
    Q_OBJECT
public:
    // Builds the window and runs the start-up sequence with the given command-line text.
    explicit frmMain(const QString& commandLine = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // The one main window (nullptr when none exists).
    static frmMain* instance();

    // Command-line text as one path: every double quote removed.
    static QString commandLinePath(const QString& commandLineText);

    // ---- Document set (the slots and flags are DocumentSet's) -----------------------------------
    bool OsVersion5OrLater = false;
    bool OsIsNT = false;
    // The remembered file name: the path of the last saved document activated, opened or saved.
    QString CurrentFileName;

    int ActiveDocumentIndex(const QString& fileToLoad = QString());
    int NextFreeSlot();
    QList<frmDocument*> openDocuments() const;

    // DocumentHost
    DocumentSet& documentSet() override { return *this; }
    frmDocument* activeDocument() const override;
    CodeEditor* activeEditor() override;
    void activateDocument(frmDocument* document) override;
    QWidget* hostWindow() override { return this; }
    void documentActivated(frmDocument* document) override;
    void DestroyTab() override;
    void setMenu() override;
    void enableUndoButton() override;

    void TabAdd();
    // Relabels the tab keyed by oldKey (the document's caption before Save As) from the caption of
    // the document in front; a document without a tab gets one. No key: the selected tab.
    void TabRename(const QString& oldKey = QString());
    // The index of the tab whose key names the same document as caption, or -1.
    int tabIndexOf(const QString& caption) const;
    // A path as it enters the program (command line, drop, dialogs, recent files): absolute and clean,
    // so that a later change of the current folder cannot send a save elsewhere.
    static QString enteredPath(const QString& path);

    // ---- File commands ------------------------------------------------------------------------
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    // Return true when the script was written.
    bool mnuFileSave_Click() override;
    bool mnuFileSaveAs_Click() override;
    void mnuFilePrint_Click();
    void OpenFile(const QString& path);
    // Files dropped on the window open one after another, in the order given.
    void OpenDroppedFiles(const QMimeData* data);
    // Changes made on disk by other programs (frmMainDiskChanges.cpp).
    void watchDocumentFile(frmDocument* document);
    void checkDiskChanges(frmDocument* document);
    void checkAllDiskChanges();
    // False when the file changed on disk since it was read or written and the user keeps it.
    bool mayOverwrite(frmDocument* document);
    // How a file that another running editor holds with unsaved changes is opened here, if at all
    // (frmMainRecovery.cpp). Asked once per opening.
    enum class OpenChoice { Editable, ReadOnly, Nothing };
    OpenChoice askAboutOtherEditors(const QString& path);
    void makeReadOnly(frmDocument* document);

    // ---- Recent files -------------------------------------------------------------------------
    void LoadRecentFiles();
    void ShowRecentFile(int index);
    void AddRecentFile(const QString& path);
    void SaveRecentFiles();
    // Fills RecentFiles from the registry (RecentRegistry must be set up).
    void readStoredRecentFiles();
    void mnuFileMRU_Click(int index);
    RecentFileList RecentFiles;

    // ---- Window parts other windows reach ------------------------------------------------------
    QMdiArea* mdiArea() const { return mdi_; }
    QWidget* picTabs = nullptr;
    QTabBar* tsTabs = nullptr;
    QToolBar* tb = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    // Toolbar positions 1 to 20 (separators included) at index position - 1.
    std::array<QAction*, 20> tbButtons{};
    QAction* toolbarButton(const QString& key) const;
    // Every shortcut of the menu bar: the editing control leaves these keys to the menus.
    QList<QKeySequence> menuShortcuts() const override;
    EditMenuHost* editMenu() override { return this; }

    // Menu items (captions, shortcuts and states are set up by the constructor).
    QMenu* mnuFile = nullptr;
    QAction *mnuFileNew = nullptr, *mnuFileOpen = nullptr, *mnuFileClose = nullptr,
            *mnuFileSave = nullptr, *mnuFileSaveAs = nullptr, *mnuFilePrint = nullptr,
            *mnuFileBar1 = nullptr, *mnuFileExit = nullptr;
    std::array<QAction*, RecentFileList::Capacity> mnuFileMRU{};
    QMenu* mnuEdit = nullptr;
    QAction *mnuCsHelp = nullptr, *mnuEditUndo = nullptr, *mnuEditRedo = nullptr,
            *mnuEditCut = nullptr, *mnuEditCopy = nullptr, *mnuEditPaste = nullptr,
            *mnuEditSelectAll = nullptr, *mnuEditFind = nullptr, *mnuEditFindNext = nullptr,
            *mnuEditReplace = nullptr, *mnuEditGoTo = nullptr;
    QMenu* mnuJumpToLabel = nullptr;
    QAction* mnuJumpNone = nullptr;
    std::array<QAction*, 20> mnuLabelMarker{};
    QMenu* mnuView = nullptr;
    QAction *mnuErrorCodes = nullptr, *mnuVarList = nullptr, *mnuViewToolbar = nullptr,
            *mnuViewStatusBar = nullptr, *mnuTabs = nullptr;
    QMenu* mnuInsert = nullptr;
    QMenu* mnuWizards = nullptr;
    QAction *mnuMessagebox = nullptr, *mnuInsertCharacter = nullptr, *mnuColor = nullptr,
            *mnuIni = nullptr, *mnuEnviron = nullptr, *mnuCommandPrompt = nullptr,
            *mnuEditPreferences = nullptr;
    QMenu* mnuScript = nullptr;
    QAction *mnuExecute = nullptr, *mnuDebug = nullptr, *mnuStaysOpen = nullptr,
            *mnuAutosave = nullptr;
    QMenu* mnuWindow = nullptr;
    QAction *mnuWindowNewWindow = nullptr, *mnuWindowCascade = nullptr,
            *mnuWindowTileHorizontal = nullptr, *mnuWindowTileVertical = nullptr,
            *mnuWindowArrangeIcons = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction *mnuOnlineHelp = nullptr, *mnuAbout = nullptr;

    // View toggles.
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuTabs_Click();
    void tsTabs_Click(int index);

    // View menu tool windows.
    void mnuErrorCodes_Click();
    void mnuVarList_Click();
    CodeEditor* VarListEditor() override;

    // Edit commands routed to the active control.
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuEditFind_Click();
    void tb_ButtonClick(const QString& key);
    void CommentSelection();
    void UncommentSelection();
    void mnuLabelMarker_Click(int index);
    void mnuCsHelp_Click();
    void mnuOnlineHelp_Click();
    void mnuAbout_Click();

    // The Edit menu as a document's right-click menu.
    QAction* csHelpItem() const override { return mnuCsHelp; }
    QMenu* jumpToLabelMenu() const override { return mnuJumpToLabel; }
    QAction* jumpNoneItem() const override { return mnuJumpNone; }
    QAction* labelMarkerItem(int index) const override { return mnuLabelMarker.at(size_t(index)); }
    void popUpEditMenu(QAction* defaultItem, const QPoint& globalPos) override;

    // Script menu and the command prompt (frmMainScript.cpp).
    void mnuExecute_Click();
    void mnuDebug_Click();
    void mnuStaysOpen_Click();
    void mnuAutosave_Click();
    void mnuCommandPrompt_Click();
    void DetectOsFlags();
    QString ActiveScriptPath() override;
    bool ActiveScriptModified() override;
    void SaveActiveScript() override;
    QString InterpreterPath() override;
    QString ScriptsFolder() override;
    bool ScriptWindowStaysOpen() override;
    bool OsVersion5OrLaterFlag() override;
    bool OsIsNTFlag() override;
    QWidget* HostWindow() override;
    QString HostTitle() override;

    // Code wizards (frmMainWizards.cpp): each opens modeless, or comes back as it was left.
    CodeEditor* WizardEditor() override;
    void mnuMessagebox_Click();
    void ShowInsertWizard(int tab); // tab 1 to 4; 0 keeps the page an open window shows
    QPointer<frmMessageBox> MessageBoxWizard;
    QPointer<frmChr> InsertWizard;

    // The geometry last applied from the registry and the geometry that would be written now.
    TwipsGeometry currentGeometryTwips() const;
    double screenDpi() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void connectScriptMenu();
    void buildDocumentKeys();
    void connectWizardMenus();
    void unloadWizards();
    void buildToolBar();
    void buildTabsAndStatusBar();
    void connectToolWindows();
    void unloadToolWindows();
    void Form_Load(const QString& commandLine);
    // Offers the unsaved work of editors that ended without saving it (frmMainRecovery.cpp).
    void offerRecovery();
    // A question at start-up is asked in front of the main window, not before it appears.
    void showBeforeAsking();
    void Form_Unload();
    void restoreGeometryTwips(const TwipsGeometry& geometry);
    void applyViewToggle(QAction* item, const QString& valueName);
    bool Form_QueryUnload();
    frmDocument* createDocument(int slot);
    bool openFileReportingFailure(const QString& pathAsGiven);
    void arrangeWindows(int arrangement);
    bool HasHeaderStamp();
    void StampHeader();
    void closeBookkeeping();
    bool reportSaveError(const FileError& error);
    // Writes the document to path; a failure is known as the editor's own doing before it is reported.
    FileError saveDocument(frmDocument* document, const QString& path);
    // A restored document whose file changed since its record: Save asks before overwriting.
    void compareWithRecordBase(frmDocument* document, const RecoveryRecord& record);
    void refreshWindowList();
    void refreshUndoButtons();
    void refreshFrameTitle();
    void connectEditCommands();
    CodeEditor* commandTarget() const;

    QMdiArea* mdi_ = nullptr;
    StatusPanels* statusPanels_ = nullptr;
    std::unique_ptr<RegistryHandler> RecentRegistry;
    WindowGeometry::FrameKeeper* frameKeeper_ = nullptr;
    QList<QAction*> windowListActions_;
    QList<QAction*> documentKeys_; // Ctrl+F4, Ctrl+Tab, Ctrl+Shift+Tab
    bool selectingTab_ = false; // the program itself is selecting a tab: no activation follows
};
