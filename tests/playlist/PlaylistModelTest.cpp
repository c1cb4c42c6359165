#include "PlaylistModel.h"

#include <gtest/gtest.h>

namespace {

// A model with one row per path, each path a single letter for short asserts.
void fill(PlaylistModel& model, const QByteArray& letters) {
    std::vector<PlaylistEntry> rows;
    for (char c : letters)
        rows.push_back({QString(), QString(), QByteArray(1, c)});
    model.appendRows(std::move(rows));
}

QByteArray order(const PlaylistModel& model) {
    QByteArray out;
    for (int i = 0; i < model.count(); ++i)
        out += model.Row(i).Path.isEmpty() ? "_" : model.Row(i).Path;
    return out;
}

QByteArray selection(const PlaylistModel& model) {
    QByteArray out;
    for (int i = 0; i < model.count(); ++i)
        out += model.isSelected(i) ? '1' : '0';
    return out;
}

} // namespace

TEST(PlaylistModel, EditingRowsKeepsOrderAndSelectionFlags) {
    PlaylistModel model;
    fill(model, "abcd");
    model.setSelected(1, true);
    model.setCurrentTrack(2);
    model.insertBefore(1);
    EXPECT_EQ(order(model), "a_bcd");
    EXPECT_EQ(selection(model), "00100"); // the flag moved with its row
    EXPECT_EQ(model.CurrentTrack(), 3);   // and so did the playing mark

    model.setSelected(0, true);
    model.copyRow(4, 0); // texts only
    EXPECT_EQ(order(model), "d_bcd");
    EXPECT_TRUE(model.isSelected(0));
    EXPECT_FALSE(model.isSelected(4));

    model.deleteRow(1);
    EXPECT_EQ(order(model), "dbcd");
    model.insertBefore(4); // at the end
    EXPECT_EQ(order(model), "dbcd_");

    // Indices outside the list change nothing.
    for (int bad : {-1, 5, 1000}) {
        model.deleteRow(bad);
        model.insertBefore(bad == 5 ? 6 : bad);
        model.copyRow(bad, 0);
        model.copyRow(0, bad);
        model.setSelected(bad, true);
        EXPECT_FALSE(model.isSelected(bad));
        EXPECT_TRUE(model.Row(bad).Path.isEmpty());
    }
    EXPECT_EQ(order(model), "dbcd_");
}

TEST(PlaylistModel, SelectionQueries) {
    PlaylistModel model;
    EXPECT_EQ(model.selectedIndex(), -1);
    fill(model, "abcdef");
    EXPECT_EQ(model.selectedIndex(), -1);
    model.setSelected(4, true);
    model.setSelected(2, true);
    EXPECT_EQ(model.selectedIndex(), 2);
    EXPECT_EQ(model.nextSelected(-1), 2);
    EXPECT_EQ(model.nextSelected(2), 4);
    EXPECT_EQ(model.nextSelected(4), -1);
    EXPECT_EQ(model.nextSelected(99), -1);
    model.setSelected(2, false);
    EXPECT_EQ(model.selectedIndex(), 4);
    model.selectAll();
    EXPECT_EQ(selection(model), "111111");
}

TEST(PlaylistModel, DeleteSelectedKeepsCurrentTrackOnItsRow) {
    struct Case {
        const char* selected;
        const char* left;
        int current;
    } cases[] = {{"000000", "abcdef", 3}, {"011000", "adef", 1},  {"101010", "bdf", 1},
                 {"111111", "", -1},      {"000001", "abcde", 3}, {"000100", "abcef", -1}};
    for (const Case& c : cases) {
        PlaylistModel model;
        fill(model, "abcdef");
        model.setCurrentTrack(3);
        for (int i = 0; i < 6; ++i)
            model.setSelected(i, c.selected[i] == '1');
        int removed = 0;
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved, [&] { ++removed; });
        int reset = 0;
        QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++reset; });
        model.deleteSelected();
        EXPECT_EQ(order(model), c.left) << c.selected;
        EXPECT_EQ(model.selectedIndex(), -1) << c.selected;
        EXPECT_EQ(model.CurrentTrack(), c.current) << c.selected;
        EXPECT_LE(removed + reset, 1) << c.selected;
    }
}

