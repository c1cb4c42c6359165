#include "StartWindow.h"

#include "FileReplace.h"
#include "PaintGradient.h"
#include "RoundedRegion.h"
#include "ScaledPicture.h"
#include "SettingsFile.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

StartChecks PrepareHomeFolder(const QString& homeFolder) {
    StartChecks checks;
    checks.dataFolderReady = QDir().mkpath(homeFolder + "/Data");
    if (!checks.dataFolderReady) return checks;
    // Saves killed midway leave their temporary files behind; nothing else would ever remove them.
    RemoveStaleSaveFiles(homeFolder + "/Data");
    checks.pluginsFound = QFileInfo(homeFolder + "/Plugins").isDir();
    checks.versionText = "v " + LoadSettings(homeFolder + "/Data/Options.ini").version;
    return checks;
}

QString PluginsMissingText() {
    // The maker's address is not ours to give; the sentence reads whole without it.
    return QStringLiteral("Плагины не найдены!\nЗайдите на сайт и скачайте дополнительные плагины");
}

QString PluginsRefusedText(const QStringList& refused) {
    return QStringLiteral("Broken plug-ins were not loaded:\n") + refused.join('\n');
}

QImage PaintStartWindow(const QString& versionText, int scale) {
    QImage image(StartWindow::kWidth, StartWindow::kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintGradient(painter, image.rect(), false, {kWhite, kSilver, kGrey, kGrey, kSilver, kWhite});
    BeginTexts(painter, image, scale);
    const auto drawAt = [&](QPoint topLeft, const QString& text) {
        painter.drawText(QPoint(topLeft.x(), topLeft.y() + painter.fontMetrics().ascent()), text);
    };
    painter.setFont(SkinFont(40, false, QStringLiteral("Chiller")));
    painter.setPen(kWhite);
    drawAt({10, 8}, QStringLiteral("Vexo MP"));
    painter.setFont(SkinFont(15, false, QStringLiteral("DejaVu Sans")));
    painter.setPen(QColor(255, 0, 0));
    drawAt({115, 45}, versionText);
    return image;
}

StartWindow::StartWindow(const QString& versionText)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      versionText_(versionText), image_(PaintStartWindow(versionText, qRound(devicePixelRatioF()))) {
    setWindowTitle(QStringLiteral("Vexo MP"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kWidth, kHeight);
    setMask(RoundedRegion(size()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(kWidth / 2, kHeight / 2));
}

void StartWindow::paintEvent(QPaintEvent*) {
    // Shown on another screen than the one it was made for, its texts follow that screen's ratio.
    const int scale = qRound(devicePixelRatioF());
    if (image_.devicePixelRatio() != scale) image_ = PaintStartWindow(versionText_, scale);
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}
