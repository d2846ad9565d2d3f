#pragma once
// The application's one document: it owns the format registry, the board and
// the current picture, opens image files (its own open dialog, the
// framework's recent files and command line, the picture remembered from the
// last run) and remembers its path in the settings file when it goes, unless
// it never opened anything. Every failure to open is reported and leaves the
// numbers picture.

#include <memory>
#include <string>

#include "board/PuzzleBoard.h"
#include "document/PictureReadAhead.h"
#include "framework/Document.h"
#include "image/Image.h"
#include "readers/FormatRegistry.h"

namespace framework {
struct CommandLineInfo;
}

// Every format the game reads, in lookup and filter order: bitmap, PNG,
// JPEG, WebP, HEIF, AVIF, GIF, TIFF.
FormatRegistry PictureFormats();

class CtesserinDoc : public framework::Document {
public:
    // readAhead, when given, may already hold the first picture to open.
    explicit CtesserinDoc(std::unique_ptr<PictureReadAhead> readAhead = nullptr);
    ~CtesserinDoc() override;

    // Numbers picture: the framework's new document, then the picture goes.
    bool OnNewDocument() override;
    // Decodes path into a new picture and hands it to the board. False when
    // the framework cannot open the file, or the format gives no reader;
    // every other failure is shown (or silent, for a stream that cannot be
    // opened), leaves the numbers picture and still returns true.
    bool OnOpenDocument(const std::string& path) override;
    // File > open image: the registry's filter in the open dialog, then the
    // open and the path name whatever came of it, and a repaint.
    void OnFileOpen();
    // Reopens the picture remembered from the last run, unless the program
    // was started with a file of its own.
    void OpenLastImage();
    // The picture a start with this command line opens first: the file it
    // names, or the one remembered from the last run; empty for none.
    static std::string FirstPicture(const framework::CommandLineInfo& commandLine);

    PuzzleBoard& GetBoard() { return *board; }
    // The current picture, or null for the numbers picture.
    const Image* GetImage() const { return image.get(); }

    // The known formats, those of PictureFormats.
    FormatRegistry formats;

private:
    enum class OpenResult {
        FileNotOpened,  // the framework's check failed; nothing changed
        NoReader,       // numbers picture, no message
        Done,           // a picture, or the numbers picture after a failure
    };
    OpenResult OpenImage(const std::string& path);
    void ShowNumbers();

    std::unique_ptr<PictureReadAhead> readAhead;
    std::unique_ptr<PuzzleBoard> board;
    std::unique_ptr<Image> image;
    // A numbers board was made, or a file got past the framework's check.
    bool opened = false;
};
