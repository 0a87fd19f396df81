// A chart drawn in characters for the terminal: pixels are scaled onto a grid of columns and
// rows, lines are traced with '*' and texts are written in place.
#pragma once

#include <string>
#include <vector>

#include "ui/drawing_surface.h"

namespace quenvar {

class TextSketch final : public DrawingSurface {
public:
    // A chart area of width x height pixels shown in columns x rows characters.
    TextSketch(int width, int height, int columns, int rows);

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const char* text) override;

    // The rows (GBK text), trailing blanks removed.
    std::vector<std::string> Rows() const;
    bool Empty() const { return empty_; }

private:
    int Column(int x) const;
    int Row(int y) const;
    void Plot(int column, int row, char ch);

    int width_;
    int height_;
    int columns_;
    int rows_;
    std::vector<std::string> grid_;
    int penX_ = 0;
    int penY_ = 0;
    bool empty_ = true;
};

}  // namespace quenvar
