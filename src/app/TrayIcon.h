#pragma once
#include "MinimiseFlow.h"
#include "Skin.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <vector>

class MenuItemStyle;
class QWidget;

// The player's icon in the desktop's notification area, standing while the player is minimised,
// with its menu: "Показать гланое окно" brings the player back, "Выход" closes the main window (the
// normal close, which saves everything). A left click on the icon brings the player back too. The
// side windows leave and come back with the main window.
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    explicit TrayIcon(QWidget& mainWindow);
    ~TrayIcon() override;

    // A window that leaves with the main window when it is minimised, and comes back with it if it
    // was shown; it must outlive this object or be deleted through QObject.
    void addSideWindow(QWidget* window) { sideWindows_.push_back(window); }

    // The minimise box.
    void minimise() { flow_.minimiseRequested(); }
    // The icon's click and the menu's first item.
    void restore() { flow_.restoreRequested(); }
    // At exit, whether the player is minimised or not.
    void remove() { flow_.closing(); }

    bool iconShown() const { return icon_ && icon_->isVisible(); }
    QMenu& menu() { return menu_; }

    // What the desktop offers; tests choose for themselves.
    std::function<bool()> windowManagerRunning;
    std::function<bool()> minimiseReported;
    std::function<bool()> trayAvailable;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void hideSideWindows();
    void showSideWindows();
    void showIcon(bool shown);

    QWidget& main_;
    std::vector<QPointer<QWidget>> sideWindows_;
    std::vector<QPointer<QWidget>> hiddenByUs_;
    // The menu's captions are blue, whatever colour the skin has.
    Skin menuInk_{QColor(0, 0, 255)};
    std::unique_ptr<MenuItemStyle> menuStyle_;
    QMenu menu_;
    // Made at the first minimise: making one asks the desktop about its notification area, which a
    // player that is never minimised need not do.
    std::unique_ptr<QSystemTrayIcon> icon_;
    MinimiseFlow flow_;
};
