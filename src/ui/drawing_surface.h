// The drawing seam: the three operations a chart is drawn with, on a surface whose origin is
// the top-left corner of the chart area, x to the right and y downwards, in pixels. A window
// draws on its host's surface; tests record the operations; files get an SVG document.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quenvar {

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Puts the pen at (x, y) without drawing.
    virtual void MoveTo(int x, int y) = 0;
    // Draws a line from the pen to (x, y) and leaves the pen there.
    virtual void LineTo(int x, int y) = 0;
    // Writes text (GBK) with its top-left corner at (x, y); the pen does not move.
    virtual void TextOut(int x, int y, const char* text) = 0;
};

// Draws the chart of entry index within width x height pixels; nonzero when it drew something.
using ChartCallback = std::function<int16_t(int16_t index, DrawingSurface& surface, int width, int height)>;

enum class DrawOpKind { MoveTo, LineTo, TextOut };

struct DrawOp {
    DrawOpKind kind;
    int x;
    int y;
    std::string text;  // TextOut only

    bool operator==(const DrawOp&) const = default;
};

// Keeps every operation in order.
class RecordingSurface final : public DrawingSurface {
public:
    std::vector<DrawOp> ops;

    void MoveTo(int x, int y) override { ops.push_back({DrawOpKind::MoveTo, x, y, {}}); }
    void LineTo(int x, int y) override { ops.push_back({DrawOpKind::LineTo, x, y, {}}); }
    void TextOut(int x, int y, const char* text) override { ops.push_back({DrawOpKind::TextOut, x, y, text}); }
};

}  // namespace quenvar
