#include "HomeFolder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(HomeFolder, VexoHomeWinsThenWritableExecutableFolderThenXdg) {
    QTemporaryDir exe;
    EXPECT_EQ(ResolveHomeFolder("/srv/vexo/", exe.path(), "/x", "/home/u"), "/srv/vexo");
    EXPECT_EQ(ResolveHomeFolder("", exe.path(), "/x", "/home/u"), exe.path());

    ::chmod(QFile::encodeName(exe.path()).constData(), 0555);
    if (::getuid() != 0) { // root may write anywhere, so the fallback is only reachable for users
        EXPECT_EQ(ResolveHomeFolder("", exe.path(), "/x", "/home/u"), "/x/vexo-mp");
        EXPECT_EQ(ResolveHomeFolder("", exe.path(), "", "/home/u"), "/home/u/.local/share/vexo-mp");
    }
    ::chmod(QFile::encodeName(exe.path()).constData(), 0755);
    EXPECT_EQ(ResolveHomeFolder("", "/nonexistent/folder", "", "/home/u"), "/home/u/.local/share/vexo-mp");
}
