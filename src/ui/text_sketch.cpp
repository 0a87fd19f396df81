#include "ui/text_sketch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace quenvar {
namespace {

// Narrows [lo, hi] to the steps i at which the cell a0 + (a1 - a0) i / steps, rounded, can lie
// in 0..n-1, with a step to spare at either end.
void StepsInside(long long a0, long long a1, int n, long long steps, long long& lo, long long& hi) {
    if (a0 == a1) {
        if (a0 < 0 || a0 >= n) hi = lo - 1;
        return;
    }
    double t0 = double(-1 - a0) / double(a1 - a0) * double(steps);
    double t1 = double(n - a0) / double(a1 - a0) * double(steps);
    if (t0 > t1) std::swap(t0, t1);
    lo = std::max(lo, static_cast<long long>(std::floor(t0)) - 1);
    hi = std::min(hi, static_cast<long long>(std::ceil(t1)) + 1);
}

}  // namespace

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
    // Traced cell by cell between the two ends, in as many steps as the longer extent. Only the
    // steps that can reach the grid are taken: a line from far outside costs no more than one
    // across the grid.
    const long long c0 = Column(penX_), r0 = Row(penY_), c1 = Column(x), r1 = Row(y);
    const long long steps = std::max(std::llabs(c1 - c0), std::llabs(r1 - r0));
    long long lo = 0, hi = steps;
    StepsInside(c0, c1, columns_, steps, lo, hi);
    StepsInside(r0, r1, rows_, steps, lo, hi);
    for (long long i = lo; i <= hi; ++i) {
        const double t = steps == 0 ? 0.0 : double(i) / double(steps);
        Plot(int(c0 + std::llround(double(c1 - c0) * t)), int(r0 + std::llround(double(r1 - r0) * t)), '*');
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
