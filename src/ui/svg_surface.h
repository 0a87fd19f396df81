// A drawing surface that becomes an SVG document: lines drawn without lifting the pen form one
// polyline (a move to where the pen already is does not lift it), texts are set in red with
// their top-left corner at the given point, on a white area of the given size.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/drawing_surface.h"

namespace quenvar {

class SvgSurface final : public DrawingSurface {
public:
    SvgSurface(int width, int height) : width_(width), height_(height) {}

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const char* text) override;

    // The document, UTF-8; texts are converted from GBK.
    std::string Document() const;
    // Writes the document to path; 1 when written, 0 when the file cannot be opened.
    int Save(const char* path) const;

private:
    struct Text {
        int x, y;
        std::string text;
    };
    using Point = std::pair<int, int>;

    int width_;
    int height_;
    Point pen_{0, 0};
    bool penDown_ = false;  // the last polyline ends at the pen
    std::vector<std::vector<Point>> polylines_;
    std::vector<Text> texts_;
};

}  // namespace quenvar
