// The playlist window: its frame and layout, the height strip, closing, and the add, delete and
// save actions through its menus and its real dialog code, with the dialogs answered by tests.
#include "PlaylistWindow.h"
#include "FileDialogs.h"
#include "FileErrorText.h"
#include "ListRig.h"
#include "PaintBox.h"
#include "PlaylistAdder.h"
#include "WindowKit.h"

#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
struct WindowTest : ::testing::Test, ListRig {
    void SetUp() override {
        QObject::connect(&window, &PlaylistWindow::fileFailed,
                         [this](const FileError& error) { errors << FileErrorText(error); });
        window.execMenu = [this](QMenu& menu, QPoint) {
            menusOpened << &menu;
            pressedDuringMenu =
                window.button(ListButtonKind::Add).pressed() || window.button(ListButtonKind::Del).pressed();
            for (QAction* action : menu.actions())
                if (action->text() == chosenItem) return action;
            return static_cast<QAction*>(nullptr);
        };
        dialogs.run = [this](QFileDialog& dialog) {
            // The texts the dialog's file-type box shows the user.
            QStringList filterTexts;
            if (const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo"))
                for (int i = 0; i < types->count(); ++i)
                    filterTexts << types->itemText(i);
            dialogsShown.push_back({dialog.windowTitle(), filterTexts, dialog.defaultSuffix(),
                                    dialog.fileMode(), dialog.acceptMode(),
                                    dialog.testOption(QFileDialog::DontConfirmOverwrite)});
            return answer;
        };
        window.resize(320, 417);
        window.show();
    }
    // Presses and releases a box of the window with the left button, choosing item from its menu.
    void use(ListButtonKind kind, const QString& item = {}) {
        chosenItem = item;
        Click(window.boxOf(kind), {5, 5});
    }
    QByteArray file(const QString& name) const { return QFile::encodeName(dir.filePath(name)); }
    QByteArray readFile(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool waitForFolder() {
        QEventLoop loop;
        QObject::connect(&window, &PlaylistWindow::folderAdded, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
        return window.scanning() ? loop.exec() == 0 : true;
    }

    struct Shown {
        QString title;
        QStringList filters;
        QString suffix;
        QFileDialog::FileMode mode;
        QFileDialog::AcceptMode accept;
        bool noOverwritePrompt;
    };
    FileDialogs dialogs;
    PlaylistAdder adder{model};
    WindowKit kit;
    PlaylistWindow window{model, adder, cache, dialogs, kit.skin, kit.hint};
    QStringList answer;
    QString chosenItem;
    QStringList errors;
    QList<QMenu*> menusOpened;
    bool pressedDuringMenu = false;
    std::vector<Shown> dialogsShown;
};
} // namespace

TEST_F(WindowTest, FrameAndLayoutFollowTheHeight) {
    EXPECT_EQ(window.minimumWidth(), 320);
    EXPECT_EQ(window.maximumWidth(), 320);
    EXPECT_EQ(window.minimumHeight(), 200);
    EXPECT_EQ(window.list().geometry(), QRect(7, 24, 305, 367));
    EXPECT_EQ(window.boxOf(ListButtonKind::Add)->geometry(), QRect(8, 391, 33, 17));
    EXPECT_EQ(window.boxOf(ListButtonKind::Del)->geometry(), QRect(48, 391, 33, 17));
    EXPECT_EQ(window.boxOf(ListButtonKind::Save)->geometry(), QRect(88, 391, 33, 17));
    EXPECT_EQ(window.stripBox()->geometry(), QRect(0, 414, 325, 2));
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0))) << "rounded corners";
    EXPECT_TRUE(window.mask().contains(QPoint(160, 200)));
    EXPECT_FALSE(window.mask().contains(QPoint(319, 416)));
}

