// The list through its widget: the selection, keys, mouse, reordering drops and file drops.
#include "ListRig.h"
#include "Pixels.h"
#include "WaitFor.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace {
struct ViewTest : ::testing::Test, ListRig {
    void SetUp() override {
        addRows(6);
        view.resize(305, 200);
        view.show();
    }
    // Drags mime data onto a point of the viewport and drops it there, as a drag does: the drop
    // follows only when the list accepted the drag's entry. Returns whether it did.
    bool drop(QMimeData* mime, QPoint at) {
        QDragEnterEvent enter(at, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &enter);
        const bool accepted = enter.isAccepted();
        if (accepted) {
            QDropEvent event(QPointF(at), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(view.viewport(), &event);
        }
        delete mime;
        return accepted;
    }
    PlaylistView view{model, cache};
};
} // namespace

TEST_F(ViewTest, TheMouseTheKeysAndPlaybackWorkOnOneSelection) {
    Click(view.viewport(), RowPoint(view, 1));
    Click(view.viewport(), RowPoint(view, 3), Qt::ControlModifier);
    EXPECT_EQ(selectedRows(), std::vector<int>({1, 3}));
    Click(view.viewport(), RowPoint(view, 5), Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(), std::vector<int>({1, 3, 4, 5}));

    // A started row becomes the only selected one; the Delete key then removes that row.
    model.clearSelection();
    model.setSelected(2, true);
    Key(&view, Qt::Key_Delete);
    EXPECT_EQ(order(), std::vector<int>({0, 1, 3, 4, 5}));
    model.selectAll();
    Click(view.viewport(), RowPoint(view, 0));
    EXPECT_EQ(selectedRows(), std::vector<int>({0})) << "a plain click after a select-all keeps one row";
}

TEST_F(ViewTest, CtrlASelectsAllWhateverElseIsHeldAndAAloneDoesNot) {
    Key(&view, Qt::Key_A);
    EXPECT_EQ(model.selectedIndex(), -1);
    Key(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedRows().size(), 6u);
    model.clearSelection();
    Key(&view, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selectedRows().size(), 6u);
}

TEST_F(ViewTest, EnterAndDoubleClickAskToPlay) {
    int asked = 0;
    QObject::connect(&view, &PlaylistView::playRequested, [&] { ++asked; });
    Key(&view, Qt::Key_Return);
    Key(&view, Qt::Key_Enter);
    EXPECT_EQ(asked, 2) << "asked even with nothing selected; playback then starts nothing";
    DoubleClick(view.viewport(), RowPoint(view, 4));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(model.selectedIndex(), 4) << "the double-clicked row is the selected one";
}

TEST_F(ViewTest, DeleteRemovesTheSelectedRowsAndAnEmptyListHasNoPlayingRow) {
    int deleted = 0;
    QObject::connect(&view, &PlaylistView::rowsDeletedByKey, [&] { ++deleted; });
    model.setCurrentTrack(2);
    model.setSelected(0, true);
    Key(&view, Qt::Key_Delete);
    EXPECT_EQ(order(), std::vector<int>({1, 2, 3, 4, 5}));
    EXPECT_EQ(model.CurrentTrack(), 1) << "the mark moved up with its row";
    Key(&view, Qt::Key_Delete);
    EXPECT_EQ(model.count(), 5) << "nothing selected, nothing deleted";
    EXPECT_EQ(deleted, 2);
    Key(&view, Qt::Key_A, Qt::ControlModifier);
    Key(&view, Qt::Key_Delete);
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(model.CurrentTrack(), -1);
}

TEST_F(ViewTest, TheClosestRowHoldingThePlayingPathStaysCurrentAfterAMove) {
    model.setCurrentTrack(3);
    model.setSelected(3, true);
    model.setSelected(5, true);
    drop(view.rowsMimeData(), RowPoint(view, 1));
    EXPECT_EQ(order(), std::vector<int>({0, 3, 5, 1, 2, 4}));
    EXPECT_EQ(model.CurrentTrack(), 1);
    EXPECT_EQ(selectedRows(), std::vector<int>({1})) << "only the playing path is selected again";
}

TEST_F(ViewTest, ForeignDropsOfRowsAreIgnoredAndFilesAreHandedOnInOrder) {
    model.setSelected(5, true);
    auto* foreign = new QMimeData;
    foreign->setData(PlaylistView::kRowsMimeType, "1:another-player");
    EXPECT_FALSE(drop(foreign, RowPoint(view, 0)));
    EXPECT_EQ(order(), std::vector<int>({0, 1, 2, 3, 4, 5}));

    std::vector<QByteArrayList> dropped;
    QObject::connect(&view, &PlaylistView::pathsDropped,
                     [&](const QByteArrayList& paths) { dropped.push_back(paths); });
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile("/music/b.mp3"), QUrl("https://example.org/radio.mp3"),
                    QUrl::fromLocalFile("/music/album"), QUrl::fromLocalFile("/music/a.ogg")});
    EXPECT_TRUE(drop(files, RowPoint(view, 0)));
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0], QByteArrayList({"/music/b.mp3", "/music/album", "/music/a.ogg"}))
        << "web addresses are left out; folders go on, for the adder to ignore";
    EXPECT_EQ(model.count(), 6) << "the view itself adds nothing";
}

TEST_F(ViewTest, OnlyTheRowsInSightAreReadAndTheirDurationsFollowTheFileNames) {
    addRows(994); // 1,000 rows, about a dozen in sight
    view.doItemsLayout();
    const auto reads = [&] {
        int n = 0;
        for (int i = 0; i < model.count(); ++i) n += engine.factReadCount(model.Row(i).Path.toStdString());
        return n;
    };
    const int before = reads();
    const QRect firstDuration(245, 0, 50, 16);
    const QColor durationGrey(192, 192, 192);
    const QImage first = view.grab().toImage();
    EXPECT_EQ(CountColor(first, firstDuration, durationGrey), 0) << "no duration before the file is read";
    EXPECT_TRUE(WaitFor([&] { return CountColor(view.grab().toImage(), firstDuration, durationGrey) > 5; }))
        << "the first row's duration";
    EXPECT_GT(reads() - before, 5);
    EXPECT_LE(reads() - before, view.viewport()->height() / kRowHeight + 2);

    const int settled = reads();
    view.grab();
    EXPECT_EQ(reads(), settled) << "a second paint comes from the cache";
}
