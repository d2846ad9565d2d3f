// The application as a whole, headless: start-up, the main frame's menus,
// tool bar and status bar, placement kept in the settings file, the
// framework's open and the recent files, the command line and shut-down.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "board/BoardCell.h"
#include "board/PuzzleBoard.h"
#include "document/tesserinDoc.h"
#include "document/tesserinView.h"
#include "framework/RecentFileList.h"
#include "shell/Resource.h"
#include "tests/document/PictureFiles.h"
#include "tests/shell/AppFixture.h"

namespace {

class AppTest : public ::testing::Test, public AppFixture {
protected:
    PuzzleBoard& Board() { return app->View()->GetDocument()->GetBoard(); }
    QString Title() { return Frame()->windowTitle(); }
    std::vector<int> Pieces() {
        std::vector<int> pieces;
        for (const auto& row : Board().cells)
            for (const auto& cell : row) pieces.push_back(cell->pieceNumber);
        return pieces;
    }
    // The visible texts of a menu, separators as "-".
    static std::vector<std::string> Texts(QMenu* menu) {
        std::vector<std::string> texts;
        for (QAction* action : menu->actions())
            texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        return texts;
    }
};

TEST_F(AppTest, FirstStartOpensTheDefaultWindowWithASolvedNumbersBoard) {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Frame());
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Frame()->WindowRect(), QRect(200, 100, 300, 400));
    EXPECT_EQ(Title(), QString("無題 - tesserin"));
    EXPECT_EQ(Board().view, app->View());
    EXPECT_EQ(Board().columns, 4);
    EXPECT_TRUE(app->View()->IsInitialized());
    EXPECT_TRUE(messages.empty());
}

TEST_F(AppTest, MenusCarryTheirLabelsPromptsAndShortcutTexts) {
    ASSERT_TRUE(Start());
    QList<QAction*> titles = Frame()->menuBar()->actions();
    ASSERT_EQ(titles.size(), 3);
    EXPECT_EQ(titles[0]->text(), QString("ファイル(&F)"));
    EXPECT_EQ(titles[1]->text(), QString("ツール(&T)"));
    EXPECT_EQ(titles[2]->text(), QString("ヘルプ(&H)"));

    EXPECT_EQ(Texts(titles[0]->menu()),
              (std::vector<std::string>{"数字", "画像を開く...\tCtrl+O(&O)", "-", "最近使ったﾌｧｲﾙ", "-",
                                        "アプリケーションの終了(&X)"}));
    EXPECT_EQ(Texts(titles[1]->menu()), (std::vector<std::string>{"細かく", "荒く", "シャッフル(&S)"}));
    EXPECT_EQ(Texts(titles[2]->menu()), (std::vector<std::string>{"バージョン情報 tesserin(&A)..."}));

    EXPECT_EQ(Frame()->Action(57600)->statusTip(), QString("新規にファイルを作成"));
    EXPECT_EQ(Frame()->Action(57601)->statusTip(), QString("既存の画像を開く"));
    EXPECT_EQ(Frame()->Action(57665)->statusTip(), QString("アプリケーションを終了し、ファイルの保存を指示\\終了"));
    EXPECT_EQ(Frame()->Action(130)->statusTip(), QString("ピースを細かくします"));
    EXPECT_EQ(Frame()->Action(131)->statusTip(), QString("ピースを荒くします"));
    EXPECT_EQ(Frame()->Action(132)->statusTip(), QString("シャッフルします"));
    EXPECT_EQ(Frame()->Action(57664)->statusTip(), QString("プログラム情報、バージョン、著作権を表示します。"));

    // The recent-file placeholder is greyed while the list is empty.
    QAction* placeholder = titles[0]->menu()->actions()[3];
    EXPECT_FALSE(placeholder->isEnabled());
    EXPECT_EQ(placeholder->statusTip(), QString("指定のファイルを開く"));
    // Every command has its handler.
    for (int id : {57600, 57601, 57665, 130, 131, 132, 57664}) EXPECT_TRUE(Frame()->Action(id)->isEnabled()) << id;
}

