#pragma once

// Waits at least ms milliseconds while the application goes on processing its events (paints,
// timers, input), so a pressed button can stay lit without freezing the window. The wait sleeps in
// an event loop; it never spins. Any handler may run inside it, including another PumpDelay: a
// nested call never shortens the outer one, which returns once its own time has passed and the
// nested call has returned. Without an application object it simply sleeps. GUI thread only.
void PumpDelay(int ms);
