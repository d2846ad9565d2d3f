#include "board/PuzzleBoard.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "colour/ColorDepthFilter.h"
#include "image/ResizeFilter.h"
#include "platform/Sleep.h"

namespace {

// Holds the cross-instance lock for one operation and gives it back on every
// way out, exceptions included.
class LockHold {
public:
    explicit LockHold(platform::NamedLock& lock) : lock_(lock) { lock_.Wait(); }
    ~LockHold() { lock_.Release(); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

private:
    platform::NamedLock& lock_;
};

}  // namespace

PuzzleBoard::PuzzleBoard() {
    // Seeded once per board; Shuffle draws from the same generator.
    const auto now = static_cast<std::uint64_t>(std::time(nullptr));
    std::srand(static_cast<unsigned>(now & 0xffffffffu));
}

PuzzleBoard::~PuzzleBoard() = default;

bool PuzzleBoard::IsBuilt() const {
    if (static_cast<int>(cells.size()) != rows) return false;
    return std::all_of(cells.begin(), cells.end(),
                       [this](const auto& row) { return static_cast<int>(row.size()) == columns; });
}

void PuzzleBoard::Rebuild(bool remakeCells, bool remakePicture) {
    solved = false;
    const int pw = PieceWidth();
    const int ph = PieceHeight();
    if (!picture) {
        picturePending_ = false;
    } else if (remakePicture || picturePending_) {
        // Before any cell is touched: a picture that cannot be prepared
        // leaves the board as it was, and still waiting.
        if (HasPieceSize()) {
            PreparePicture();
            picturePending_ = false;
        } else {
            picturePending_ = true;
        }
    }
    if (remakeCells) {
        cells.clear();
        const int last = columns * rows - 1;
        for (int r = 0; r < rows; ++r) {
            auto& row = cells.emplace_back();
            for (int j = 0; j < columns; ++j) {
                auto& cell = row.emplace_back(std::make_unique<BoardCell>());
                cell->pieceNumber = columns * r + j;
                cell->visible = cell->pieceNumber != last;
            }
        }
    }
    for (std::size_t r = 0; r < cells.size(); ++r) {
        for (std::size_t j = 0; j < cells[r].size(); ++j) {
            BoardCell& cell = *cells[r][j];
            cell.SetRect(left + static_cast<int>(j) * pw, top + static_cast<int>(r) * ph, pw, ph);
            SetPiece(cell, cell.pieceNumber);
        }
    }
    InvalidateArea(left, top, width, height);
}

void PuzzleBoard::SetPicture(Image* image) {
    Image* previous = std::exchange(picture, image);
    try {
        // Needs no room, so it fails here even while the board is too small
        // to scale the picture, and the caller hears of it.
        if (picture) RaiseColours();
        Rebuild(true, true);
    } catch (...) {
        // The pieces are still cut from the previous picture: keep pointing
        // at it, never at one its owner is about to let go.
        picture = previous;
        throw;
    }
}

void PuzzleBoard::RaiseColours() {
    if (picture->bit_count() >= 24) return;
    ColorDepthFilter increase(24, 0, true);
    ImageFilter::ImageList in{picture};
    ImageFilter::ImageResults out;
    increase.execute(in.begin(), in.end(), out);
    // Taken over rather than copied: the same content without a second copy
    // of a large picture.
    if (!out.empty() && out.front().get() != picture) *picture = std::move(*out.front());
}

void PuzzleBoard::PreparePicture() {
    RaiseColours();
    const double ratio = WantedRatio();
    ResizeFilter resize(PictureTarget(ratio), true, true, Color(255, 255, 255), 1);
    ImageFilter::ImageList in{picture};
    ImageFilter::ImageResults out;
    resize.execute(in.begin(), in.end(), out);
    if (!out.empty() && out.front().get() != &boardImage) {
        boardImage = std::move(*out.front());
        boardImageRatio = ratio;
    }
}

double PuzzleBoard::WantedRatio() const {
    const double ratio = view ? view->DevicePixelRatio() : 1.0;
    // Below 1 the logical size is detail enough; above 4 the picture would
    // grow past any screen's need (16 times the pixels already).
    if (!(ratio > 1.0)) return 1.0;
    return std::min(ratio, 4.0);
}

Size PuzzleBoard::PictureTarget(double ratio) const {
    return Size(static_cast<int>(platform::DeviceEdge(width, ratio)),
                static_cast<int>(platform::DeviceEdge(height, ratio)));
}

bool PuzzleBoard::PictureFitsArea() const {
    if (!picture || picturePending_ || !boardImage.is_created()) return false;
    const double ratio = WantedRatio();
    const Size target = PictureTarget(ratio);
    // The letterboxed picture is always the full target size, so its size
    // tells which area it was made for.
    return ratio == boardImageRatio && boardImage.width() == target.cx && boardImage.height() == target.cy;
}

void PuzzleBoard::MatchDeviceRatio() {
    if (!picture || picturePending_ || !HasPieceSize() || WantedRatio() == boardImageRatio) return;
    PreparePicture();
    for (const auto& row : cells) {
        for (const auto& cell : row) SetPiece(*cell, cell->pieceNumber);
    }
    InvalidateArea(left, top, width, height);
}

void PuzzleBoard::SetPiece(BoardCell& cell, int piece) {
    cell.pieceNumber = piece;
    if (!picture) return;
    cell.source = &boardImage;
    cell.sourceX = piece % columns * PieceWidth();
    cell.sourceY = piece / columns * PieceHeight();
    cell.sourceRatio = boardImageRatio;
}

void PuzzleBoard::Draw(platform::DeviceContext& dc) {
    if (!HasPieceSize()) return;
    for (const auto& row : cells) {
        for (const auto& cell : row) cell->Draw(dc, solved);
    }
}

PuzzleBoard::CellPosition PuzzleBoard::FindEmptyCell() const {
    const int last = columns * rows - 1;
    CellPosition found;
    for (std::size_t r = 0; r < cells.size(); ++r) {
        for (std::size_t j = 0; j < cells[r].size(); ++j) {
            if (cells[r][j]->pieceNumber == last) {
                found = {static_cast<int>(r), static_cast<int>(j)};
            }
        }
    }
    return found;
}

void PuzzleBoard::CheckSolved() {
    int k = 0;
    for (const auto& row : cells) {
        for (const auto& cell : row) {
            if (cell->pieceNumber != k) return;
            ++k;
        }
    }
    solved = true;
}

void PuzzleBoard::InvalidateArea(int x, int y, int w, int h) {
    if (view) view->InvalidateRect(x, y, x + w, y + h, true);
}

void PuzzleBoard::MoveAt(int x, int y) {
    LockHold hold(lock);
    if (solved) return;
    // A board smaller than its grid has no cells to point at.
    if (!IsBuilt() || !HasPieceSize()) return;
    const int pw = PieceWidth();
    const int ph = PieceHeight();
    if (x < left || y < top) return;
    const int column = (x - left) / pw;
    const int row = (y - top) / ph;
    // Also the uncovered strips at the right and bottom of the board area.
    if (column >= columns || row >= rows) return;

    const CellPosition empty = FindEmptyCell();
    if (row == empty.row && column < empty.column) {
        SlideRight(empty.column - column);
    } else if (row == empty.row && column > empty.column) {
        SlideLeft(column - empty.column);
    } else if (column == empty.column && row > empty.row) {
        SlideUp(row - empty.row);
    } else if (column == empty.column && row < empty.row) {
        SlideDown(empty.row - row);
    } else {
        return;
    }
    CheckSolved();
    if (solved) InvalidateArea(left, top, width, height);
}

void PuzzleBoard::Finer() {
    LockHold hold(lock);
    if (columns < board::kMaxGrid && rows < board::kMaxGrid) {
        ++columns;
        ++rows;
        Rebuild(true, false);
    }
}

void PuzzleBoard::Coarser() {
    LockHold hold(lock);
    if (columns > board::kMinGrid && rows > board::kMinGrid) {
        --columns;
        --rows;
        Rebuild(true, false);
    }
}

void PuzzleBoard::Shuffle() {
    LockHold hold(lock);
    Rebuild(true, false);
    const int n = columns * rows;
    auto cellAt = [this](int i) -> BoardCell& { return CellAt(i / columns, i % columns); };
    // Two passes of Sattolo's algorithm over every cell but the last: an even
    // number of exchanges, so the board stays solvable and the empty cell
    // stays at the bottom right.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i <= n - 3; ++i) {
            const int j = i + 1 + std::rand() % (n - i - 2);
            const int piece = cellAt(i).pieceNumber;
            SetPiece(cellAt(i), cellAt(j).pieceNumber);
            SetPiece(cellAt(j), piece);
        }
    }
    InvalidateArea(left, top, width, height);
}

