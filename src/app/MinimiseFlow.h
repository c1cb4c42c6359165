#pragma once
#include <functional>

// What minimising does with the player. Where a window manager minimises windows and says so, it
// is asked to, and its minimise and restore (the taskbar's too) are followed. A bare X server
// ignores the request, and a Wayland compositor never tells a program that its window was minimised
// or came back, so there the player hides its windows itself and only the tray icon brings them
// back. With no tray to come back from, a bare X server leaves the player where it is; a compositor
// is still asked to minimise, as its own taskbar or overview brings the window back. While the
// player is away the side windows are away too and the tray icon stands; back, the icon goes.
class MinimiseFlow {
  public:
    struct Hooks {
        std::function<bool()> windowManagerRunning;
        // Whether the window manager tells when the main window is minimised and restored.
        std::function<bool()> minimiseReported;
        std::function<bool()> trayAvailable;
        // Asks the window manager to minimise the main window.
        std::function<void()> iconify;
        // Brings the main window back to the screen, minimised or hidden, and raises it.
        std::function<void()> showMain;
        std::function<void()> hideMain;
        std::function<void()> hideSideWindows;
        // Shows again the side windows that were shown, and repaints every window.
        std::function<void()> showSideWindows;
        std::function<void(bool shown)> showIcon;
    };

    explicit MinimiseFlow(Hooks hooks) : hooks_(std::move(hooks)) {}

    // The minimise box.
    void minimiseRequested();
    // The main window became minimised or came back, whoever did it.
    void mainMinimised();
    void mainRestored();
    // The icon or its menu asks for the player.
    void restoreRequested();
    // At exit: no icon may outlive the player.
    void closing();

  private:
    enum class State { Normal, Minimised, Hidden };
    void comeBack();

    Hooks hooks_;
    State state_ = State::Normal;
};
