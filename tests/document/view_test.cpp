// The view: board layout from the window size, the mouse protocol, the three
// tool commands and the painted background.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QWindow>
#include <vector>

#include "board/BoardCell.h"
#include "display/SurfaceWidget.h"
#include "shell/Resource.h"
#include "tests/document/ViewFixture.h"

namespace {

QPoint CellCentre(const PuzzleBoard& board, int row, int column) {
    const BoardCell& cell = *board.cells[row][column];
    return QPoint(cell.x + cell.width / 2, cell.y + cell.height / 2);
}

std::vector<int> Pieces(const PuzzleBoard& board) {
    std::vector<int> pieces;
    for (const auto& row : board.cells)
        for (const auto& cell : row) pieces.push_back(cell->pieceNumber);
    return pieces;
}

void SendMove(QWidget* widget, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

class ViewTest : public ::testing::Test, public ViewFixture {};

TEST_F(ViewTest, LaysTheBoardOutAsACentredSquareFollowingTheWindow) {
    struct Case {
        int width, height;
        int left, side;
    };
    // Wider than high, higher than wide, and square (the width branch).
    for (Case c : {Case{640, 480, 95, 450}, Case{300, 500, 15, 270}, Case{400, 400, 15, 370}}) {
        Show(c.width, c.height);
        ASSERT_EQ(Widget()->size(), QSize(c.width, c.height));
        view->OnInitialUpdate();
        EXPECT_EQ(Board().left, c.left) << c.width << "x" << c.height;
        EXPECT_EQ(Board().top, 10);
        EXPECT_EQ(Board().width, c.side);
        EXPECT_EQ(Board().height, c.side);
    }
}

TEST_F(ViewTest, SizeChangesRelayOutOnlyAfterTheFirstInitialUpdate) {
    Show(640, 480);
    const int left = Board().left, width = Board().width;
    frame->resize(500, 300);
    QApplication::processEvents();
    EXPECT_EQ(Board().left, left);
    EXPECT_EQ(Board().width, width);
    EXPECT_FALSE(view->IsInitialized());

    view->OnInitialUpdate();
    EXPECT_TRUE(view->IsInitialized());
    EXPECT_EQ(Board().view, view.get());
    frame->resize(640, 480);
    QApplication::processEvents();
    EXPECT_EQ(Board().left, 95);
    EXPECT_EQ(Board().width, 450);
}

TEST_F(ViewTest, RelayoutPutsEveryPieceHome) {
    Show(640, 480);
    view->OnInitialUpdate();
    Board().Shuffle();
    view->relayout();
    std::vector<int> home(Board().columns * Board().rows);
    for (int i = 0; i < static_cast<int>(home.size()); ++i) home[i] = i;
    EXPECT_EQ(Pieces(Board()), home);
}

TEST_F(ViewTest, PressDragAndReleaseMovePieces) {
    Show(640, 480);
    view->OnInitialUpdate();
    // Empty cell bottom right of 4 x 4. Press on the piece left of it.
    QTest::mousePress(Widget(), Qt::LeftButton, Qt::NoModifier, CellCentre(Board(), 3, 2));
    EXPECT_TRUE(view->IsTracking());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "no grab beyond the press's own";
    EXPECT_EQ(Board().FindEmptyCell(), (PuzzleBoard::CellPosition{3, 2}));

    // Dragging up the column moves the pieces above down, one per move.
    SendMove(Widget(), CellCentre(Board(), 2, 2), Qt::LeftButton);
    EXPECT_EQ(Board().FindEmptyCell(), (PuzzleBoard::CellPosition{2, 2}));
    SendMove(Widget(), CellCentre(Board(), 0, 2), Qt::LeftButton);
    EXPECT_EQ(Board().FindEmptyCell(), (PuzzleBoard::CellPosition{0, 2}));

    QTest::mouseRelease(Widget(), Qt::LeftButton, Qt::NoModifier, CellCentre(Board(), 0, 2));
    EXPECT_FALSE(view->IsTracking());

    // After the release, moves alone move nothing.
    SendMove(Widget(), CellCentre(Board(), 0, 0), Qt::NoButton);
    EXPECT_EQ(Board().FindEmptyCell(), (PuzzleBoard::CellPosition{0, 2}));
}

// Records what reaches the view's move handler, then does what the view does.
class RecordingView : public CtesserinView {
public:
    void OnMouseMove(unsigned flags, Point point) override {
        moves.push_back(point);
        CtesserinView::OnMouseMove(flags, point);
    }
    std::vector<Point> moves;
};

TEST(ViewCaptureTest, MovesOutsideTheViewStillArriveWhileTheButtonIsHeld) {
    ViewFixture f;
    f.document->RemoveView(f.view.get());
    f.view.reset();
    auto recording = std::make_unique<RecordingView>();
    RecordingView* view = recording.get();
    f.view = std::move(recording);
    f.view->Create(f.frame.get());
    f.document->AddView(f.view.get());
    f.Show(640, 480);
    f.view->OnInitialUpdate();

    // Through the window, as the window system delivers them: the press's
    // own grab brings the moves and the release outside the view to it.
    QWindow* window = f.frame->windowHandle();
    ASSERT_NE(window, nullptr);
    auto inWindow = [&](QPoint p) { return f.Widget()->mapTo(f.frame.get(), p); };
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, inWindow(CellCentre(f.Board(), 3, 2)));
    ASSERT_TRUE(view->IsTracking());
    QTest::mouseMove(window, inWindow(QPoint(-40, 700)));
    ASSERT_FALSE(view->moves.empty());
    EXPECT_EQ(view->moves.back(), Point(-40, 700));
    EXPECT_TRUE(view->IsTracking());
    // A release outside the view ends tracking too.
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, inWindow(QPoint(900, -5)));
    EXPECT_FALSE(view->IsTracking());
}