TEST_F(AppTest, ToolBarHoldsTheFourButtonsWithTooltips) {
    ASSERT_TRUE(Start());
    QToolBar* bar = Frame()->ToolBar();
    EXPECT_EQ(bar->iconSize(), QSize(16, 15));
    EXPECT_TRUE(bar->isMovable());
    EXPECT_TRUE(bar->isFloatable());
    EXPECT_EQ(Frame()->toolBarArea(bar), Qt::TopToolBarArea);
    QList<QAction*> buttons = bar->actions();
    ASSERT_EQ(buttons.size(), 5);
    EXPECT_EQ(buttons[0], Frame()->Action(131));
    EXPECT_EQ(buttons[1], Frame()->Action(130));
    EXPECT_TRUE(buttons[2]->isSeparator());
    EXPECT_EQ(buttons[3], Frame()->Action(132));
    EXPECT_EQ(buttons[4], Frame()->Action(57664));
    EXPECT_EQ(buttons[0]->toolTip(), QString("荒く"));
    EXPECT_EQ(buttons[1]->toolTip(), QString("細かく"));
    EXPECT_EQ(buttons[3]->toolTip(), QString("シャッフル"));
    EXPECT_EQ(buttons[4]->toolTip(), QString("バージョン情報"));
}

TEST_F(AppTest, ToolCommandsWorkFromTheToolBarAndFromTheMenu) {
    ASSERT_TRUE(Start());
    QToolBar* bar = Frame()->ToolBar();
    QTest::mouseClick(bar->widgetForAction(Frame()->Action(131)), Qt::LeftButton);
    EXPECT_EQ(Board().columns, 5);
    QTest::mouseClick(bar->widgetForAction(Frame()->Action(130)), Qt::LeftButton);
    QTest::mouseClick(bar->widgetForAction(Frame()->Action(130)), Qt::LeftButton);
    EXPECT_EQ(Board().columns, 3);

    Frame()->Action(131)->trigger();
    EXPECT_EQ(Board().columns, 4);
    Frame()->Action(130)->trigger();
    EXPECT_EQ(Board().rows, 3);

    const std::vector<int> solved = Pieces();
    // A shuffle may, rarely, land on the solved arrangement; a few tries settle it.
    for (int i = 0; i < 5 && Pieces() == solved; ++i)
        QTest::mouseClick(bar->widgetForAction(Frame()->Action(132)), Qt::LeftButton);
    EXPECT_NE(Pieces(), solved);
    Frame()->Action(57600)->trigger();  // numbers: solved again
    EXPECT_EQ(Pieces(), solved);
}

TEST_F(AppTest, StatusBarShowsReadyAndPromptsAndBlankLockIndicators) {
    ASSERT_TRUE(Start());
    QStatusBar* status = Frame()->StatusBar();
    QList<QLabel*> labels = status->findChildren<QLabel*>();
    std::vector<std::string> texts;
    for (QLabel* label : labels) texts.push_back(label->text().toStdString());
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "レディ");
    // The off-screen platform cannot tell the lock keys: blank panes.
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts[2], "");
    EXPECT_EQ(texts[3], "");

    Frame()->Action(132)->showStatusText(Frame());
    EXPECT_EQ(status->currentMessage(), QString("シャッフルします"));
}

