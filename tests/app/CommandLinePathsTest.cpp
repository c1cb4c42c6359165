#include "CommandLinePaths.h"
#include "CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLinePaths, MadeAbsoluteWithoutResolvingParentFolders) {
    struct Case {
        QByteArray given, expected;
    };
    for (const Case& c : {
             Case{"x.mp3", "/home/u/x.mp3"},
             Case{"./music//x.mp3", "/home/u/music/x.mp3"},
             // "link" may point anywhere: its ".." is not the working folder.
             Case{"link/../x.mp3", "/home/u/link/../x.mp3"},
             Case{"/abs/./a/../b.m3u", "/abs/a/../b.m3u"},
             Case{"folder/", "/home/u/folder"},
             Case{"/", "/"},
             Case{QByteArray("\xff\xfe.ogg"), QByteArray("/home/u/\xff\xfe.ogg")},
         })
        EXPECT_EQ(AbsolutePaths({c.given}, "/home/u"), QByteArrayList{c.expected}) << c.given.constData();
    EXPECT_EQ(AbsolutePaths({"", "a"}, "/"), QByteArrayList{"/a"});
}

// The toolkit's options go to the toolkit, never into the playlist; after "--" every argument is a
// path, even one named like an option.
TEST(CommandLine, ToolkitOptionsAreNoPathsAndDoubleDashEndsTheOptions) {
    const CommandLine line =
        ParseCommandLine({"-platform", "xcb", "--play", "a.mp3", "--", "-style", "--help"});
    EXPECT_EQ(line.action, CommandLine::Action::Run);
    EXPECT_TRUE(line.play);
    EXPECT_EQ(line.paths, QByteArrayList({"a.mp3", "-style", "--help"}));
    EXPECT_EQ(line.toolkitOptions, QByteArrayList({"-platform", "xcb"}));
}
