#pragma once
#include "FileError.h"
#include "ListButton.h"
#include "PlaylistBackground.h"
#include "PlaylistMenus.h"
#include "SizeStrip.h"

#include <QByteArrayList>
#include <QWidget>

#include <array>
#include <deque>
#include <functional>
#include <memory>

class FileDialogs;
class FolderScanJob;
class HintWindow;
class PaintBox;
class PlaylistAdder;
class PlaylistModel;
class PlaylistView;
class TrackInfoCache;

// The playlist window: a rounded part of fixed width, shown under the main window in its surface,
// that lists the playlist and lets the user add, delete, clear, save and reorder rows, play one, and
// change its height by the strip along its bottom. It closes only once the application closes.
// Starting a row is playback's business: the window asks for it with a signal.
class PlaylistWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 320;
    static constexpr int kMinHeight = 200;
    // Everything but the list: the title band above it and the buttons below.
    static constexpr int kChromeHeight = 50;

    // The window paints in `skin` and shows its boxes' hints in `hint`; both outlive it.
    PlaylistWindow(PlaylistModel& model, PlaylistAdder& adder, TrackInfoCache& cache, FileDialogs& dialogs,
                   const Skin& skin, HintWindow& hint, QWidget* parent = nullptr);
    ~PlaylistWindow() override;

    PlaylistView& list() { return *list_; }
    ListButton& button(ListButtonKind kind) { return buttons_[std::size_t(kind)]; }
    PaintBox* boxOf(ListButtonKind kind) const { return boxes_[std::size_t(kind)]; }
    SizeStrip& strip() { return strip_; }
    PaintBox* stripBox() const { return stripBox_; }
    PlaylistMenus& menus() { return menus_; }

    // Set when the main window closes; until then a close request is refused.
    void setAppClosing(bool closing) { appClosing_ = closing; }
    // Whether a folder is still being walked into the list.
    bool scanning() const { return scan_ != nullptr; }

    // Shows a popup menu at a screen point until it closes and returns the chosen item, or none;
    // tests replace it to pick an item without a menu on the screen.
    std::function<QAction*(QMenu& menu, QPoint screenPos)> execMenu;
  signals:
    // A file operation failed: whoever assembles the player tells the user.
    void fileFailed(const FileError& error);
    // Enter or a double click in the list.
    void playRequested();
    // The Delete key removed the selected rows (all of them, when the list is now empty).
    void rowsDeletedByKey();
    // The Save button looked at the row count.
    void rowCountChecked();
    // Files dropped on the window or the list, in the order given.
    void pathsDropped(const QByteArrayList& paths);
    // A folder walk has put its last row into the list.
    void folderAdded();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void wire();
    void openAddMenu();
    void openDelMenu();
    void save();
    void addFiles();
    void addFolder();
    void addPlaylist();
    void scanFolder(const QByteArray& folder);
    void startNextScan();
    // Shows a failed file operation's error; nothing for a success.
    void report(const FileResult& result);

    PlaylistModel& model_;
    PlaylistAdder& adder_;
    const TrackInfoCache& cache_; // what a saved playlist tells of lengths and titles
    FileDialogs& dialogs_;
    const Skin& skin_;
    HintWindow& hint_;
    PlaylistBackground background_{skin_};
    PlaylistMenus menus_{skin_};
    std::array<ListButton, 3> buttons_{ListButton(ListButtonKind::Add, skin_),
                                       ListButton(ListButtonKind::Del, skin_),
                                       ListButton(ListButtonKind::Save, skin_)};
    std::array<PaintBox*, 3> boxes_{};
    SizeStrip strip_{kWidth, skin_};
    PaintBox* stripBox_ = nullptr;
    PlaylistView* list_ = nullptr;
    bool appClosing_ = false;
    // Folders chosen while another is still being walked wait their turn, so rows never interleave.
    std::deque<QByteArray> pendingFolders_;
    std::unique_ptr<FolderScanJob> scan_;
};