void PuzzleBoard::SlideRight(int count) { Slide(0, -1, count); }
void PuzzleBoard::SlideLeft(int count) { Slide(0, 1, count); }
void PuzzleBoard::SlideUp(int count) { Slide(1, 0, count); }
void PuzzleBoard::SlideDown(int count) { Slide(-1, 0, count); }

void PuzzleBoard::Slide(int stepRow, int stepColumn, int count) {
    if (count < 1 || !IsBuilt()) return;
    const CellPosition empty = FindEmptyCell();
    const CellPosition far{empty.row + stepRow * count, empty.column + stepColumn * count};
    if (far.row < 0 || far.row >= rows || far.column < 0 || far.column >= columns) return;

    const int pw = PieceWidth();
    const int ph = PieceHeight();
    // The pieces move against the step, towards the empty cell.
    const int dx = -stepColumn;
    const int dy = -stepRow;

    auto gridX = [&](int column) { return left + column * pw; };
    auto gridY = [&](int row) { return top + row * ph; };

    // line[0] is the empty cell, line[count] the pointed one.
    struct Step {
        BoardCell* cell;
        int row;
        int column;
    };
    std::vector<Step> line;
    for (int k = 0; k <= count; ++k) {
        const int row = empty.row + stepRow * k;
        const int column = empty.column + stepColumn * k;
        line.push_back({&CellAt(row, column), row, column});
    }
    // Moving cells in drawing order: left to right, top to bottom.
    std::vector<Step> moving(line.begin() + 1, line.end());
    if (stepRow < 0 || stepColumn < 0) std::reverse(moving.begin(), moving.end());

    const int farX = gridX(far.column);
    const int farY = gridY(far.row);
    // The run together with the former empty cell.
    auto invalidateLine = [&] {
        const int x0 = std::min(gridX(empty.column), farX);
        const int y0 = std::min(gridY(empty.row), farY);
        const int x1 = std::max(gridX(empty.column), farX) + pw;
        const int y1 = std::max(gridY(empty.row), farY) + ph;
        InvalidateArea(x0, y0, x1 - x0, y1 - y0);
    };

    if (view && HasPieceSize()) {
        try {
            std::unique_ptr<platform::DeviceContext> dc = view->GetDC();
            const int frames = (dx != 0 ? pw : ph) + 1;
            for (int i = 0; i < frames; ++i) {
                for (const Step& s : moving) {
                    BoardCell& cell = *s.cell;
                    cell.SetRect(gridX(s.column) + dx * i, gridY(s.row) + dy * i, pw, ph);
                    cell.Draw(*dc, solved);
                    // The cell drawing leaves its right column and bottom row
                    // alone; cleared here so a moving tile never drags a trail of
                    // its neighbour's frame through the gap.
                    dc->FillRect(cell.x + pw - 1, cell.y, cell.x + pw, cell.y + ph, backgroundBrush);
                    dc->FillRect(cell.x, cell.y + ph - 1, cell.x + pw - 1, cell.y + ph, backgroundBrush);
                }
                // The part of the pointed cell that the run has uncovered.
                int sl = farX, st = farY, sr = farX + pw, sb = farY + ph;
                if (dx > 0) sr = farX + i;
                if (dx < 0) sl = farX + pw - i;
                if (dy > 0) sb = farY + i;
                if (dy < 0) st = farY + ph - i;
                if (sl < sr && st < sb) dc->FillRect(sl, st, sr, sb, backgroundBrush);
                platform::Sleep(1);
            }
        } catch (...) {
            // A failed drawing leaves the grid as it was; the moving cells
            // go back to their places and are drawn there again.
            for (const Step& s : moving) s.cell->SetRect(gridX(s.column), gridY(s.row), pw, ph);
            invalidateLine();
            throw;
        }
    }

    // Copy from the former empty cell outwards so nothing is overwritten
    // before it is read; every cell of the line goes back to its grid place.
    const int last = columns * rows - 1;
    for (int k = 0; k <= count; ++k) {
        BoardCell& cell = *line[k].cell;
        if (k < count) {
            SetPiece(cell, line[k + 1].cell->pieceNumber);
            cell.visible = true;
        } else {
            SetPiece(cell, last);
            cell.visible = false;
        }
        cell.SetRect(gridX(line[k].column), gridY(line[k].row), pw, ph);
    }

    invalidateLine();
}
