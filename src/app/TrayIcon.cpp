#include "TrayIcon.h"

#include "MenuItemPainter.h"
#include "PlayerIconImage.h"
#include "RepaintWithChildren.h"
#include "WindowManagerRunning.h"
#include "WindowSystem.h"

#include <QEvent>
#include <QWidget>

TrayIcon::TrayIcon(QWidget& mainWindow)
    : main_(mainWindow), menuStyle_(std::make_unique<MenuItemStyle>(menuInk_)),
      flow_({
          [this] { return windowManagerRunning(); },
          [this] { return minimiseReported(); },
          [this] { return trayAvailable(); },
          [this] { main_.showMinimized(); },
          [this] {
              main_.showNormal();
              main_.raise();
              main_.activateWindow();
          },
          [this] { main_.hide(); },
          [this] { hideSideWindows(); },
          [this] { showSideWindows(); },
          [this](bool shown) { showIcon(shown); },
      }) {
    windowManagerRunning = WindowManagerRunning;
    minimiseReported = [] { return !CompositorPlacesWindows(); };
    trayAvailable = QSystemTrayIcon::isSystemTrayAvailable;

    menu_.setStyle(menuStyle_.get());
    connect(menu_.addAction(QStringLiteral("Показать гланое окно")), &QAction::triggered, this,
            &TrayIcon::restore);
    menu_.addSeparator();
    connect(menu_.addAction(QStringLiteral("Выход")), &QAction::triggered, &main_, &QWidget::close);

    main_.installEventFilter(this);
}

TrayIcon::~TrayIcon() {
    main_.removeEventFilter(this);
    icon_.reset();
    // The menu goes before the style it uses.
    menu_.setStyle(nullptr);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &main_ && event->type() == QEvent::WindowStateChange) {
        if (main_.isMinimized())
            flow_.mainMinimised();
        else
            flow_.mainRestored();
    }
    return false;
}

void TrayIcon::showIcon(bool shown) {
    if (!shown && !icon_) return;
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>(PlayerIconImage());
        icon_->setToolTip(QStringLiteral("Vexo MP v 2.02"));
        icon_->setContextMenu(&menu_);
        connect(icon_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                        restore();
                });
    }
    icon_->setVisible(shown);
}

void TrayIcon::hideSideWindows() {
    hiddenByUs_.clear();
    for (const QPointer<QWidget>& window : sideWindows_) {
        if (!window || !window->isVisible()) continue;
        hiddenByUs_.push_back(window);
        window->hide();
    }
}

void TrayIcon::showSideWindows() {
    RepaintWithChildren(main_);
    for (const QPointer<QWidget>& window : hiddenByUs_) {
        if (!window) continue;
        window->show();
        RepaintWithChildren(*window);
    }
    hiddenByUs_.clear();
}
