#pragma once
// The application's one document: it owns the board for its whole life and
// remembers its path in the settings file when it goes. File > numbers is the
// framework's new document; the view's initial update that follows rebuilds
// the board.

#include <memory>

#include "board/PuzzleBoard.h"
#include "framework/Document.h"

class CtesserinDoc : public framework::Document {
public:
    CtesserinDoc();
    ~CtesserinDoc() override;

    PuzzleBoard& GetBoard() { return *board; }

private:
    std::unique_ptr<PuzzleBoard> board;
};
