// How the main window opens the About window, which it does not know itself: the
// program entry hands it an opener.
#pragma once

namespace brennic::ui {

class AboutOpener {
  public:
    virtual ~AboutOpener() = default;
    // Shows the one About window, without modality: loads it if it is not open,
    // otherwise brings the open one to the front.
    virtual void Open() = 0;
};

} // namespace brennic::ui
