#include "SettingsFile.h"
#include "FileReplace.h"
#include "NamedPipe.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFileTest : public ::testing::Test {
  protected:
    QString path() const { return dir_.filePath("Options.ini"); }

    void write(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray read() const {
        QFile file(path());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    // A value in every field that differs from its default.
    static Settings changed() {
        return Settings{"9.9", -20, 1500, true,       33,   -0.375f, 12,
                        1,     2,   1,    0x00FF8040, true, true,    {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30},
                        true,  400, 313,  500};
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(SettingsFileTest, MissingFileGivesTheFirstRunValues) {
    const Settings s = LoadSettings(path());
    EXPECT_EQ(s, Settings{});
    // Spelled out once: Settings{} holds the same values, so a wrong default there would hide here.
    EXPECT_EQ(s.version, "2.03");
    EXPECT_EQ(std::tuple(s.mainLeft, s.mainTop, s.volume, s.balansX, s.playListLeft, s.playListHeight),
              std::tuple(268, 141, 104, 48, 268, 210));
    EXPECT_EQ(s.color, 13 | 90 << 8 | 219 << 16);
    EXPECT_EQ(s.eqParams, (std::array<int, 11>{15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15}));
    EXPECT_FALSE(s.playListTop.has_value());
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsFileTest, NewFileHoldsEveryKeyInTableOrder) {
    ASSERT_TRUE(SaveSettings(path(), changed(), ","));
    EXPECT_EQ(read(),
              QByteArray("[VexoMP]\r\nVersion=2.03\r\n"
                         "[Main]\r\nLeft=-20\r\nTop=1500\r\nOnTop=1\r\nVolume=33\r\nBalans=-0,375\r\n"
                         "BalansX=12\r\nRunStringScroll=1\r\nPlayMode=2\r\nTimeMode=1\r\nColor=16744512\r\n"
                         "[EQ]\r\nShow=1\r\nEnable=1\r\n"
                         "[EQParams]\r\n0=0\r\n1=3\r\n2=6\r\n3=9\r\n4=12\r\n5=15\r\n6=18\r\n7=21\r\n8=24\r\n"
                         "9=27\r\n10=30\r\n"
                         "[PlayList]\r\nShow=1\r\nLeft=400\r\nTop=313\r\nHeight=500\r\n"));
}

TEST_F(SettingsFileTest, EveryValueRoundTripsWithEitherSeparator) {
    for (const char* point : {".", ","}) {
        ASSERT_TRUE(SaveSettings(path(), changed(), point));
        Settings expected = changed();
        expected.version = "2.03"; // the file is upgraded to the program's own version
        EXPECT_EQ(LoadSettings(path()), expected) << point;
    }
    // Without a known top the file keeps the one it has.
    ASSERT_TRUE(SaveSettings(path(), Settings{}, "."));
    Settings expected;
    expected.playListTop = 313;
    EXPECT_EQ(LoadSettings(path()), expected);
}

TEST_F(SettingsFileTest, ExistingFileKeepsItsOtherLinesAndGetsTheCurrentVersion) {
    write(
        "; hand notes\r\n[VexoMP]\r\nVersion=9.9\r\n[Main]\r\nLeft=5\r\nSkin=old\r\n\r\n[Extra]\r\nX=1\r\n");
    Settings loaded = LoadSettings(path());
    EXPECT_EQ(loaded.version, "9.9");
    EXPECT_EQ(loaded.mainLeft, 5);
    loaded.mainLeft = 6;
    ASSERT_TRUE(SaveSettings(path(), loaded, "."));
    const QByteArray text = read();
    EXPECT_TRUE(text.startsWith(
        "; hand notes\r\n[VexoMP]\r\nVersion=2.03\r\n[Main]\r\nLeft=6\r\nSkin=old\r\nTop=141\r\n"))
        << text.constData();
    EXPECT_TRUE(text.contains("Color=14375437\r\n\r\n[Extra]\r\nX=1\r\n[EQ]\r\n")) << text.constData();
    EXPECT_TRUE(text.endsWith("Height=210\r\n"));
    EXPECT_FALSE(text.contains("[PlayList]\r\nShow=0\r\nLeft=268\r\nTop="))
        << "an unknown top is not invented";
}

TEST_F(SettingsFileTest, MalformedAndOutOfRangeValues) {
    write(
        "[Main]\nLeft=abc\nTop=12abc\nOnTop=2\nVolume=-30\nBalans=0,5\nBalansX=\nPlayMode=7\nTimeMode=0x10\n"
        "Color=99999999999\n[EQ]\nShow=yes\nEnable=-1\n[EQParams]\n3=1.5\n4= 40 \n"
        "[PlayList]\nTop=zz\nHeight=0\n");
    const Settings s = LoadSettings(path());
    EXPECT_EQ(s.mainLeft, 268); // not a number: default
    EXPECT_EQ(s.mainTop, 141);  // trailing garbage: default
    EXPECT_TRUE(s.onTop);       // any integer but 0
    EXPECT_EQ(s.volume, -30);   // out of range: kept as read
    EXPECT_EQ(s.balans, 0.5f);  // a comma reads as well as a dot
    EXPECT_EQ(s.balansX, 48);   // empty: default
    EXPECT_EQ(s.playMode, 7);
    EXPECT_EQ(s.timeMode, 16);
    EXPECT_EQ(s.color, 14375437); // beyond int: default
    EXPECT_FALSE(s.eqShow);       // not an integer: default false
    EXPECT_TRUE(s.eqEnable);
    EXPECT_EQ(s.eqParams[3], 15);
    EXPECT_EQ(s.eqParams[4], 40);
    EXPECT_FALSE(s.playListTop.has_value()); // the caller computes it
    EXPECT_EQ(s.playListHeight, 0);
}

TEST_F(SettingsFileTest, DuplicateKeysReadAndWriteTheFirst) {
    write("[Main]\nVolume=10\nvolume=20\n[main]\nVolume=30\n");
    Settings s = LoadSettings(path());
    EXPECT_EQ(s.volume, 10);
    s.volume = 11;
    ASSERT_TRUE(SaveSettings(path(), s));
    const QByteArray text = read();
    EXPECT_TRUE(text.startsWith("[Main]\r\nVolume=11\r\nvolume=20\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("[main]\r\nVolume=30\r\n"));
    EXPECT_EQ(LoadSettings(path()).volume, 11);
}

TEST_F(SettingsFileTest, GarbageFileGivesDefaultsAndIsRepairedBySaving) {
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += char((i * 7919) % 256);
    garbage += "\n[Main\nLeft\n=5\n[]\n";
    write(garbage);
    EXPECT_EQ(LoadSettings(path()), Settings{});
    Settings s;
    s.volume = 50;
    ASSERT_TRUE(SaveSettings(path(), s));
    EXPECT_EQ(LoadSettings(path()).volume, 50);
}

TEST_F(SettingsFileTest, UnwritablePlaceReportsFailure) {
    EXPECT_FALSE(SaveSettings(dir_.filePath("missing/Options.ini"), Settings{}));
    EXPECT_FALSE(SaveSettings(dir_.path(), Settings{}));
}

TEST_F(SettingsFileTest, OnlyTheUsersOwnFileIsWrittenAndOneTheReaderRefusedStays) {
    const QByteArray tooLong = "[Main]\r\nVolume=5\r\n" + QByteArray(1'100'000, '\n');
    write(tooLong);
    int refused = 0;
    EXPECT_EQ(LoadSettings(path(), &refused).volume, 104);
    EXPECT_TRUE(refused != 0 && WriteSettings(path(), Settings{}) != 0);
    EXPECT_EQ(read(), tooLong);
    // Through a link the file stays its owner's (root saves one of nobody's), with its mode and names.
    write("[Main]\r\nVolume=5\r\n");
    const QByteArray file = QFile::encodeName(path()), hard = file + ".2";
    const QString link = dir_.filePath("link");
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    ASSERT_TRUE(QFile::link(path(), link) && ::chmod(file, 0640) == 0 &&
                ::chown(file, owner, gid_t(-1)) == 0);
    ASSERT_TRUE(SaveSettings(link, Settings{.volume = 7}));
    struct stat st {};
    EXPECT_TRUE(::stat(file, &st) == 0 && st.st_uid == owner && (st.st_mode & 07777) == 0640);
    ASSERT_EQ(::link(file, hard), 0);
    ASSERT_TRUE(SaveSettings(link, Settings{.volume = 8}));
    EXPECT_EQ(LoadSettings(QFile::decodeName(hard)).volume, 8) << "one file under its two names and the link";
    // A pipe behind the name: no wait at start, and at close no file put in the pipe's place.
    const NamedPipe pipe(QFile::encodeName(dir_.filePath("pipe")));
    ASSERT_TRUE(QFile::remove(link) && QFile::link(dir_.filePath("pipe"), link));
    EXPECT_TRUE(pipe.returnsWithoutWaiting([&] { refused = WriteSettings(link, LoadSettings(link)); }));
    EXPECT_EQ(std::tuple(refused, ReplaceFileContents(QFile::encodeName(link), "[A]")),
              std::tuple(kNotRegularFile, kNotRegularFile));
    EXPECT_TRUE(::lstat(pipe.path(), &st) == 0 && S_ISFIFO(st.st_mode) && QFileInfo(link).isSymLink());
}

TEST_F(SettingsFileTest, HandSetScaleIsReadAndOutlivesASave) {
    write("[Main]\r\nScale=2\r\n");
    EXPECT_EQ(LoadSettings(path()).scale, 2);
    // The player never sets the scale: what it saves must not undo the hand edit.
    ASSERT_TRUE(SaveSettings(path(), Settings{}, "."));
    EXPECT_EQ(LoadSettings(path()).scale, 2);
}
