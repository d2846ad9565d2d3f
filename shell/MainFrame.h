#pragma once
// The main window: menu, dockable tool bar, the view and the status bar. It
// opens at the placement saved in the settings file and saves its outer
// rectangle there when it closes.

#include <QString>
#include <map>
#include <vector>

#include "framework/FrameWindow.h"

class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

class CMainFrame : public framework::FrameWindow {
    Q_OBJECT

public:
    CMainFrame();
    ~CMainFrame() override;

    bool PreCreateWindow(framework::CreateStruct& cs) override;
    int OnCreate() override;
    void OnClose() override;
    void SetActiveView(framework::View* view) override;

    // The action of a menu item or tool bar button; null for an unknown id.
    QAction* Action(int id) const;
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QStatusBar* StatusBar() const { return m_wndStatusBar; }
    QMenu* FileMenu() const { return fileMenu_; }
    // The recent-file entries as the File menu shows them now.
    std::vector<QAction*> RecentFileActions() const { return recentActions_; }

    // A command without a handler anywhere along the route is greyed.
    void UpdateCommandStates();
    // Rebuilds the File menu's recent-file entries from the list.
    void UpdateRecentFileMenu();
    // Shows each lock key's indicator while the key is on.
    void UpdateIndicators();

protected:
    bool event(QEvent* event) override;

private:
    void LoadMenu();
    bool CreateToolBar();
    bool CreateStatusBar();
    QAction* AddCommand(int id, const char* text, const char* prompt, const char* tip = nullptr);

    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;  // the separator after the recent files
    std::vector<QAction*> recentActions_;
    std::map<int, QAction*> actions_;
    std::map<int, QLabel*> indicators_;
};
