// Files dropped on the frame window: one local file opens through the
// application's open, anything else is turned away before it lands.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "framework/Application.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/FrameWindow.h"
#include "framework/MessageBox.h"
#include "framework/RecentFileList.h"
#include "framework/View.h"
#include "platform/Profile.h"

namespace {

class BlankView : public framework::View {
public:
    void OnDraw(platform::DeviceContext&) override {}
    void OnInitialUpdate() override {
        ++initialUpdates;
        framework::View::OnInitialUpdate();
    }
    int initialUpdates = 0;
};

// Lets the test hand a drop to the frame as a platform that skips the
// enter step would.
class ProbeFrame : public framework::FrameWindow {
public:
    using framework::FrameWindow::dropEvent;
};

class DropTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/framework-drop-XXXXXX";
        folder = mkdtemp(pattern);
        previousTexts = framework::SetFrameworkTexts({});
        previousMessageHook = framework::SetMessageBoxHook(
            [this](const std::string&, const std::string& text) { shown.push_back(text); });
    }
    void TearDown() override {
        framework::SetMessageBoxHook(previousMessageHook);
        framework::SetFrameworkTexts(previousTexts);
        std::filesystem::remove_all(folder);
    }
    std::string MakeFile(const std::string& name) {
        std::string path = folder + "/" + name;
        std::ofstream(path) << "picture";
        return path;
    }
    static QUrl Url(const std::string& path) { return QUrl::fromLocalFile(QFile::decodeName(path.c_str())); }

    std::string folder;
    std::vector<std::string> shown;
    framework::FrameworkTexts previousTexts;
    framework::MessageBoxHook previousMessageHook;
};

TEST_F(DropTest, OneLocalFileOpensAsTheRecentListWouldAndAnythingElseIsRefused) {
    const std::string picture = MakeFile("写真 1.png");
    const std::string other = MakeFile("other.png");
    const std::string missing = folder + "/missing.png";
    struct Case {
        const char* name;
        std::function<void(QMimeData&)> fill;
        bool accepted;
        std::string opened;  // the document's path name afterwards; empty: still untitled
        size_t messages;
    };
    const Case cases[] = {
        {"one local file", [&](QMimeData& m) { m.setUrls({Url(picture)}); }, true, picture, 0},
        {"a file that vanished fails as the recent list's would", [&](QMimeData& m) { m.setUrls({Url(missing)}); },
         true, "", 1},
        {"two files",
         [&](QMimeData& m) {
             m.setUrls({Url(picture), Url(other)});
         },
         false, "", 0},
        {"a path as text", [&](QMimeData& m) { m.setText(QString::fromStdString(picture)); }, false, "", 0},
        {"a web address", [&](QMimeData& m) { m.setUrls({QUrl("http://example.com/a.png")}); }, false, "", 0},
        {"a web address with a path as text",
         [&](QMimeData& m) {
             m.setUrls({QUrl("https://example.com/other.png")});
             m.setText(QString::fromStdString(other));
         },
         false, "", 0},
        {"nothing at all", [](QMimeData&) {}, false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown.clear();
        framework::FrameworkTexts texts;
        texts.appTitle = "drops";
        texts.untitled = "untitled";
        framework::Application app(texts);
        app.SetProfileName(folder + "/drops.ini");
        app.LoadStdProfileSettings(4);
        BlankView* view = nullptr;
        app.AddDocTemplate(std::make_unique<framework::SingleDocTemplate>(
            1, "drops", [] { return std::make_unique<framework::Document>(); },
            [] { return std::make_unique<ProbeFrame>(); },
            [&view] {
                auto made = std::make_unique<BlankView>();
                view = made.get();
                return made;
            }));
        app.OnFileNew();
        framework::FrameWindow* frame = app.MainWindow();
        ASSERT_TRUE(frame && view);
        EXPECT_TRUE(frame->acceptDrops());
        const int updatesBefore = view->initialUpdates;

        QMimeData data;
        c.fill(data);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(!c.accepted);
        QCoreApplication::sendEvent(frame, &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted);

        // Qt hands the drop on only to a window that took the enter.
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        QCoreApplication::sendEvent(frame, &drop);
        EXPECT_EQ(drop.isAccepted(), c.accepted);
        if (!c.accepted) {
            QDropEvent direct(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            direct.setAccepted(true);
            static_cast<ProbeFrame*>(frame)->dropEvent(&direct);
            EXPECT_FALSE(direct.isAccepted());
        }
        QCoreApplication::processEvents();

        framework::Document* document = frame->GetActiveDocument();
        ASSERT_TRUE(document);
        EXPECT_EQ(document->GetPathName(), c.opened);
        EXPECT_EQ(shown.size(), c.messages);
        const auto& recent = app.GetRecentFileList()->Entries();
        if (c.opened.empty()) {
            EXPECT_EQ(document->GetTitle(), "untitled");
            EXPECT_TRUE(recent.empty());
            EXPECT_EQ(view->initialUpdates, updatesBefore);
        } else {
            EXPECT_EQ(document->GetTitle(), std::filesystem::path(c.opened).filename().string());
            EXPECT_EQ(frame->windowTitle().toStdString(), document->GetTitle() + " - drops");
            EXPECT_EQ(recent, std::vector<std::string>{c.opened});
            EXPECT_EQ(view->initialUpdates, updatesBefore + 1);
        }
    }
}

}  // namespace
