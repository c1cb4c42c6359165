#include "FakeEngine.h"
#include "FileErrorText.h"
#include "M3uWriter.h"
#include "NamedPipe.h"
#include "PlaylistAdder.h"
#include "PlaylistModel.h"
#include "TempTree.h"
#include "TrackInfoCache.h"
#include "WaitFor.h"

#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The rows a load gives, whether or not it failed half-way.
QList<QByteArray> load(const QByteArray& file, PlaylistModel& model) {
    (void)PlaylistAdder(model).LoadPlaylist(file);
    QList<QByteArray> out;
    for (int i = 0; i < model.count(); ++i)
        out << model.Row(i).Path;
    return out;
}
QList<QByteArray> load(const QByteArray& file) {
    PlaylistModel model;
    return load(file, model);
}
bool loads(const QByteArray& file) {
    PlaylistModel model;
    return PlaylistAdder(model).LoadPlaylist(file).ok();
}
} // namespace

TEST(M3u, SavesExactBytesAndReadsThemBack) {
    TempTree tree;
    PlaylistModel model;
    const QByteArray nonUtf8 = "/m/caf\xe9.mp3", known = tree.write("k.mp3");
    model.appendRows({{"", "", "C:\\a.mp3"}, {"Радио", "", "/m/b.ogg"}, {"", "", nonUtf8}, {"", "", known}});
    // Lengths and titles come from what the cache has read; a tag's line break stays on its line.
    FakeEngine engine;
    engine.files[known.toStdString()] = FakeTrack{.artist = "A\r\n/x.mp3", .lengthSeconds = 3725};
    TrackInfoCache cache(engine);
    ASSERT_TRUE(WaitFor([&] { return cache.Lookup(known).seconds > 0; }));
    const QByteArray file = tree.path("list.m3u");
    ASSERT_TRUE(SavePlaylist(file, model, &cache).ok());
    EXPECT_EQ(tree.read("list.m3u"),
              "#EXTM3U\r\n#EXTINF:-1,C:\\a\r\nC:\\a.mp3\r\n#EXTINF:-1,\xd0\xa0\xd0\xb0\xd0"
              "\xb4\xd0\xb8\xd0\xbe\r\n/m/b.ogg\r\n#EXTINF:-1,caf\xef\xbf\xbd\r\n" +
                  nonUtf8 + "\r\n#EXTINF:3725,A  /x.mp3\r\n" + known + "\r\n");

    PlaylistModel back;
    back.append("", "", "/first.wav");
    EXPECT_EQ(load(file, back),
              (QList<QByteArray>{"/first.wav", tree.root() + "C:\\a.mp3", "/m/b.ogg", nonUtf8, known}));
    EXPECT_TRUE(back.Row(2).Caption.isEmpty()); // titles in the file are not read

    ASSERT_TRUE(SavePlaylist(file, PlaylistModel()).ok());
    EXPECT_EQ(tree.read("list.m3u"), "#EXTM3U\r\n");
    // A name no line can hold is refused, never saved to come back as other files.
    PlaylistModel odd;
    EXPECT_FALSE(PlaylistAdder(odd).addPaths({"/m/a.wav", "/m/b\n/m/c.wav"}).ok());
    EXPECT_EQ(M3uText(odd), "#EXTM3U\r\n#EXTINF:-1,a\r\n/m/a.wav\r\n");
}