TEST_F(WindowTest, TheStripSetsTheHeightOnlyAtTheReleaseAndNotBelowTheMinimum) {
    PaintBox* strip = window.stripBox();
    const auto mouse = [&](QEvent::Type type, int y, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(5, y), strip->mapToGlobal(QPointF(5, y)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(strip, &event);
    };
    mouse(QEvent::MouseButtonPress, 1, Qt::LeftButton);
    mouse(QEvent::MouseMove, 51, Qt::LeftButton);
    mouse(QEvent::MouseMove, 101, Qt::LeftButton);
    EXPECT_EQ(window.height(), 417) << "nothing changes while the mouse moves";
    mouse(QEvent::MouseButtonRelease, 101, Qt::NoButton);
    EXPECT_EQ(window.height(), 517);
    EXPECT_EQ(window.list().height(), 467);
    EXPECT_EQ(window.stripBox()->y(), 514);

    mouse(QEvent::MouseButtonPress, 1, Qt::LeftButton);
    mouse(QEvent::MouseMove, -350, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, -350, Qt::NoButton);
    EXPECT_EQ(window.height(), 200) << "a tracked 166 becomes the minimum";
    EXPECT_EQ(window.boxOf(ListButtonKind::Save)->y(), 174);
}

TEST_F(WindowTest, ClosingIsRefusedUntilTheApplicationCloses) {
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    window.setAppClosing(true);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.acceptDrops()) << "a closed window takes no more drops";
}

TEST_F(WindowTest, AddFilesUsesTheFilesDialogAndKeepsTheChosenOrder) {
    answer = {dir.filePath("b.mp3"), dir.filePath("notes.txt"), dir.filePath("a.FLAC")};
    use(ListButtonKind::Add, "Добавить файлы");
    EXPECT_TRUE(pressedDuringMenu) << "the box stays pressed while its menu is up";
    EXPECT_FALSE(window.button(ListButtonKind::Add).pressed());
    ASSERT_EQ(dialogsShown.size(), 1u);
    const Shown& shown = dialogsShown[0];
    EXPECT_EQ(shown.title, "Открыть файл(ы)");
    EXPECT_EQ(shown.mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(shown.suffix, "mp3");
    EXPECT_EQ(shown.filters, QStringList({"Все файлы ( *.mp3;*.mp2;*.mp1;*.ogg;*.wav;*.aif;*.wma;*.wv;*.tta;"
                                          "*.spx;*.mpc;*.mp+;*.mpp;*.oga;*.flac;*.ape;*.mac;*.m4a;*.ac3;"
                                          "*.mp4;*.aac;)"}))
        << shown.filters.join('|').toStdString();
    ASSERT_EQ(model.count(), 2);
    EXPECT_EQ(model.Row(0).Path, file("b.mp3"));
    EXPECT_EQ(model.Row(1).Path, file("a.FLAC"));

    answer.clear();
    use(ListButtonKind::Add, "Добавить файлы");
    EXPECT_EQ(model.count(), 2) << "Cancel adds nothing";
    use(ListButtonKind::Add);
    EXPECT_EQ(dialogsShown.size(), 2u) << "a menu closed without a choice opens nothing";
}

TEST_F(WindowTest, AddPlaylistReadsTheFirstChosenFileAndReportsOneThatCannotBeRead) {
    QFile m3u(dir.filePath("list.m3u"));
    ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
    m3u.write("#EXTM3U\r\n#EXTINF:206,\r\n/music/x.mp3\r\n/music/y.ogg\r\n");
    m3u.close();
    answer = {dir.filePath("list.m3u"), dir.filePath("other.m3u")};
    use(ListButtonKind::Add, "Добавить плейлист");
    ASSERT_EQ(dialogsShown.size(), 1u);
    EXPECT_EQ(dialogsShown[0].title, "Добавить плейлист");
    EXPECT_EQ(dialogsShown[0].filters, QStringList({"M3U Playlist"}));
    EXPECT_EQ(model.count(), 2);

    answer = {dir.filePath("gone.m3u")};
    use(ListButtonKind::Add, "Добавить плейлист");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Cannot open file \"" + dir.filePath("gone.m3u") + "\". "))
        << errors[0].toStdString();
    EXPECT_EQ(model.count(), 2) << "the rows already there stay";
}

