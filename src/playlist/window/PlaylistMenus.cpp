#include "PlaylistMenus.h"

#include "MenuItemPainter.h"

PlaylistMenus::PlaylistMenus(const Skin& skin) : style_(std::make_unique<MenuItemStyle>(skin)) {
    addMenu.setStyle(style_.get());
    addFiles = addMenu.addAction(QStringLiteral("Добавить файлы"));
    addFolder = addMenu.addAction(QStringLiteral("Добавить папку"));
    addMenu.addSeparator();
    addPlaylist = addMenu.addAction(QStringLiteral("Добавить плейлист"));

    delMenu.setStyle(style_.get());
    deleteFiles = delMenu.addAction(QStringLiteral("Удалить файл(ы)"));
    delMenu.addSeparator();
    clear = delMenu.addAction(QStringLiteral("Очистить"));
}

PlaylistMenus::~PlaylistMenus() {
    // The menus go before the style they use.
    addMenu.setStyle(nullptr);
    delMenu.setStyle(nullptr);
}