TEST(M3u, LineEndsCommentsAndTheEndOfText) {
    TempTree tree;
    const QByteArray r = tree.root();
    const std::pair<QByteArray, QList<QByteArray>> cases[] = {
        {"#EXTM3U\n/a.mp3\n/b.mp3", {"/a.mp3", "/b.mp3"}},
        {"#EXTM3U\r/a.mp3\r/b.mp3\r", {"/a.mp3", "/b.mp3"}},
        {"#EXTM3U\r\n/a.mp3\r\n\r\n\n#EXTINF:1,x\r\n/b.mp3\r\n", {"/a.mp3", "/b.mp3"}},
        {QByteArray("#EXTM3U\n/a.mp3\n/b.mp", 20) + QByteArray("3\0\n/c.mp3\n", 10), {"/a.mp3", "/b.mp3"}},
        {"#EXTM3U\n /a.mp3\n/a.mp3 \n", {r + " /a.mp3"}}, // kept as given: blanks are part of the name
        {"#EXTM3U\nsub/x.ogg\n../up.ogg\nhttp://radio/live.mp3\n",
         {r + "sub/x.ogg", r + "../up.ogg", "http://radio/live.mp3"}},
        {"#EXTM3U \n/a.mp3\n", {}},
        {"#extm3u\n/a.mp3\n", {}},
        {"\xef\xbb\xbf#EXTM3U\n/a.mp3\n", {}},
        {"/a.mp3\n/b.mp3\n", {}},
        {"", {}},
        {"#EXTM3U", {}},
    };
    for (const auto& [text, want] : cases)
        EXPECT_EQ(load(tree.write("t.m3u", text)), want) << text.toStdString();

    // A CR LF split between two read blocks is still one line end.
    QByteArray big = "#EXTM3U\n";
    while (big.size() < 256 * 1024 - 1)
        big += "#";
    big += "\r\n/after.mp3\n";
    EXPECT_EQ(load(tree.write("big.m3u", big)), (QList<QByteArray>{"/after.mp3"}));

    QByteArray garbage(1 << 20, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((unsigned(i) * 7919u) >> 3);
    EXPECT_TRUE(load(tree.write("garbage.m3u", garbage)).isEmpty());
}

TEST(M3u, NestedPlaylistsLoadOnceEachAndErrorsKeepEarlierRows) {
    TempTree tree;
    tree.write("self.m3u", "#EXTM3U\n/1.mp3\nself.m3u\n" + tree.path("./self.m3u") + "\n/2.mp3\n");
    EXPECT_EQ(load(tree.path("self.m3u")), (QList<QByteArray>{"/1.mp3", "/2.mp3"}));

    tree.write("a.m3u", "#EXTM3U\n/a1.mp3\nb.m3u\n/a2.mp3\n");
    tree.write("b.m3u", "#EXTM3U\n/b1.mp3\na.m3u\n/b2.mp3\n");
    EXPECT_EQ(load(tree.path("a.m3u")), (QList<QByteArray>{"/a1.mp3", "/b1.mp3", "/b2.mp3", "/a2.mp3"}));

    // The same playlist twice in a row is not a loop: both copies load.
    tree.write("twice.m3u", "#EXTM3U\nb.m3u\nb.m3u\n");
    EXPECT_EQ(load(tree.path("twice.m3u")).size(), 8);

    tree.write("broken.m3u", "#EXTM3U\n/x1.mp3\nmissing.m3u\n/x2.mp3\n");
    PlaylistModel model;
    int inserted = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    EXPECT_EQ(FileErrorText(PlaylistAdder(model).AddByPath(tree.path("broken.m3u"))).toStdString(),
              "Cannot open file \"" + tree.path("missing.m3u").toStdString() +
                  "\". No such file or directory");
    EXPECT_EQ(model.count(), 1);
    EXPECT_EQ(model.Row(0).Path, "/x1.mp3");
    EXPECT_EQ(inserted, 1);

    // A folder named like a playlist opens but cannot be read.
    tree.mkdir("folder.m3u");
    EXPECT_FALSE(loads(tree.path("folder.m3u")));
}

TEST(M3u, ADeepChainOfPlaylistsEndsLikeALoop) {
    // Each level names a track, the next level, then a track after it.
    TempTree tree;
    constexpr int kLevels = 10000;
    for (int i = 0; i < kLevels; ++i)
        tree.write("l" + QByteArray::number(i) + ".m3u", "#EXTM3U\n/t" + QByteArray::number(i) + ".mp3\nl" +
                                                             QByteArray::number(i + 1) + ".m3u\n/u" +
                                                             QByteArray::number(i) + ".mp3\n");
    QList<QByteArray> expected;
    const int followed = PlaylistAdder::kMaxPlaylistNesting;
    for (int i = 0; i < followed; ++i)
        expected.append("/t" + QByteArray::number(i) + ".mp3");
    for (int i = followed - 1; i >= 0; --i)
        expected.append("/u" + QByteArray::number(i) + ".mp3");
    EXPECT_EQ(load(tree.path("l0.m3u")), expected);
}

TEST(M3u, ALineLongerThanAnyPathIsSkipped) {
    TempTree tree;
    const QByteArray longest = "/" + QByteArray(PATH_MAX - 6, 'a') + ".mp3"; // PATH_MAX - 1 bytes
    const QByteArray tooLong = "/" + QByteArray(300 * 1024, 'b') + ".mp3";   // spans reading blocks
    tree.write("long.m3u", "#EXTM3U\n/a.mp3\n" + tooLong + "\r\n" + longest + "\n" + tooLong.left(PATH_MAX) +
                               "\n/b.mp3\n" + tooLong);
    EXPECT_EQ(load(tree.path("long.m3u")), (QList<QByteArray>{"/a.mp3", longest, "/b.mp3"}));
    // A playlist that is one huge line has no header and adds nothing.
    tree.write("one-line.m3u", tooLong);
    EXPECT_TRUE(load(tree.path("one-line.m3u")).isEmpty());
}

TEST(M3u, APipeNamedLikeAPlaylistIsUnreadableAndDoesNotWait) {
    TempTree tree;
    const NamedPipe pipe(tree.path("pipe.m3u"));
    ASSERT_TRUE(pipe.made());
    tree.write("outer.m3u", "#EXTM3U\n/before.mp3\npipe.m3u\n/after.mp3\n");
    for (const QByteArray& file : {pipe.path(), tree.path("outer.m3u")}) {
        PlaylistModel model;
        std::string error;
        EXPECT_TRUE(pipe.returnsWithoutWaiting([&] {
            error = FileErrorText(PlaylistAdder(model).LoadPlaylist(file)).toStdString();
        })) << file.constData();
        EXPECT_EQ(error, "Cannot open file \"" + pipe.path().toStdString() + "\". Not a regular file");
        EXPECT_EQ(model.count(), file == pipe.path() ? 0 : 1); // rows before the pipe stay
    }
}

TEST(M3u, BulkLoadNotifiesOnceAndNonUtf8NamesSurvive) {
    TempTree tree;
    const QByteArray odd = tree.write("caf\xe9\x80.mp3");
    QByteArray text = "#EXTM3U\r\n";
    for (int i = 0; i < 1000; ++i)
        text += "/m/" + QByteArray::number(i) + ".mp3\r\n";
    text += "caf\xe9\x80.mp3\r\n";
    tree.write("many.m3u", text);

    PlaylistModel model;
    int inserted = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    ASSERT_TRUE(PlaylistAdder(model).AddByPath(tree.path("many.m3u")).ok());
    EXPECT_EQ(inserted, 1);
    ASSERT_EQ(model.count(), 1001);
    EXPECT_EQ(model.Row(1000).Path, odd);

    PlaylistModel scanned;
    ASSERT_TRUE(PlaylistAdder(scanned).ScanFolder(tree.root(), "*.mp3", false).ok());
    ASSERT_EQ(scanned.count(), 1);
    EXPECT_EQ(scanned.Row(0).Path, odd);
    const QByteArray saveAs = tree.path("\xfe\xfd.m3u");
    ASSERT_TRUE(SavePlaylist(saveAs, scanned).ok());
    EXPECT_EQ(load(saveAs), (QList<QByteArray>{odd}));
}

TEST(M3u, FailedSavesLeaveTheOldFileAndSayWhy) {
    TempTree tree;
    PlaylistModel model;
    model.append("", "", "/a.mp3");
    const QByteArray noFolder = tree.path("no/such/list.m3u");
    EXPECT_EQ(FileErrorText(SavePlaylist(noFolder, model)).toStdString(),
              "Cannot create file \"" + noFolder.toStdString() + "\". No such file or directory");

    tree.mkdir("folder");
    EXPECT_FALSE(SavePlaylist(tree.path("folder"), model).ok()); // a folder is no playlist
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions; the unreadable cases need a user";
    tree.write("ro.m3u", "#EXTM3U\r\n");
    ::chmod(tree.path("ro.m3u").constData(), 0444);
    EXPECT_FALSE(SavePlaylist(tree.path("ro.m3u"), model).ok());
    EXPECT_EQ(tree.read("ro.m3u"), "#EXTM3U\r\n");

    tree.write("locked.m3u", "#EXTM3U\n/a.mp3\n");
    ::chmod(tree.path("locked.m3u").constData(), 0);
    EXPECT_FALSE(loads(tree.path("locked.m3u")));
}

namespace {
// Keeps a folder from taking new files for its lifetime, also for root: by the immutable attribute
// where the file system and our rights allow it, else by permissions, which bind users only.
class ClosedFolder {
  public:
    explicit ClosedFolder(const QByteArray& folder)
        : fd_(::open(folder.constData(), O_RDONLY | O_DIRECTORY)) {
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!immutable_ && ::geteuid() != 0) ::fchmod(fd_, 0555);
        closed_ = ::open((folder + "/.probe").constData(), O_WRONLY | O_CREAT | O_EXCL, 0644) < 0;
    }
    ~ClosedFolder() {
        int flags = 0;
        if (immutable_ && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        ::fchmod(fd_, 0755);
        ::close(fd_);
    }
    ClosedFolder(const ClosedFolder&) = delete;
    ClosedFolder& operator=(const ClosedFolder&) = delete;
    // Whether a new file really cannot be made there.
    bool closed() const { return closed_; }

  private:
    int fd_;
    bool immutable_ = false;
    bool closed_ = false;
};
} // namespace

TEST(M3u, SavesReplaceTheFileWholeAndAFolderThatTakesNoNewFilesIsWrittenInPlace) {
    TempTree tree;
    PlaylistModel model;
    model.append("", "", "/new.mp3");
    const QByteArray file = tree.write("shared/list.m3u", "#EXTM3U\r\n#EXTINF:206,\r\n/old.mp3\r\n");

    // An open reader of the old playlist keeps reading the old file: the new one replaced it whole.
    const int reader = ::open(file.constData(), O_RDONLY);
    ASSERT_TRUE(SavePlaylist(file, model).ok());
    char old[9] = {};
    EXPECT_EQ(::pread(reader, old, 8, 23), 8);
    EXPECT_STREQ(old, "/old.mp3");
    ::close(reader);
    EXPECT_EQ(tree.read("shared/list.m3u"), "#EXTM3U\r\n#EXTINF:-1,new\r\n/new.mp3\r\n");

    ClosedFolder closed(tree.path("shared"));
    if (!closed.closed()) GTEST_SKIP() << "no way here to keep root from making files in a folder";
    ASSERT_TRUE(SavePlaylist(file, PlaylistModel()).ok());
    EXPECT_EQ(tree.read("shared/list.m3u"), "#EXTM3U\r\n") << "written in place, cut to the new length";
    ASSERT_TRUE(SavePlaylist(file, model).ok());
    EXPECT_EQ(tree.read("shared/list.m3u"), "#EXTM3U\r\n#EXTINF:-1,new\r\n/new.mp3\r\n");
    EXPECT_FALSE(SavePlaylist(tree.path("shared/other.m3u"), model).ok()) << "no new playlist there";
}
