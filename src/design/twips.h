// Positions and sizes of the windows are designed in twips, 1/1440 inch; the
// screen's logical resolution turns them into pixels (15 twips a pixel at 96 dpi).
#pragma once

#include <QRect>
#include <cmath>

namespace brennic::ui {

class Twips {
  public:
    explicit Twips(double logicalDpi) : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0) {}
    int px(int twips) const { return static_cast<int>(std::lround(twips * m_dpi / 1440.0)); }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(px(left), px(top), px(width), px(height));
    }

  private:
    double m_dpi;
};

} // namespace brennic::ui
