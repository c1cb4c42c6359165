#pragma once
#include <QMenu>

#include <memory>

class MenuItemStyle;
class Skin;

// The add and delete popup menus of the playlist window, with exactly the items a user sees. The
// items that were never shown (URL/radio, delete from disk) are not built.
class PlaylistMenus {
  public:
    explicit PlaylistMenus(const Skin& skin);
    ~PlaylistMenus();

    QMenu addMenu;
    QAction* addFiles;
    QAction* addFolder;
    QAction* addPlaylist;

    QMenu delMenu;
    QAction* deleteFiles;
    QAction* clear;

  private:
    std::unique_ptr<MenuItemStyle> style_;
};
