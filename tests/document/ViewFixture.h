#pragma once
// A frame holding only the view (no bars), so the view's size is the
// frame's, with a document and a settings file of the test's own.

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "board/PuzzleBoard.h"
#include "document/tesserinDoc.h"
#include "document/tesserinView.h"
#include "framework/Application.h"
#include "framework/FrameWindow.h"
#include "platform/Sleep.h"

class ViewFixture {
public:
    ViewFixture() {
        platform::SetSleepHook([](int) {});
        char pattern[] = "/tmp/tesserin-doc-test-XXXXXX";
        folder = mkdtemp(pattern);
        // The application holds the settings file; a test may have its own.
        if (!framework::AfxGetApp()) app = std::make_unique<framework::Application>(framework::GetFrameworkTexts());
        framework::AfxGetApp()->SetProfileName(folder + "/tesserin.ini");
        frame = std::make_unique<framework::FrameWindow>();
        document = std::make_unique<CtesserinDoc>();
        view = std::make_unique<CtesserinView>();
        view->Create(frame.get());
        document->AddView(view.get());
        frame->SetActiveView(view.get());
    }

    ~ViewFixture() {
        view.reset();
        document.reset();
        frame.reset();
        app.reset();
        platform::SetSleepHook({});
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Shows the frame with the view at width x height.
    void Show(int width, int height) {
        frame->resize(width, height);
        frame->show();
        QApplication::processEvents();
        frame->RecalcLayout();
    }

    QWidget* Widget() const { return view->Widget(); }
    PuzzleBoard& Board() const { return document->GetBoard(); }

    std::string folder;
    std::unique_ptr<framework::Application> app;
    std::unique_ptr<framework::FrameWindow> frame;
    std::unique_ptr<CtesserinDoc> document;
    std::unique_ptr<CtesserinView> view;
};
