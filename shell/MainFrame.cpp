#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>

#include "display/LockKeys.h"
#include "framework/Application.h"
#include "framework/Document.h"
#include "framework/ProfileStore.h"
#include "framework/RecentFileList.h"
#include "framework/View.h"
#include "shell/Resource.h"
#include "shell/ToolBarStrip.h"

namespace {

QString Text(const char* text) { return QString::fromUtf8(text); }

// Menu text for a recent file: its number as the mnemonic, "&" kept literal.
QString RecentEntryText(int index, const std::string& path) {
    QString shown = QString::fromStdString(path);
    shown.replace('&', "&&");
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace

CMainFrame::CMainFrame() = default;
CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow(framework::CreateStruct& cs) {
    if (!framework::FrameWindow::PreCreateWindow(cs)) return false;
    framework::ProfileStore store;
    store.section = res::kSettingsSection;
    cs.x = store.getInt("left", 200);
    cs.y = store.getInt("top", 100);
    cs.cx = store.getInt("width", 300);
    cs.cy = store.getInt("height", 400);
    return true;
}

QAction* CMainFrame::AddCommand(int id, const char* text, const char* prompt, const char* tip) {
    QAction* action = CommandAction(id, Text(text), Text(prompt));
    if (tip) action->setToolTip(Text(tip));
    connect(action, &QAction::triggered, this, [this] { UpdateCommandStates(); });
    actions_[id] = action;
    return action;
}

void CMainFrame::LoadMenu() {
    QMenuBar* bar = menuBar();
    fileMenu_ = bar->addMenu(Text(res::kMenuFile));
    fileMenu_->addAction(AddCommand(res::kIdFileNew, res::kItemFileNew, res::kPromptFileNew));
    fileMenu_->addAction(AddCommand(res::kIdFileOpen, res::kItemFileOpen, res::kPromptFileOpen));
    fileMenu_->addSeparator();
    recentSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(AddCommand(res::kIdAppExit, res::kItemAppExit, res::kPromptAppExit));
    connect(fileMenu_, &QMenu::aboutToShow, this, [this] {
        UpdateRecentFileMenu();
        UpdateCommandStates();
    });

    QMenu* tools = bar->addMenu(Text(res::kMenuTools));
    tools->addAction(AddCommand(res::kIdCoarser, res::kItemCoarser, res::kPromptCoarser, res::kTipCoarser));
    tools->addAction(AddCommand(res::kIdFiner, res::kItemFiner, res::kPromptFiner, res::kTipFiner));
    tools->addAction(AddCommand(res::kIdShuffle, res::kItemShuffle, res::kPromptShuffle, res::kTipShuffle));
    connect(tools, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });

    QMenu* help = bar->addMenu(Text(res::kMenuHelp));
    help->addAction(AddCommand(res::kIdAppAbout, res::kItemAppAbout, res::kPromptAppAbout, res::kTipAppAbout));
    connect(help, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });

    // The accelerator table: the menu texts stay exactly as they are.
    auto* newKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    connect(newKey, &QShortcut::activated, this, [this] { RouteCommand(res::kIdFileNew); });
    auto* openKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(openKey, &QShortcut::activated, this, [this] { RouteCommand(res::kIdFileOpen); });

    UpdateRecentFileMenu();
}

