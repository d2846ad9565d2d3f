#include "document/tesserinView.h"

#include "board/BoardLayout.h"
#include "document/CommandIds.h"
#include "document/tesserinDoc.h"

CtesserinView::CtesserinView() {
    MapCommand(doc::kIdCoarser, [this] {
        if (PuzzleBoard* board = Board()) board->Coarser();
    });
    MapCommand(doc::kIdFiner, [this] {
        if (PuzzleBoard* board = Board()) board->Finer();
    });
    MapCommand(doc::kIdShuffle, [this] {
        if (PuzzleBoard* board = Board()) board->Shuffle();
    });
}

CtesserinView::~CtesserinView() {
    // The board outlives the view by a moment while the document closes.
    if (PuzzleBoard* board = Board(); board && board->view == this) board->view = nullptr;
}

CtesserinDoc* CtesserinView::GetDocument() const { return static_cast<CtesserinDoc*>(framework::View::GetDocument()); }

PuzzleBoard* CtesserinView::Board() const {
    CtesserinDoc* document = GetDocument();
    return document ? &document->GetBoard() : nullptr;
}

void CtesserinView::OnInitialUpdate() {
    framework::View::OnInitialUpdate();
    RecalcParentLayout();
    if (PuzzleBoard* board = Board()) board->view = this;
    // Once, at start-up: the picture of the last run comes back before the
    // board is laid out.
    if (!initialized) {
        if (CtesserinDoc* document = GetDocument()) document->OpenLastImage();
    }
    relayout();
    initialized = true;
}

void CtesserinView::relayout() {
    PuzzleBoard* board = Board();
    if (!board) return;
    Rect window = GetWindowRect();
    board::ApplyLayout(*board, board::LayoutForWindow(window.width(), window.height()));
}

void CtesserinView::OnDraw(platform::DeviceContext& dc) {
    if (PuzzleBoard* board = Board()) board->Draw(dc);
}

bool CtesserinView::OnEraseBkgnd(platform::DeviceContext& dc) {
    Rect window = GetWindowRect();
    dc.FillRect(0, 0, window.width(), window.height(), board::kBackground);
    return true;
}

void CtesserinView::OnLButtonDown(unsigned, Point point) {
    SetCapture();
    tracking = true;
    if (PuzzleBoard* board = Board()) board->MoveAt(point.x, point.y);
}

void CtesserinView::OnMouseMove(unsigned, Point point) {
    if (!tracking) return;
    if (PuzzleBoard* board = Board()) board->MoveAt(point.x, point.y);
}

void CtesserinView::OnLButtonUp(unsigned, Point) {
    ReleaseCapture();
    tracking = false;
}

void CtesserinView::OnSize(int, int) {
    if (initialized) relayout();
}

void CtesserinView::OnDevicePixelRatioChanged() {
    if (PuzzleBoard* board = Board(); board && board->view == this) board->MatchDeviceRatio();
}