TEST(PlaylistModel, SelectByTextSelectsEveryMatchAndMovesCurrentToTheLast) {
    PlaylistModel model;
    model.appendRows({{"Radio One", "", "/m/A.mp3"},
                      {"", "", "/m/b.mp3"},
                      {"", "03:26", "/M/a.MP3"},
                      {"radio one", "", "/m/a.mp3"}});
    model.SelectByText("/m/a.mp3", 2);
    EXPECT_EQ(selection(model), "1011");
    EXPECT_EQ(model.CurrentTrack(), 3);

    PlaylistModel other;
    other.appendRows({{"Radio One", "", "/x.mp3"}, {"", "03:26", "/y.mp3"}, {"RADIO ONE", "", "/z.mp3"}});
    other.setCurrentTrack(1);
    other.SelectByText("radio one", 0);
    EXPECT_EQ(selection(other), "101");
    EXPECT_EQ(other.CurrentTrack(), 2);
    other.SelectByText("03:26", 1);
    EXPECT_EQ(other.CurrentTrack(), 1);
    // No match, empty text, bad column: nothing moves.
    for (auto [text, column] : {std::pair{"nothing", 2}, {"", 0}, {"/x.mp3", -1}, {"/x.mp3", 3}}) {
        other.SelectByText(text, column);
        EXPECT_EQ(other.CurrentTrack(), 1);
        EXPECT_EQ(selection(other), "111");
    }
}

TEST(PlaylistModel, SelectByPathMatchesNonUtf8NamesExactly) {
    PlaylistModel model;
    const QByteArray latin1 = "/m/caf\xe9.mp3", other = "/m/caf\xe8.mp3";
    model.appendRows({{"", "", latin1}, {"", "", other}, {"", "", latin1}});
    model.selectByPath(latin1);
    EXPECT_EQ(selection(model), "101");
    EXPECT_EQ(model.CurrentTrack(), 2);
}

TEST(PlaylistModel, MoveSelectedKeepsOrderAndFollowsThePlayingPath) {
    struct Case {
        const char* selected;
        int before;
        const char* order;
    } cases[] = {
        {"001010", 0, "ceabdf"},  // rows 2 and 4 onto row 0
        {"010000", 1, "abcdef"},  // a row dropped on itself
        {"010000", 2, "abcdef"},  // or on the row just below it
        {"100000", -1, "bcdefa"}, // below the last row
        {"110100", 1, "abdcef"},  // onto a moved row: before the next unmoved one
        {"000011", 0, "efabcd"},
    };
    for (const Case& c : cases) {
        PlaylistModel model;
        fill(model, "abcdef");
        for (int i = 0; i < 6; ++i)
            model.setSelected(i, c.selected[i] == '1');
        model.moveSelected(c.before);
        EXPECT_EQ(order(model), c.order) << c.selected << " before " << c.before;
        EXPECT_EQ(model.selectedIndex(), -1) << c.selected;
    }

    // The playing row's path is re-found; duplicates of it end selected.
    PlaylistModel model;
    model.appendRows({{"", "", "p"}, {"", "", "q"}, {"", "", "p"}, {"", "", "r"}});
    model.setCurrentTrack(0);
    model.setSelected(0, true);
    model.moveSelected(-1);
    EXPECT_EQ(order(model), "qprp");
    EXPECT_EQ(selection(model), "0101");
    EXPECT_EQ(model.CurrentTrack(), 3);
}

TEST(PlaylistModel, CurrentTrackChangesRepaintTheOldAndTheNewRow) {
    PlaylistModel model;
    fill(model, "abcd");
    model.setCurrentTrack(1);
    std::vector<int> repainted;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         for (int r = from.row(); r <= to.row(); ++r)
                             repainted.push_back(r);
                     });
    model.setCurrentTrack(3);
    EXPECT_EQ(repainted, (std::vector<int>{1, 3}));
    EXPECT_TRUE(model.data(model.index(3), PlaylistModel::CurrentRole).toBool());
    model.setCurrentTrack(-5);
    EXPECT_EQ(model.CurrentTrack(), -1);
}
