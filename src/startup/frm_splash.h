// frmSplash, the splash window shown while the program starts: the logo, the
// program's name in blue and its version, on a white frame. A key press or a
// click on the frame closes it, if the thread is free to notice.
#pragma once

#include <QFrame>
#include <vector>

#include "startup/app_facts.h"
#include "startup/screen_facts.h"

class QLabel;

namespace brennic::startup {

class FrmSplash : public QFrame {
    Q_OBJECT
  public:
    // The window is deleted when it closes.
    FrmSplash(const AppFacts& facts, const ScreenFacts& screen, QWidget* parent = nullptr);

    // True once the window has been painted since it was last shown.
    bool painted() const { return m_painted; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void createFrame(double logicalDpi);
    void placeOnScreen(const QRect& screen);
    void load(const AppFacts& facts);

    QFrame* m_frame1 = nullptr;
    QLabel* m_lblProductName = nullptr;
    QLabel* m_lblVersion = nullptr;
    std::vector<QLabel*> m_autoSized;
    bool m_painted = false;
};

} // namespace brennic::startup