bool CMainFrame::CreateToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->setIconSize(QSize(toolbar::kButtonWidth, toolbar::kButtonHeight));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    const QImage strip = toolbar::DrawStrip();
    struct Button {
        int id;
        int image;
    };
    const Button buttons[] = {
        {res::kIdFiner, 0}, {res::kIdCoarser, 1}, {-1, -1}, {res::kIdShuffle, 2}, {res::kIdAppAbout, 3}};
    for (const Button& button : buttons) {
        if (button.id < 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = Action(button.id);
        if (!action) return false;
        action->setIcon(toolbar::ButtonIcon(strip, button.image));
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    return true;
}

bool CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    // The message pane: hidden while a menu item's or button's prompt shows.
    m_wndStatusBar->addWidget(new QLabel(Text(res::kReady)), 1);
    const std::pair<int, const char*> panes[] = {{res::kIdIndicatorCaps, res::kIndicatorCaps},
                                                 {res::kIdIndicatorNum, res::kIndicatorNum},
                                                 {res::kIdIndicatorScroll, res::kIndicatorScroll}};
    for (const auto& [id, text] : panes) {
        auto* pane = new QLabel;
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(Text(text)) + 8);
        pane->setProperty("indicatorText", Text(text));
        indicators_[id] = pane;
        m_wndStatusBar->addPermanentWidget(pane);
    }
    setStatusBar(m_wndStatusBar);
    UpdateIndicators();
    return true;
}

int CMainFrame::OnCreate() {
    if (framework::FrameWindow::OnCreate() == -1) return -1;
    LoadMenu();
    if (!CreateToolBar() || !CreateStatusBar()) return -1;
    UpdateCommandStates();
    return 0;
}

void CMainFrame::OnClose() {
    QRect rect = WindowRect();
    framework::ProfileStore store;
    store.section = res::kSettingsSection;
    // Where the compositor places windows the position read back means
    // nothing: keep the one a session that could place the window saved.
    if (CanPlaceItself()) {
        store.writeInt("left", rect.left());
        store.writeInt("top", rect.top());
    }
    store.writeInt("width", rect.width());
    store.writeInt("height", rect.height());
    framework::FrameWindow::OnClose();
}

void CMainFrame::SetActiveView(framework::View* view) {
    framework::FrameWindow::SetActiveView(view);
    UpdateCommandStates();
}

QAction* CMainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommandStates() {
    framework::View* view = GetActiveView();
    framework::Document* document = GetActiveDocument();
    framework::Application* app = framework::AfxGetApp();
    for (auto& [id, action] : actions_) {
        bool handled = (view && view->HandlesCommand(id)) || (document && document->HandlesCommand(id)) ||
                       HandlesCommand(id) || (app && app->HandlesCommand(id));
        action->setEnabled(handled);
    }
}

void CMainFrame::UpdateRecentFileMenu() {
    if (!fileMenu_) return;
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();

    framework::Application* app = framework::AfxGetApp();
    framework::RecentFileList* list = app ? app->GetRecentFileList() : nullptr;
    if (!list || list->Empty()) {
        auto* placeholder = new QAction(Text(res::kRecentFilePlaceholder), fileMenu_);
        placeholder->setStatusTip(Text(res::kPromptFileMru));
        placeholder->setEnabled(false);
        recentActions_.push_back(placeholder);
    } else {
        const auto& entries = list->Entries();
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            int id = res::kIdFileMruFirst + i;
            auto* entry = new QAction(RecentEntryText(i, entries[i]), fileMenu_);
            entry->setStatusTip(Text(res::kPromptFileMru));
            entry->setData(id);
            connect(entry, &QAction::triggered, this, [this, id] { RouteCommand(id); });
            recentActions_.push_back(entry);
        }
    }
    for (QAction* action : recentActions_) fileMenu_->insertAction(recentSeparator_, action);
}

void CMainFrame::UpdateIndicators() {
    const std::pair<int, display::LockKey> keys[] = {{res::kIdIndicatorCaps, display::LockKey::Caps},
                                                     {res::kIdIndicatorNum, display::LockKey::Num},
                                                     {res::kIdIndicatorScroll, display::LockKey::Scroll}};
    for (const auto& [id, key] : keys) {
        auto it = indicators_.find(id);
        if (it == indicators_.end()) continue;
        QLabel* pane = it->second;
        bool on = display::IsLockKeyOn(key);
        pane->setText(on ? pane->property("indicatorText").toString() : QString());
    }
}

bool CMainFrame::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::WindowActivate:
        case QEvent::KeyPress:
            UpdateIndicators();
            break;
        default:
            break;
    }
    return framework::FrameWindow::event(e);
}
