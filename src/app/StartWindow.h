#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

// What the start window found while preparing the home folder.
struct StartChecks {
    bool dataFolderReady = false; // Data exists (created when it was missing)
    bool pluginsFound = false;    // the Plugins folder exists
    QString versionText;          // "v " + the version of the settings file
};

// Creates Data when missing and reads the version; a Data folder that cannot be created skips the
// rest, as nothing else could work there.
StartChecks PrepareHomeFolder(const QString& homeFolder);

// The two-line warning shown when the Plugins folder is missing.
QString PluginsMissingText();
// The warning that names the plug-ins refused at start, each as "FILE: why".
QString PluginsRefusedText(const QStringList& refused);

// The picture of the start window: name and version on the six-stop grey gradient, the texts drawn
// at `scale` device pixels a window pixel.
QImage PaintStartWindow(const QString& versionText, int scale = 1);

// The small borderless window shown for two seconds while the player starts.
class StartWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 188;
    static constexpr int kHeight = 70;
    static constexpr int kShowMs = 2000;

    explicit StartWindow(const QString& versionText);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString versionText_;
    QImage image_;
};
