#include "document/tesserinDoc.h"

#include <exception>
#include <optional>
#include <utility>

#include "document/Settings.h"
#include "framework/Application.h"
#include "framework/CommandIds.h"
#include "framework/FileDialog.h"
#include "framework/FilePath.h"
#include "framework/MessageBox.h"
#include "framework/ProfileStore.h"
#include "platform/Profile.h"

namespace {

framework::ProfileStore SettingsStore() {
    framework::ProfileStore store;
    store.section = doc::kSettingsSection;
    return store;
}

}  // namespace

FormatRegistry PictureFormats() {
    FormatRegistry formats;
    formats.add(std::make_unique<BmpFormat>());
    formats.add(std::make_unique<PngFormat>());
    formats.add(std::make_unique<JpegFormat>());
    formats.add(std::make_unique<WebpFormat>());
    formats.add(std::make_unique<HeifFormat>());
    formats.add(std::make_unique<AvifFormat>());
    formats.add(std::make_unique<GifFormat>());
    formats.add(std::make_unique<TiffFormat>());
    return formats;
}

CtesserinDoc::CtesserinDoc(std::unique_ptr<PictureReadAhead> readAhead)
    : formats(PictureFormats()), readAhead(std::move(readAhead)), board(std::make_unique<PuzzleBoard>()) {
    MapCommand(framework::kIdFileOpen, [this] { OnFileOpen(); });
}

CtesserinDoc::~CtesserinDoc() {
    // A start whose named file could not be opened at all ends before the
    // document opened anything: the picture of the last game is kept.
    if (opened) {
        // The settings file keeps one value per line: a name with a line
        // break in it cannot be kept, and the older picture must not come
        // back instead.
        const std::string& path = GetPathName();
        SettingsStore().writeString(doc::kImageKey, platform::ProfileFile::CanHoldValue(path) ? path : std::string());
    }
    image.reset();
    board.reset();
}

bool CtesserinDoc::OnNewDocument() {
    if (!framework::Document::OnNewDocument()) return false;
    opened = true;
    if (image) ShowNumbers();
    return true;
}

void CtesserinDoc::ShowNumbers() {
    board->SetPicture(nullptr);
    image.reset();
}

bool CtesserinDoc::OnOpenDocument(const std::string& path) { return OpenImage(path) == OpenResult::Done; }

CtesserinDoc::OpenResult CtesserinDoc::OpenImage(const std::string& path) {
    if (!framework::Document::OnOpenDocument(path)) return OpenResult::FileNotOpened;
    opened = true;

    // Whatever the first open is, a read ahead is of no use after it.
    std::unique_ptr<PictureReadAhead> ahead = std::move(readAhead);
    std::unique_ptr<Image> candidate;
    try {
        if (ahead && ahead->Holds(path)) {
            candidate = ahead->Take();
        } else {
            // One read at a time: its thread ends before this one begins.
            ahead.reset();
            const ImageFormat& format = formats.find(framework::FilePath(path).extension());
            std::unique_ptr<ImageReader> reader = format.create_reader();
            if (!reader) {
                ShowNumbers();
                return OpenResult::NoReader;
            }
            candidate = ReadPicture(*reader, path);
        }
        if (!candidate) {
            ShowNumbers();
            return OpenResult::Done;
        }

        // The previous picture stays alive until the board has the next one:
        // the board only borrows it, and keeps it when the next one fails.
        board->SetPicture(candidate.get());
        image = std::move(candidate);
        return OpenResult::Done;
    } catch (const std::exception& error) {
        // The message comes while the board still shows the previous pieces.
        framework::AfxMessageBox(error.what());
        ShowNumbers();
        return OpenResult::Done;
    }
}

void CtesserinDoc::OnFileOpen() {
    framework::OpenFileRequest request;
    request.filter = formats.filter();
    request.defaultExtension = doc::kOpenDefaultExtension;
    request.createPrompt = true;
    if (std::optional<std::string> path = framework::ShowOpenFileDialog(request)) {
        OnOpenDocument(*path);
        // The title and the recent files show the file even after a failure.
        SetPathName(*path, true);
    }
    UpdateAllViews(nullptr);
}

std::string CtesserinDoc::FirstPicture(const framework::CommandLineInfo& commandLine) {
    switch (commandLine.command) {
        case framework::CommandLineInfo::FileOpen:
            return commandLine.fileName;
        case framework::CommandLineInfo::FileNew:
            return SettingsStore().getString(doc::kImageKey, "");
        default:
            return {};
    }
}

void CtesserinDoc::OpenLastImage() {
    // A file named on the command line is what the player asked for now.
    const framework::Application* app = framework::AfxGetApp();
    if (app && app->GetCommandLineInfo().command == framework::CommandLineInfo::FileOpen) return;
    framework::ProfileStore store = SettingsStore();
    const std::string last = store.getString(doc::kImageKey, "");
    if (last.empty()) return;
    if (OpenImage(last) == OpenResult::FileNotOpened) {
        // Deleted or moved since: said once, then forgotten, so that the
        // next start does not say it again.
        store.writeString(doc::kImageKey, "");
        return;
    }
    SetPathName(last, true);
}
