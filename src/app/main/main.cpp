#include "HomeFolder.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Vexo MP");
    QDir().mkpath(DataFolder());
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.resize(320, 135);
    window.show();
    return app.exec();
}