TEST_F(ViewTest, RightButtonKeyboardAndDoubleClickNeverMoveAPiece) {
    Show(640, 480);
    view->OnInitialUpdate();
    const QPoint nextToEmpty = CellCentre(Board(), 3, 2);
    const std::vector<int> before = Pieces(Board());

    QTest::mouseClick(Widget(), Qt::RightButton, Qt::NoModifier, nextToEmpty);
    SendMove(Widget(), nextToEmpty, Qt::RightButton);
    QTest::keyClick(Widget(), Qt::Key_Left);
    QTest::keyClick(Widget(), Qt::Key_Space);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, nextToEmpty, Widget()->mapToGlobal(nextToEmpty),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Widget(), &doubleClick);

    EXPECT_EQ(Pieces(Board()), before);
    EXPECT_FALSE(view->IsTracking());
}

TEST_F(ViewTest, ToolCommandsChangeTheGridWithinItsLimits) {
    Show(640, 480);
    view->OnInitialUpdate();
    ASSERT_EQ(Board().columns, 4);

    EXPECT_TRUE(frame->RouteCommand(res::kIdFiner));
    EXPECT_EQ(Board().columns, 5);
    EXPECT_EQ(Board().rows, 5);
    EXPECT_TRUE(frame->RouteCommand(res::kIdCoarser));
    EXPECT_EQ(Board().columns, 4);

    for (int i = 0; i < 12; ++i) frame->RouteCommand(res::kIdCoarser);
    EXPECT_EQ(Board().columns, 2);
    for (int i = 0; i < 12; ++i) frame->RouteCommand(res::kIdFiner);
    EXPECT_EQ(Board().columns, 10);
    EXPECT_EQ(Board().rows, 10);
}

TEST_F(ViewTest, ShuffleCommandLeavesTheSolvedArrangement) {
    Show(640, 480);
    view->OnInitialUpdate();
    const std::vector<int> solved = Pieces(Board());
    bool changed = false;
    // A shuffle may, very rarely, come back home; a few tries settle it.
    for (int i = 0; i < 5 && !changed; ++i) {
        EXPECT_TRUE(frame->RouteCommand(res::kIdShuffle));
        changed = Pieces(Board()) != solved;
    }
    EXPECT_TRUE(changed);
}

TEST_F(ViewTest, PaintsTheBackgroundAroundTheBoard) {
    Show(640, 480);
    view->OnInitialUpdate();
    Widget()->repaint();
    const QImage& surface = static_cast<display::SurfaceWidget*>(Widget())->Surface();
    ASSERT_EQ(surface.size(), QSize(640, 480));
    const QRgb background = qRgb(46, 70, 161);
    EXPECT_EQ(surface.pixel(5, 5), background);      // left margin
    EXPECT_EQ(surface.pixel(620, 470), background);  // right of the board
    EXPECT_EQ(surface.pixel(320, 465), background);  // below it
    // A tile's face, just inside its frame.
    const BoardCell& first = *Board().cells[0][0];
    EXPECT_EQ(surface.pixel(first.x + 3, first.y + 3), qRgb(30, 30, 230));
}

}  // namespace
