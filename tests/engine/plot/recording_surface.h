#pragma once
// A drawing surface that records every call, with fixed text metrics
// (6 pixels per character, 12 pixels high), so tests can check positions.
#include <string>
#include <vector>

#include "engine/plot/draw_surface.h"

namespace grainix::test {

struct DrawCall {
  enum Kind { Line, Polyline, Rectangle, Ellipse, Text } kind;
  std::vector<PixelPoint> pts;  // line: 2 points; rectangle/ellipse: corners
  std::string text;
  TColor pen = 0;
  int penWidth = 1;
  TColor brush = 0;
  bool brushSolid = true;
  stFont font;
  bool rotated = false;
  TColor textColor = 0;
  bool opaque = false;
  TColor textBackground = 0;
  bool clipped = false;
};

class RecordingSurface : public DrawSurface {
 public:
  std::vector<DrawCall> calls;

  void setPen(TColor color, int width) override {
    pen_ = color;
    penWidth_ = width;
  }
  void setBrush(TColor color, bool solid) override {
    brush_ = color;
    solid_ = solid;
  }
  void setFont(const stFont& font, bool rotated) override {
    font_ = font;
    rotated_ = rotated;
  }
  void setTextColor(TColor color) override { textColor_ = color; }
  void setTextBackground(bool opaque, TColor color) override {
    opaque_ = opaque;
    background_ = color;
  }
  void line(int x1, int y1, int x2, int y2) override { add(DrawCall::Line, {{x1, y1}, {x2, y2}}); }
  void polyline(const PixelPoint* p, std::size_t n) override {
    add(DrawCall::Polyline, std::vector<PixelPoint>(p, p + n));
  }
  void rectangle(int l, int t, int r, int b) override { add(DrawCall::Rectangle, {{l, t}, {r, b}}); }
  void ellipse(int l, int t, int r, int b) override { add(DrawCall::Ellipse, {{l, t}, {r, b}}); }
  void text(int x, int y, const std::string& s) override {
    add(DrawCall::Text, {{x, y}});
    calls.back().text = s;
  }
  int textWidth(const std::string& s) override { return 6 * static_cast<int>(s.size()); }
  int textHeight(const std::string&) override { return 12; }
  void setClip(int, int, int, int) override { clip_ = true; }
  void clearClip() override { clip_ = false; }

  std::vector<DrawCall> of(DrawCall::Kind k) const {
    std::vector<DrawCall> out;
    for (const DrawCall& c : calls)
      if (c.kind == k) out.push_back(c);
    return out;
  }
  const DrawCall* findText(const std::string& s) const {
    for (const DrawCall& c : calls)
      if (c.kind == DrawCall::Text && c.text == s) return &c;
    return nullptr;
  }

 private:
  void add(DrawCall::Kind k, std::vector<PixelPoint> pts) {
    DrawCall c{k, std::move(pts), {}, pen_, penWidth_, brush_, solid_, font_, rotated_, textColor_, opaque_,
               background_, clip_};
    calls.push_back(std::move(c));
  }
  TColor pen_ = 0;
  int penWidth_ = 1;
  TColor brush_ = clWhite;
  bool solid_ = true;
  stFont font_;
  bool rotated_ = false;
  TColor textColor_ = 0;
  bool opaque_ = false;
  TColor background_ = clWhite;
  bool clip_ = false;
};

}  // namespace grainix::test
