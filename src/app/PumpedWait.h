#pragma once

#include <functional>

// Handles pending events of the calling thread (the port's receive
// announcements among them) until done returns true or limitMs have passed,
// sleeping while nothing happens. Without done it waits the whole time.
// Returns whether done holds at the end (true without done).
bool PumpedWait(int limitMs, const std::function<bool()>& done = nullptr);
