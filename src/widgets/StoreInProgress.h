#pragma once

namespace widgets {

// Marks that a record is being stored on the user's behalf (a row or a grid left, Enter past the
// last cell). The store's checks may have a message box up; the focus changes and keys that reach
// the grids meanwhile come from that box (or from a program driving the screen), not from the
// user, so no grid takes them for leaving it or stores a record again: one user action shows at
// most one box.
class StoreInProgress {
public:
    StoreInProgress();
    ~StoreInProgress();
    StoreInProgress(const StoreInProgress&) = delete;
    StoreInProgress& operator=(const StoreInProgress&) = delete;
    static bool active();
};

}  // namespace widgets
