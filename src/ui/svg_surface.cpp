#include "ui/svg_surface.h"

#include <cstdio>
#include <memory>

#include "ui/terminal_text.h"

namespace quenvar {

namespace {

std::string EscapeXml(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // Control characters are not allowed in XML text.
                out += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
        }
    }
    return out;
}

}  // namespace

void SvgSurface::MoveTo(int x, int y) {
    if (penDown_ && pen_ == Point{x, y}) return;
    penDown_ = false;
    pen_ = {x, y};
}

void SvgSurface::LineTo(int x, int y) {
    if (!penDown_) {
        polylines_.push_back({pen_});
        penDown_ = true;
    }
    pen_ = {x, y};
    polylines_.back().push_back(pen_);
}

void SvgSurface::TextOut(int x, int y, const char* text) { texts_.push_back({x, y, text ? text : ""}); }

std::string SvgSurface::Document() const {
    const std::string w = std::to_string(width_), h = std::to_string(height_);
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    doc += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
           " " + h + "\">\n";
    doc += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"white\" stroke=\"black\"/>\n";
    for (const auto& line : polylines_) {
        doc += "<polyline fill=\"none\" stroke=\"black\" stroke-width=\"1\" points=\"";
        for (size_t i = 0; i < line.size(); ++i) {
            if (i) doc += ' ';
            doc += std::to_string(line[i].first) + "," + std::to_string(line[i].second);
        }
        doc += "\"/>\n";
    }
    for (const Text& t : texts_) {
        doc += "<text x=\"" + std::to_string(t.x) + "\" y=\"" + std::to_string(t.y) +
               "\" font-family=\"Courier New, monospace\" font-size=\"10\" fill=\"red\" "
               "dominant-baseline=\"hanging\">" +
               EscapeXml(GbkToUtf8(t.text.c_str())) + "</text>\n";
    }
    doc += "</svg>\n";
    return doc;
}

int SvgSurface::Save(const char* path) const {
    if (path == nullptr) return 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "w"), std::fclose);
    if (!file) return 0;
    const std::string doc = Document();
    return std::fwrite(doc.data(), 1, doc.size(), file.get()) == doc.size() ? 1 : 0;
}

}  // namespace quenvar
