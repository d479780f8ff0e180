#pragma once
// A canvas that records every fill, line and text in the order of drawing, for tests of the
// paint. One paint, one thread.
#include "ui/window_port.h"

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ksb::test {

struct CanvasOp {
    enum class Kind { fill, line, text };
    Kind kind;
    // fill: the rectangle; line: its ends (x1,y1)-(x2,y2); text: its place in x1,y1 (and x2,y2).
    ui::Rect at;
    ui::Rgb colour;
    std::string text; // text only

    bool operator==(const CanvasOp&) const = default;

    static CanvasOp fill(ui::Rect rect, ui::Rgb colour) { return {Kind::fill, rect, colour, {}}; }
    static CanvasOp line(int x1, int y1, int x2, int y2, ui::Rgb colour) {
        return {Kind::line, {x1, y1, x2, y2}, colour, {}};
    }
    static CanvasOp textAt(int x, int y, std::string text, ui::Rgb colour) {
        return {Kind::text, {x, y, x, y}, colour, std::move(text)};
    }
};

void PrintTo(const CanvasOp& op, std::ostream* out);

class RecordingCanvas final : public ui::Canvas {
public:
    void fillRect(ui::Rect rect, ui::Rgb colour) override;
    void line(int x1, int y1, int x2, int y2, ui::Rgb pen) override;
    void text(int x, int y, std::string_view utf8, ui::Rgb colour) override;

    // Everything in the order of drawing.
    const std::vector<CanvasOp>& ops() const { return ops_; }
    std::vector<CanvasOp> fills() const { return only(CanvasOp::Kind::fill); }
    std::vector<CanvasOp> lines() const { return only(CanvasOp::Kind::line); }
    std::vector<CanvasOp> texts() const { return only(CanvasOp::Kind::text); }

    // The first text drawn with exactly this content; nullptr when there is none.
    const CanvasOp* findText(std::string_view text) const;
    // Its colour; nullopt when the text was not drawn.
    std::optional<ui::Rgb> textColour(std::string_view text) const;
    // The texts drawn at a place, in order.
    std::vector<CanvasOp> textsAt(int x, int y) const;
    // How many times this exact text was drawn.
    std::size_t countText(std::string_view text) const;
    // The position of an op in ops(); npos when it is not there.
    std::size_t indexOf(const CanvasOp& op) const;

    void clear() { ops_.clear(); }

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

private:
    std::vector<CanvasOp> only(CanvasOp::Kind kind) const;

    std::vector<CanvasOp> ops_;
};

} // namespace ksb::test
