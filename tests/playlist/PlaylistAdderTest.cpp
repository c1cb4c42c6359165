#include "PlaylistAdder.h"
#include "FolderScan.h"
#include "NamedPipe.h"
#include "PathRules.h"
#include "PlaylistModel.h"
#include "TempTree.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {
QList<QByteArray> paths(const PlaylistModel& model) {
    QList<QByteArray> out;
    for (int i = 0; i < model.count(); ++i)
        out << model.Row(i).Path;
    return out;
}
} // namespace

TEST(AddByPath, AddsByExtensionOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"/m/SONG.MP3", true},
        {"/m/Song.Mp3", true},
        {"/m/a.flac", true},
        {"/m/a.aac", true},
        {"/m/a.wv", true},
        {"/m/x.mp3", true},
        {"/m/song.aiff", false},
        {"/m/song.m4b", false},
        {"/m/song.opus", false},
        {"/m/list.m3u8", false},
        {"/m/song", false},
        {"/m/dir.mp3/file", false},
        {"/m/a.mp3 ", false},
        {"", false},
        {"/m/a.mp", false},
        {"/m/.mp3", true},
        {"C:\\dir.mp3\\file", false}, // '\' is no separator: the extension is ".mp3\file"
        {"/m/a.b\\c.ogg", true},
    };
    for (auto [path, added] : cases) {
        PlaylistModel model;
        EXPECT_TRUE(PlaylistAdder(model).AddByPath(path).ok());
        EXPECT_EQ(model.count(), added ? 1 : 0) << path;
        if (added) {
            EXPECT_EQ(model.Row(0).Path, path); // case and all kept
        }
    }
    EXPECT_EQ(PathExtension("/A.B/C.TXT"), ".txt");
    EXPECT_EQ(PathExtension(QByteArray("/m/a.mp3\0", 9)), QByteArray(".mp3\0", 5));
}

TEST(ScanFolder, DepthFirstInNameOrderWithHiddenFilesAndLoopsEnding) {
    TempTree tree;
    for (const char* f : {"b.mp3", "A.mp3", "c.txt", ".hidden.ogg", "sub/z.wav", "sub/deeper/y.mp3",
                          "Sub2/x.mp3", "noext", "d.M3U"})
        tree.write(f);
    tree.write("d.M3U", "#EXTM3U\nfrom-list.mp3\n");
    ::symlink(tree.root().constData(), tree.path("sub/loop").constData());      // back to the top
    ::symlink(tree.path("sub").constData(), tree.path("sub-link").constData()); // same real folder again
    // Pipes are no tracks, under any name or link.
    const NamedPipe pipe(tree.path("pipe.mp3")), listPipe(tree.path("sub/pipe.m3u"));
    ASSERT_TRUE(pipe.made() && listPipe.made());
    ::symlink(pipe.path().constData(), tree.path("pipe-link.ogg").constData());

    PlaylistModel model;
    int inserted = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    EXPECT_TRUE(listPipe.returnsWithoutWaiting(
        [&] { EXPECT_TRUE(PlaylistAdder(model).ScanFolder(tree.root().chopped(1), "*.*", true).ok()); }));
    const QByteArray r = tree.root();
    EXPECT_EQ(paths(model),
              (QList<QByteArray>{r + ".hidden.ogg", r + "A.mp3", r + "b.mp3", r + "from-list.mp3",
                                 r + "sub/deeper/y.mp3", r + "sub/z.wav", r + "Sub2/x.mp3"}));
    EXPECT_EQ(inserted, 1);

    PlaylistModel flat;
    EXPECT_TRUE(PlaylistAdder(flat).ScanFolder(r, "*.MP3", false).ok());
    EXPECT_EQ(paths(flat), (QList<QByteArray>{r + "A.mp3", r + "b.mp3"}));

    PlaylistModel none;
    EXPECT_TRUE(PlaylistAdder(none).ScanFolder(r + "missing", "*.*", true).ok());
    EXPECT_TRUE(PlaylistAdder(none).ScanFolder("", "*.*", true).ok());
    EXPECT_EQ(none.count(), 0);
}

TEST(ScanFolder, AStopIsHeardAtOnceWhereNothingMatches) {
    // A close during a walk asks it to stop; in a tree of other files it must not walk on until
    // the next matching name.
    TempTree tree;
    for (int i = 0; i < 40; ++i)
        tree.write("a/sub" + QByteArray::number(i % 4) + "/n" + QByteArray::number(i));
    tree.write("b.mp3");
    QList<QByteArray> found;
    const auto onFile = [&](const QByteArray& path) {
        found << path;
        return true;
    };
    ScanFolderFiles(tree.root(), "*.mp3", true, onFile);
    ASSERT_EQ(found, QList<QByteArray>{tree.path("b.mp3")}) << "unstopped, the walk reaches the file";

    found.clear();
    int asked = 0;
    ScanFolderFiles(tree.root(), "*.mp3", true, onFile, [&] { return ++asked > 10; });
    EXPECT_TRUE(found.isEmpty()) << "the walk went on after the stop";
    EXPECT_EQ(asked, 11) << "the walk looked at more entries after the stop";
}

TEST(ScanFolder, MaskRules) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"a.mp3", "*.*", true},
        {"noext", "*.*", false},
        {"a.MP3", "*.mp3", true},
        {"a.mp3", "?.mp3", true},
        {"ab.mp3", "?.mp3", false},
        {"é.mp3", "?.mp3", true},
        {"a.mp3", "*", true},
        {"a.b.c", "*.c", true},
        {"abc", "a*b*c*", true},
        {"abd", "a*c", false},
        {"", "*", true},
        {"x", "", false},
    };
    for (auto [name, mask, match] : cases)
        EXPECT_EQ(MatchesMask(name, mask), match) << name << " " << mask;
}
