#include "StartWindow.h"
#include "ToolkitTranslation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {
void WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}
} // namespace

TEST(StartChecks, CreatesDataAndReadsTheVersion) {
    QTemporaryDir home;
    StartChecks checks = PrepareHomeFolder(home.path());
    EXPECT_TRUE(checks.dataFolderReady);
    EXPECT_TRUE(QDir(home.path() + "/Data").exists());
    EXPECT_FALSE(checks.pluginsFound);
    EXPECT_EQ(checks.versionText, QString("v 2.03"));

    WriteFile(home.path() + "/Data/Options.ini", "");
    EXPECT_EQ(PrepareHomeFolder(home.path()).versionText, QString("v 2.03")) << "an empty file";
    WriteFile(home.path() + "/Data/Options.ini", "[VexoMP]\r\nVersion=9.9\r\n");
    QDir(home.path()).mkpath("Plugins");
    checks = PrepareHomeFolder(home.path());
    EXPECT_EQ(checks.versionText, QString("v 9.9"));
    EXPECT_TRUE(checks.pluginsFound);
}

TEST(StartChecks, ADataFolderThatCannotBeCreatedSkipsTheRest) {
    QTemporaryDir home;
    WriteFile(home.path() + "/Data", "not a folder");
    const StartChecks checks = PrepareHomeFolder(home.path());
    EXPECT_FALSE(checks.dataFolderReady);
    EXPECT_TRUE(checks.versionText.isEmpty());
}

TEST(StartChecks, PluginWarningHasTwoLines) {
    const QStringList lines = PluginsMissingText().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QString("Плагины не найдены!"));
    EXPECT_TRUE(lines[1].startsWith("Зайдите на сайт"));
    EXPECT_TRUE(lines[1].endsWith("и скачайте дополнительные плагины"));
}

TEST(StartWindowLook, GradientNameAndVersion) {
    const QImage image = PaintStartWindow("v 2.03");
    ASSERT_EQ(image.size(), QSize(188, 70));
    // Six stops over 70 rows: white at both ends, grey in the middle.
    EXPECT_EQ(image.pixel(187, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(187, 69), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(5, 35), qRgb(128, 128, 128));
    int red = 0;
    for (int y = 45; y < 70; ++y)
        for (int x = 115; x < 188; ++x)
            red += image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_GT(red, 20);
    int white = 0;
    for (int y = 20; y < 50; ++y)
        for (int x = 10; x < 110; ++x)
            white += image.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 20) << "the name in white over the grey middle";
    EXPECT_NE(PaintStartWindow("v 9.9"), image);
}

TEST(StartWindowWidget, SizeAndFlags) {
    StartWindow window("v 2.03");
    EXPECT_EQ(window.size(), QSize(188, 70));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
}

TEST(StartChecks, RemovesOnlyStaleTemporaryFilesOfKilledSaves) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("Data"));
    const QString data = home.path() + "/Data/";
    const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString name : {".vexo-save-4242-0.tmp", ".vexo-save-4242-1.tmp", "Options.ini", "keep.tmp",
                               ".vexo-save-notes.txt"}) {
        WriteFile(data + name, "x");
        QFile file(data + name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(hourAgo, QFileDevice::FileModificationTime));
    }
    WriteFile(data + ".vexo-save-4243-0.tmp", "a save still being written");

    PrepareHomeFolder(home.path());
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({".vexo-save-4243-0.tmp", ".vexo-save-notes.txt", "Options.ini", "keep.tmp"}));
}

// The toolkit's own buttons speak the interface's language, not English.
TEST(StartChecks, MessageBoxButtonsSpeakRussian) {
    QTranslator* translator = LoadToolkitTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "the toolkit's Russian translation is not installed";
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vexo MP"), QStringLiteral("?"),
                    QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&').toStdString(), "Отмена");
    QCoreApplication::removeTranslator(translator);
    delete translator;
}
