#include "HomeFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Writability alone says nothing (root may write into /usr/bin): an installed program uses the
// per-user folder, a build tree or a portable copy keeps its home beside the executable.
TEST(HomeFolder, VexoHomeWinsThenBuildTreeOrPortableCopyThenXdgDataFolder) {
    QTemporaryDir root;
    const QString build = root.path() + "/build";
    const QString testFolder = build + "/tests/engine/output";
    const QString installed = root.path() + "/usr/bin";
    const QString portable = root.path() + "/vexo-portable";
    ASSERT_TRUE(QDir().mkpath(testFolder) && QDir().mkpath(installed) &&
                QDir().mkpath(root.path() + "/usr/lib/vexo-mp") && QDir().mkpath(portable));
    QFile cache(build + "/CMakeCache.txt");
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();

    EXPECT_EQ(ResolveHomeFolder("/srv/vexo/", build, "/x", "/home/u"), "/srv/vexo");
    EXPECT_EQ(ResolveHomeFolder("", build, "/x", "/home/u"), build);
    EXPECT_EQ(ResolveHomeFolder("", testFolder, "/x", "/home/u"), testFolder)
        << "three folders below the top";

    EXPECT_EQ(ResolveHomeFolder("", installed, "/x/", "/home/u"), "/x/vexo-mp") << "writable, yet installed";
    EXPECT_EQ(ResolveHomeFolder("", installed, "", "/home/u"), "/home/u/.local/share/vexo-mp");
    EXPECT_EQ(ResolveHomeFolder("", installed, "relative/data", "/home/u"), "/home/u/.local/share/vexo-mp");
    EXPECT_EQ(ResolveHomeFolder("", portable, "/x", "/home/u"), portable);
    EXPECT_EQ(ResolveHomeFolder("", root.path() + "/gone/bin", "", "/home/u"), "/home/u/.local/share/vexo-mp")
        << "a folder nobody can write into";
    EXPECT_EQ(ResolveHomeFolder("", "", "", "/home/u"), "/home/u/.local/share/vexo-mp");
}
