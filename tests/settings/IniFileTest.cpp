#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    QString write(const QByteArray& bytes, const QString& name = "Options.ini") const {
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray read(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    IniFile loaded(const QByteArray& bytes) const {
        IniFile ini(write(bytes));
        EXPECT_TRUE(ini.load());
        return ini;
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(IniFileTest, ReadsNamesCaseInsensitivelyAndTrimsValues) {
    const IniFile ini =
        loaded("\xEF\xBB\xBF; settings\n[main]\n  LEFT =  12  \nTop=\t-7\r\n[Пример]\nКлюч=значение\n"
               "[EQ]\r\nShow=1");
    const std::tuple<const char*, const char*, std::optional<QString>> cases[] = {
        {"Main", "Left", "12"},
        {"MAIN", "left", "12"},
        {"main", "top", "-7"},
        {"пример", "КЛЮЧ", "значение"},
        {"EQ", "show", "1"},
        {"EQ", "Left", std::nullopt},
        {"PlayList", "Show", std::nullopt},
    };
    for (const auto& [section, key, expected] : cases)
        EXPECT_EQ(ini.value(QString::fromUtf8(section), QString::fromUtf8(key)), expected)
            << section << "/" << key;
    EXPECT_EQ(ini.value("PlayList", "Show", "default"), "default");
    EXPECT_TRUE(ini.toBytes().startsWith("\xEF\xBB\xBF; settings\r\n[main]\r\n"));
}

TEST_F(IniFileTest, WritesInPlaceOrAppendAndKeepEveryOtherLine) {
    IniFile ini = loaded("; kept comment\n"
                         "orphan=before any section\n"
                         "[Main]\n"
                         "  left = 1\n"
                         "garbage line without equals\n"
                         "LEFT=duplicate\n"
                         "Top=2\n"
                         "\n"
                         "; about EQ\n"
                         "[EQ]\n"
                         "[main]\n"
                         "Left=second section\n"
                         "[Keyless]\n"
                         "; about it\n"
                         "\n");
    EXPECT_TRUE(ini.setValue("MAIN", "Left", "10"));          // first occurrence, the file's spelling
    EXPECT_TRUE(ini.setValue("Main", "Volume", "104"));       // after the last key, before the blank line
    EXPECT_TRUE(ini.setValue("eq", "Enable", "1"));           // an empty section
    EXPECT_TRUE(ini.setValue("Keyless", "k", "1"));           // after the section's comment
    EXPECT_TRUE(ini.setValue("PlayList", "Height", " 210 ")); // a new section at the end, value trimmed
    EXPECT_TRUE(ini.setValue("PlayList", "Show", "1"));
    EXPECT_EQ(ini.toBytes(), QByteArray("; kept comment\r\n"
                                        "orphan=before any section\r\n"
                                        "[Main]\r\n"
                                        "left=10\r\n"
                                        "garbage line without equals\r\n"
                                        "LEFT=duplicate\r\n"
                                        "Top=2\r\n"
                                        "Volume=104\r\n"
                                        "\r\n"
                                        "; about EQ\r\n"
                                        "[EQ]\r\n"
                                        "Enable=1\r\n"
                                        "[main]\r\n"
                                        "Left=second section\r\n"
                                        "[Keyless]\r\n"
                                        "; about it\r\n"
                                        "k=1\r\n"
                                        "\r\n"
                                        "[PlayList]\r\n"
                                        "Height=210\r\n"
                                        "Show=1\r\n"));
    EXPECT_EQ(ini.value("main", "left"), "10");
    EXPECT_EQ(ini.value("Main", "Volume"), "104");
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldNotReadBack) {
    IniFile ini = loaded("[A]\nk=1\n");
    const std::tuple<QString, QString, QString> refused[] = {
        {"", "k", "v"},     {"A", " ", "v"},        {"A", "k=j", "v"},
        {"A]", "k", "v"},   {"A", "[k", "v"},       {"A", ";k", "v"},
        {"A\nB", "k", "v"}, {"A", "k", "one\ntwo"}, {"A", "k", "one\rtwo"},
    };
    for (const auto& [section, key, value] : refused)
        EXPECT_FALSE(ini.setValue(section, key, value)) << qPrintable(section + "/" + key + "=" + value);
    EXPECT_EQ(ini.toBytes(), QByteArray("[A]\r\nk=1\r\n"));
}

TEST_F(IniFileTest, MissingFilesLoadEmptyAndUnusablePathsFail) {
    IniFile fresh(dir_.filePath("new.ini"));
    EXPECT_TRUE(fresh.load());
    EXPECT_TRUE(fresh.setValue("A", "k", "значение"));
    ASSERT_TRUE(fresh.save());
    EXPECT_EQ(read(dir_.filePath("new.ini")), QByteArray("[A]\r\nk=значение\r\n"));

    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder"));
    IniFile folder(dir_.filePath("folder"));
    EXPECT_FALSE(folder.load());
    folder.setValue("A", "k", "1");
    EXPECT_FALSE(folder.save());
    EXPECT_TRUE(QFileInfo(dir_.filePath("folder")).isDir());

    IniFile noParent(dir_.filePath("missing/Options.ini"));
    EXPECT_TRUE(noParent.load());
    noParent.setValue("A", "k", "1");
    EXPECT_FALSE(noParent.save());
}

TEST_F(IniFileTest, GarbageBytesSurviveAndKeysStillWork) {
    std::mt19937 random(7);
    QByteArray garbage;
    for (int i = 0; i < 200000; ++i)
        garbage += char(random() % 256);
    const QString path = write(garbage);
    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    ASSERT_TRUE(ini.setValue("Main", "Left", "5"));
    ASSERT_TRUE(ini.save());
    // Every byte kept; only line ends become CR LF.
    QList<QByteArray> lines = garbage.split('\n');
    if (garbage.endsWith('\n')) lines.removeLast();
    QByteArray expected;
    for (QByteArray line : lines)
        expected += (line.endsWith('\r') ? line.chopped(1) : line) + "\r\n";
    const QByteArray saved = read(path);
    EXPECT_EQ(saved.left(expected.size()), expected);
    EXPECT_EQ(saved.mid(expected.size()), QByteArray("[Main]\r\nLeft=5\r\n"));
    IniFile again(path);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.value("Main", "Left"), "5");
}

TEST_F(IniFileTest, HugeValuesWorkAndAbsurdFilesReadAsUnreadable) {
    const QString big(10 * 1024 * 1024, QChar('x'));
    IniFile ini(dir_.filePath("big.ini"));
    ASSERT_TRUE(ini.setValue("A", "big", big));
    ASSERT_TRUE(ini.setValue("A", "small", "1"));
    ASSERT_TRUE(ini.save());
    IniFile again(dir_.filePath("big.ini"));
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.value("A", "big"), big);
    EXPECT_EQ(again.value("A", "small"), "1");

    IniFile lines(write("[A]\nk=1\n" + QByteArray(IniFile::kMaxLines, '\n'), "lines.ini"));
    EXPECT_FALSE(lines.load());
    EXPECT_EQ(lines.toBytes(), QByteArray());
    IniFile size(write("[A]\nk=1\n" + QByteArray(IniFile::kMaxFileBytes, 'y'), "huge.ini"));
    EXPECT_FALSE(size.load());
    EXPECT_FALSE(size.value("A", "k").has_value());
}