TEST_F(AppTest, AcceleratorsRunNumbersAndOpen) {
    ASSERT_TRUE(Start());
    Board().Shuffle();
    QTest::keyClick(Frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Board().FindEmptyCell(), (PuzzleBoard::CellPosition{3, 3}));

    int asked = 0;
    framework::SetFileDialogHook([&](const framework::OpenFileRequest&) {
        ++asked;
        return std::optional<std::string>();
    });
    QTest::keyClick(Frame(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
}

TEST_F(AppTest, PlacementIsRestoredAndSavedAsTheOuterRectangle) {
    platform::ProfileFile(settings).WriteProfileInt("Settings", "left", 50);
    platform::ProfileFile(settings).WriteProfileInt("Settings", "top", 60);
    platform::ProfileFile(settings).WriteProfileInt("Settings", "width", 700);
    platform::ProfileFile(settings).WriteProfileInt("Settings", "height", 500);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->WindowRect(), QRect(50, 60, 700, 500));

    Frame()->setGeometry(30, 40, 640, 480);
    QApplication::processEvents();
    // What is saved is the outer rectangle, the window's frame included.
    const QRect outer = Frame()->frameGeometry();
    Close();
    EXPECT_EQ(Setting("Settings", "left"), std::to_string(outer.left()));
    EXPECT_EQ(Setting("Settings", "top"), std::to_string(outer.top()));
    EXPECT_EQ(Setting("Settings", "width"), std::to_string(outer.width()));
    EXPECT_EQ(Setting("Settings", "height"), std::to_string(outer.height()));
    EXPECT_EQ(Setting("Settings", "Image"), "");
}

TEST_F(AppTest, GarbledOrUnwritableSettingsGiveDefaultsAndNoCrash) {
    std::ofstream(settings, std::ios::binary) << std::string("\x00\xff[Settings\nleft=\x01\x02", 16);
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->WindowRect(), QRect(200, 100, 300, 400));
    Close();
    app.reset();

    // Sizes no window system makes are limited, not obeyed; a place on a
    // wide desktop of several screens is kept.
    std::ofstream(settings, std::ios::binary) << "[Settings]\nleft=-90000\ntop=9000\nwidth=40000\nheight=0\n";
    ASSERT_TRUE(Start());
    EXPECT_GE(Frame()->WindowRect().left(), -32767);
    EXPECT_EQ(Frame()->WindowRect().top(), 9000);
    EXPECT_LE(Frame()->frameGeometry().width(), 8192);
    EXPECT_GE(Frame()->frameGeometry().height(), 1);
    Close();
    app.reset();

    // A settings path below a plain file can be neither read nor written.
    const std::string blocker = MakeFile("blocker");
    settings = blocker + "/tesserin.ini";
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->WindowRect(), QRect(200, 100, 300, 400));
    Close();
    EXPECT_FALSE(std::filesystem::exists(settings));
}

TEST_F(AppTest, TheFrameworkOpenSetsThePathTitleAndRecentFiles) {
    ASSERT_TRUE(Start());
    const std::string first = MakeFile("first.png");
    const std::string second = MakeFile("second & more.png");
    dialogAnswer = first;
    Frame()->Action(57601)->trigger();
    EXPECT_EQ(Title(), QString("first.png - tesserin"));
    dialogAnswer = second;
    Frame()->Action(57601)->trigger();
    EXPECT_EQ(app->View()->GetDocument()->GetPathName(), second);

    Frame()->UpdateRecentFileMenu();
    std::vector<QAction*> entries = Frame()->RecentFileActions();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]->text().toStdString(), "&1 " + folder + "/second && more.png");
    EXPECT_EQ(entries[1]->text().toStdString(), "&2 " + first);
    EXPECT_EQ(entries[0]->statusTip(), QString("指定のファイルを開く"));

    // Choosing an entry opens it as the framework's open does.
    entries[1]->trigger();
    EXPECT_EQ(Title(), QString("first.png - tesserin"));
    EXPECT_EQ(app->GetRecentFileList()->Entries().front(), first);

    // Neither file is a picture: each open said so, and still counted.
    EXPECT_EQ(messages, std::vector<std::string>(3, "フォーマットエラー"));
    messages.clear();

    // An entry that no longer opens is reported and dropped.
    std::filesystem::remove(second);
    Frame()->UpdateRecentFileMenu();
    Frame()->RecentFileActions()[1]->trigger();
    EXPECT_EQ(messages, std::vector<std::string>{res::kFileOpenFailed});
    EXPECT_EQ(app->GetRecentFileList()->Entries(), std::vector<std::string>{first});
    EXPECT_EQ(Title(), QString("first.png - tesserin"));
}

TEST_F(AppTest, ShutDownWritesPlacementAndImageAtCloseAndRecentFilesAtExit) {
    const std::string picture = MakeFile("p.bmp");
    ASSERT_TRUE(Start({picture}));
    EXPECT_EQ(Title(), QString("p.bmp - tesserin"));
    Frame()->close();
    EXPECT_EQ(Setting("Settings", "width"), "300");
    EXPECT_EQ(Setting("Settings", "Image"), picture);
    EXPECT_EQ(Setting("Recent File List", "File1"), "<absent>");
    app->ExitInstance();
    EXPECT_EQ(Setting("Recent File List", "File1"), picture);

    // The next start reads the list back.
    app.reset();
    ASSERT_TRUE(Start());
    EXPECT_EQ(app->GetRecentFileList()->Entries(), std::vector<std::string>{picture});
}

TEST_F(AppTest, ExitCommandClosesLikeTheCloseButton) {
    ASSERT_TRUE(Start());
    Frame()->Action(57665)->trigger();
    EXPECT_EQ(Frame(), nullptr);
    EXPECT_EQ(Setting("Settings", "left"), "200");
    EXPECT_EQ(Setting("Settings", "Image"), "");
}

