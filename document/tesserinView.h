#pragma once
// The one view: lays the board out as a square that follows the view's size,
// paints the background and the board, and turns left-button input and the
// three tool commands into board operations.

#include "framework/View.h"

class CtesserinDoc;
class PuzzleBoard;

class CtesserinView : public framework::View {
public:
    CtesserinView();
    ~CtesserinView() override;

    CtesserinDoc* GetDocument() const;

    void OnInitialUpdate() override;
    void OnDraw(platform::DeviceContext& dc) override;
    bool OnEraseBkgnd(platform::DeviceContext& dc) override;
    void OnLButtonDown(unsigned flags, Point point) override;
    void OnMouseMove(unsigned flags, Point point) override;
    void OnLButtonUp(unsigned flags, Point point) override;
    void OnSize(int cx, int cy) override;
    void OnDevicePixelRatioChanged() override;

    // The board square from the view's window size; rebuilds the board.
    void relayout();

    bool IsInitialized() const { return initialized; }
    bool IsTracking() const { return tracking; }

private:
    PuzzleBoard* Board() const;

    bool initialized = false;
    bool tracking = false;
};
