#include "FileReplace.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A file system of 64 KiB of its own, filled to the last byte after the files a test puts there.
class FullDiskSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, "size=64k,mode=0755") !=
            0)
            GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno) << ")";
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    void fill() const {
        const int fd = ::open(QFile::encodeName(path("filler")).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        const QByteArray block(512, 'x');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        ASSERT_EQ(errno, ENOSPC);
        ::close(fd);
    }

    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    QStringList leftovers() const {
        return QDir(dir_.path()).entryList({".vexo-save-*"}, QDir::Files | QDir::Hidden);
    }

    QTemporaryDir dir_;
    bool mounted_ = false;
};

// ReplaceFileContents run by a user who may write the file but not create files in its folder, so
// that the file is rewritten in place; the errno it returned, or -1 when the run itself failed.
int ReplaceInPlaceAsAnotherUser(const QString& file, const QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(file);
    const uid_t nobody = 65534;
    if (::chown(name.constData(), nobody, nobody) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(255);
        ::_exit(ReplaceFileContents(name, bytes) & 0x7f);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(FullDiskSaveTest, SettingsAndPlaylistsThatDoNotFitKeepTheOldFileAndReportIt) {
    Settings settings;
    settings.volume = 12;
    ASSERT_TRUE(SaveSettings(path("Options.ini"), settings));
    const QByteArray oldOptions = read(path("Options.ini"));
    const QByteArray oldPlaylist = "#EXTM3U\r\n/music/one.mp3\r\n";
    ASSERT_EQ(ReplaceFileContents(QFile::encodeName(path("Default.m3u")), oldPlaylist), 0);
    fill();

    settings.volume = 99;
    EXPECT_EQ(WriteSettings(path("Options.ini"), settings), ENOSPC);
    EXPECT_EQ(read(path("Options.ini")), oldOptions);

    const QByteArray bigPlaylist(256 * 1024, 'p');
    EXPECT_EQ(ReplaceFileContents(QFile::encodeName(path("Default.m3u")), bigPlaylist), ENOSPC);
    EXPECT_EQ(read(path("Default.m3u")), oldPlaylist);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(' ').toStdString();
}

TEST_F(FullDiskSaveTest, RewritingInPlaceOnAFullDiskKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a user who may not create files here";
    const QByteArray oldBytes(3000, 'o');
    ASSERT_EQ(ReplaceFileContents(QFile::encodeName(path("Shared.m3u")), oldBytes), 0);
    fill();

    EXPECT_EQ(ReplaceInPlaceAsAnotherUser(path("Shared.m3u"), QByteArray(256 * 1024, 'n')), ENOSPC);
    EXPECT_EQ(read(path("Shared.m3u")), oldBytes);

    // What fits in the room the file already has is still saved.
    const QByteArray smaller(1000, 's');
    EXPECT_EQ(ReplaceInPlaceAsAnotherUser(path("Shared.m3u"), smaller), 0);
    EXPECT_EQ(read(path("Shared.m3u")), smaller);
}
