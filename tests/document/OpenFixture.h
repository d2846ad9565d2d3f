#pragma once
// A document with its own settings file and application, picture files made
// in a folder of the test's own, message boxes and the open dialog answered
// by hooks, and formats of the test's own for the failures that real files
// cannot give.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/tesserinDoc.h"
#include "framework/Application.h"
#include "readers/BmpReader.h"
#include "tests/document/PictureFiles.h"
#include "framework/FileDialog.h"
#include "framework/FrameworkTexts.h"
#include "framework/MessageBox.h"
#include "framework/RecentFileList.h"
#include "framework/View.h"
#include "platform/GuiApplication.h"
#include "platform/Profile.h"
#include "platform/Sleep.h"
#include "resources/Resource.h"

namespace opentest {

// Formats of the test's own, each under its own extension.
class NoReaderFormat : public ImageFormat {
public:
    NoReaderFormat() : ImageFormat({"noreader"}, "NONE") {}
    std::unique_ptr<ImageReader> create_reader() const override { return nullptr; }
};

// Its reader throws an error of the standard family, not of the image's.
class ThrowingFormat : public ImageFormat {
public:
    ThrowingFormat() : ImageFormat({"throws"}, "THROW") {}
    std::unique_ptr<ImageReader> create_reader() const override {
        struct Reader : ImageReader {
            void read(Image&, std::istream&) override { throw std::runtime_error("読めません: boom"); }
        };
        return std::make_unique<Reader>();
    }
};

// Decodes every file into a 32-bit picture, which the board cannot prepare.
class DeepFormat : public ImageFormat {
public:
    DeepFormat() : ImageFormat({"deep"}, "DEEP") {}
    std::unique_ptr<ImageReader> create_reader() const override {
        struct Reader : ImageReader {
            void read(Image& image, std::istream&) override {
                image.clear();
                image.init_header();
                image.set_width(8);
                image.set_height(8);
                image.set_bit_count(32);
                image.create();
            }
        };
        return std::make_unique<Reader>();
    }
};

// The file goes between the framework's check and the stream's opening.
class VanishingFormat : public ImageFormat {
public:
    explicit VanishingFormat(std::string path) : ImageFormat({"vanish"}, "GONE"), path_(std::move(path)) {}
    std::unique_ptr<ImageReader> create_reader() const override {
        std::filesystem::remove(path_);
        return std::make_unique<BmpReader>();
    }

private:
    std::string path_;
};

// Counts the repaints the document asks for.
class CountingView : public framework::View {
public:
    void OnUpdate(framework::View*) override { ++updates; }
    void OnDraw(platform::DeviceContext&) override {}
    int updates = 0;
};

class OpenFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::EnsureGuiApplication();
        platform::SetSleepHook([](int) {});
        char pattern[] = "/tmp/tesserin-open-XXXXXX";
        folder = mkdtemp(pattern);
        settings = folder + "/tesserin.ini";
        app = std::make_unique<framework::Application>(res::FrameworkTexts());
        app->SetProfileName(settings);
        app->LoadStdProfileSettings(res::kRecentFileCount);
        previousMessageHook = framework::SetMessageBoxHook([this](const std::string& caption, const std::string& text) {
            EXPECT_EQ(caption, "tesserin");
            messages.push_back(text);
            if (onMessage)
                onMessage();
        });
        previousDialogHook = framework::SetFileDialogHook([this](const framework::OpenFileRequest& request) {
            requests.push_back(request);
            return dialogAnswer;
        });
        document = std::make_unique<CtesserinDoc>();
        document->formats.add(std::make_unique<NoReaderFormat>());
        document->formats.add(std::make_unique<ThrowingFormat>());
        document->formats.add(std::make_unique<DeepFormat>());
        document->formats.add(std::make_unique<VanishingFormat>(folder + "/gone.vanish"));
        document->AddView(&view);
    }

    void TearDown() override {
        if (document)
            document->RemoveView(&view);
        document.reset();
        app.reset();
        framework::SetMessageBoxHook(previousMessageHook);
        framework::SetFileDialogHook(previousDialogHook);
        platform::SetCurrentProfile("");
        platform::SetSleepHook({});
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string Path(const std::string& name) const { return folder + "/" + name; }

    // A fresh bitmap of w x h under name; returns its path.
    std::string Bmp(const std::string& name, int w = 6, int h = 4, Color c = Color(10, 20, 30)) const {
        WriteBmp(Path(name), w, h, c);
        return Path(name);
    }

    PuzzleBoard& Board() { return document->GetBoard(); }
    const Image* Picture() { return document->GetImage(); }

    std::vector<int> Pieces() {
        std::vector<int> pieces;
        for (const auto& row : Board().cells)
            for (const auto& cell : row)
                pieces.push_back(cell->pieceNumber);
        return pieces;
    }

    std::string Setting(const std::string& key) const {
        return platform::ProfileFile(settings).GetProfileString("Settings", key, "<absent>");
    }
    void Remember(const std::string& path) const {
        ASSERT_TRUE(platform::ProfileFile(settings).WriteProfileString("Settings", "Image", path));
    }
    std::vector<std::string> Recent() const { return app->GetRecentFileList()->Entries(); }

    std::string folder;
    std::string settings;
    std::unique_ptr<framework::Application> app;
    std::unique_ptr<CtesserinDoc> document;
    CountingView view;
    std::vector<std::string> messages;
    std::function<void()> onMessage;
    std::vector<framework::OpenFileRequest> requests;
    std::optional<std::string> dialogAnswer;
    framework::MessageBoxHook previousMessageHook;
    framework::FileDialogHook previousDialogHook;
};

}  // namespace opentest
