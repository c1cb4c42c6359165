#include "HomeFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Writability says nothing (root may write into /usr/bin): only a build tree keeps its home beside
// the executable.
TEST(HomeFolder, VexoHomeWinsThenBuildTreeThenXdgDataFolder) {
    QTemporaryDir root;
    const QString build = root.path() + "/build";
    const QString testFolder = build + "/tests/engine/output";
    const QString installed = root.path() + "/usr/bin";
    ASSERT_TRUE(QDir().mkpath(testFolder) && QDir().mkpath(installed));
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
    EXPECT_EQ(ResolveHomeFolder("", testFolder + "/deeper", "", "/home/u"), "/home/u/.local/share/vexo-mp")
        << "a CMakeCache.txt far above is some other project's";
    EXPECT_EQ(ResolveHomeFolder("", "", "", "/home/u"), "/home/u/.local/share/vexo-mp");
}