TEST_F(AppTest, AFileThatCannotBeOpenedOnTheCommandLineEndsStartUp) {
    platform::ProfileFile(settings).WriteProfileString("Settings", "Image", "/remembered.png");
    EXPECT_FALSE(Start({folder + "/missing.png"}));
    EXPECT_EQ(Frame(), nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{res::kFileOpenFailed});
    // The document went with the window, leaving the remembered picture.
    EXPECT_EQ(Setting("Settings", "Image"), "/remembered.png");
}

TEST_F(AppTest, StartUpShowsTheFileNamedOnTheCommandLineElseTheRememberedPicture) {
    struct Row {
        const char* what;
        std::string remembered;
        std::vector<std::string> arguments;
        std::vector<std::string> messages;
        std::string pathName;      // "" for the numbers board
        std::string imageSetting;  // right after start-up
        int width = 0;
    };
    const std::string last = folder + "/last.bmp";
    const std::string other = folder + "/other one.bmp";
    opentest::WriteBmp(last, 8, 6, Color(1, 2, 3));
    opentest::WriteBmp(other, 5, 5, Color(4, 5, 6));
    const std::string junk = MakeFile("junk.png");
    const std::string gone = folder + "/gone.png";
    const std::vector<Row> rows = {
        {"remembered", last, {}, {}, last, last, 8},
        {"named on the command line", last, {other}, {}, other, last, 5},
        {"remembered but gone", gone, {}, {res::kFileOpenFailed}, "", ""},
        {"remembered but no picture", junk, {}, {"フォーマットエラー"}, junk, junk},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        platform::ProfileFile(settings).WriteProfileString("Settings", "Image", row.remembered);
        messages.clear();
        ASSERT_TRUE(Start(row.arguments));
        CtesserinDoc* document = app->View()->GetDocument();
        EXPECT_EQ(messages, row.messages);
        EXPECT_EQ(document->GetPathName(), row.pathName);
        EXPECT_EQ(Setting("Settings", "Image"), row.imageSetting);
        if (row.width) {
            ASSERT_NE(document->GetImage(), nullptr);
            EXPECT_EQ(document->GetImage()->width(), row.width);
            // Laid out after the open: the picture fills the final square.
            EXPECT_EQ(Board().boardImage.width(), Board().width);
            // Only the first initial update reopens it, not File > numbers'.
            Frame()->Action(57600)->trigger();
            EXPECT_EQ(document->GetImage(), nullptr);
            document->SetPathName(row.pathName, false);  // as it was, for the next start
        } else {
            EXPECT_EQ(document->GetImage(), nullptr);
        }
        Close();
        app.reset();

        // The next start shows what this one left, and says nothing new
        // about a picture that was gone.
        messages.clear();
        ASSERT_TRUE(Start());
        if (row.remembered == gone) {
            EXPECT_TRUE(messages.empty());
        }
        EXPECT_EQ(app->View()->GetDocument()->GetPathName(), row.pathName);
        Close();
        app.reset();
    }
}

TEST_F(AppTest, CommandLineNamesStayBytesAndQtsOwnOptionsAreNoFiles) {
    const std::string picture = folder + "/bad\xff\xfe name.bmp";
    opentest::WriteBmp(picture, 4, 4, Color(9, 9, 9));
    std::string program = "tesserin", option = "-platform", value = "offscreen";
    std::string name = picture;
    char* argv[] = {program.data(), option.data(), value.data(), name.data(), nullptr};
    int argc = 4;
    app = std::make_unique<CtesserinApp>(settings);
    app->InitBeforeToolkit(argc, argv);
    app->SetArguments(argc, argv);
    // What the Qt application does with its own options when it starts.
    argv[1] = argv[3];
    argv[2] = nullptr;
    argc = 2;
    ASSERT_TRUE(app->InitInstance());
    EXPECT_TRUE(messages.empty());
    CtesserinDoc* document = app->View()->GetDocument();
    EXPECT_EQ(document->GetPathName(), picture);
    ASSERT_NE(document->GetImage(), nullptr);
    EXPECT_EQ(document->GetImage()->width(), 4);
    Close();
    EXPECT_EQ(Setting("Settings", "Image"), picture);
}

}  // namespace