TEST_F(WindowTest, AddFolderWalksTheTreeInOrderWithoutHoldingTheWindow) {
    QDir(dir.path()).mkpath("album/cd1");
    for (const char* name : {"album/02.mp3", "album/cd1/01.ogg", "album/cover.jpg", "album/01.wav"})
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    answer = {dir.filePath("album")};
    use(ListButtonKind::Add, "Добавить папку");
    ASSERT_EQ(dialogsShown.size(), 1u);
    EXPECT_EQ(dialogsShown[0].title, "Выбрать каталог");
    EXPECT_EQ(dialogsShown[0].mode, QFileDialog::Directory);
    ASSERT_TRUE(waitForFolder());
    ASSERT_EQ(model.count(), 3);
    EXPECT_TRUE(model.Row(0).Path.endsWith("album/01.wav"));
    EXPECT_TRUE(model.Row(1).Path.endsWith("album/02.mp3"));
    EXPECT_TRUE(model.Row(2).Path.endsWith("album/cd1/01.ogg")) << "a subfolder's files where it stands";
}

TEST_F(WindowTest, DeleteMenuRemovesRowsAndThePlayingMarkFollowsItsRow) {
    addRows(5);
    model.setCurrentTrack(3);
    model.setSelected(1, true);
    use(ListButtonKind::Del, "Удалить файл(ы)");
    EXPECT_TRUE(pressedDuringMenu);
    EXPECT_EQ(order(), std::vector<int>({0, 2, 3, 4}));
    EXPECT_EQ(model.CurrentTrack(), 2);
    use(ListButtonKind::Del, "Очистить");
    EXPECT_EQ(model.count(), 0);
    addRows(4);
    EXPECT_EQ(model.CurrentTrack(), -1) << "no row added after a clear shows as playing";
    EXPECT_EQ(menusOpened.size(), 2);
    EXPECT_EQ(menusOpened[0], &window.menus().delMenu);
}

TEST_F(WindowTest, SaveWritesTheListWithoutAskingAndOpensNothingForAnEmptyList) {
    int checked = 0;
    QObject::connect(&window, &PlaylistWindow::rowCountChecked, [&] { ++checked; });
    use(ListButtonKind::Save);
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(dialogsShown.empty()) << "an empty list opens no dialog";

    model.append({}, {}, "/music/a.mp3");
    model.append({}, {}, "/music/b.ogg");
    QFile old(dir.filePath("saved.m3u"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    answer = {dir.filePath("saved.m3u")};
    use(ListButtonKind::Save);
    ASSERT_EQ(dialogsShown.size(), 1u);
    EXPECT_EQ(dialogsShown[0].title, "Сохранить плейлист");
    EXPECT_EQ(dialogsShown[0].filters, QStringList({"M3U Playlist"}));
    EXPECT_EQ(dialogsShown[0].accept, QFileDialog::AcceptSave);
    EXPECT_TRUE(dialogsShown[0].noOverwritePrompt);
    EXPECT_EQ(readFile("saved.m3u"),
              "#EXTM3U\r\n#EXTINF:-1,a\r\n/music/a.mp3\r\n#EXTINF:-1,b\r\n/music/b.ogg\r\n");
    EXPECT_FALSE(window.button(ListButtonKind::Save).pressed());

    answer = {dir.filePath("no/such/folder/x.m3u")};
    use(ListButtonKind::Save);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Cannot create file \"")) << errors[0].toStdString();
}

TEST_F(WindowTest, RightClicksOnTheBoxesDoNothing) {
    PaintBox* add = window.boxOf(ListButtonKind::Add);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), add->mapToGlobal(QPointF(5, 5)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(add, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), add->mapToGlobal(QPointF(5, 5)),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(add, &release);
    EXPECT_TRUE(menusOpened.isEmpty());
    EXPECT_FALSE(window.button(ListButtonKind::Add).pressed());
}
