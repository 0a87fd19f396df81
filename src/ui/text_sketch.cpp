#include "ui/text_sketch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace quenvar {

TextSketch::TextSketch(int width, int height, int columns, int rows)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      columns_(std::max(columns, 1)),
      rows_(std::max(rows, 1)),
      grid_(size_t(rows_), std::string(size_t(columns_), ' ')) {}

int TextSketch::Column(int x) const { return int(double(x) * columns_ / width_); }

int TextSketch::Row(int y) const { return int(double(y) * rows_ / height_); }

void TextSketch::Plot(int column, int row, char ch) {
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_) return;  // clipped to the area
    grid_[size_t(row)][size_t(column)] = ch;
    empty_ = false;
}

void TextSketch::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void TextSketch::LineTo(int x, int y) {
    // Traced cell by cell between the two ends, in as many steps as the longer extent.
    const int c0 = Column(penX_), r0 = Row(penY_), c1 = Column(x), r1 = Row(y);
    const int steps = std::max(std::abs(c1 - c0), std::abs(r1 - r0));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps == 0 ? 0.0 : double(i) / steps;
        Plot(c0 + int(std::lround((c1 - c0) * t)), r0 + int(std::lround((r1 - r0) * t)), '*');
    }
    penX_ = x;
    penY_ = y;
}

void TextSketch::TextOut(int x, int y, const char* text) {
    const int row = Row(y);
    int column = Column(x);
    for (const char* p = text ? text : ""; *p; ++p) Plot(column++, row, *p);
}

std::vector<std::string> TextSketch::Rows() const {
    std::vector<std::string> rows;
    for (const std::string& row : grid_) rows.push_back(row.substr(0, row.find_last_not_of(' ') + 1));
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

}  // namespace quenvar
