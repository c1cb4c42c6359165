#pragma once

// Watches the toolkit's start. A toolkit that cannot reach a display ends the process with a
// paragraph and an abort (status 134); during this watch the player says so in one line instead and
// ends with status 1. What the toolkit says while it starts is held back until it has started, then
// let through, so a start that fails prints only that line.
class DisplayCheck {
  public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;
};
