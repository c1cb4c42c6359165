#pragma once
// A playlist view over a model of real (empty) files that the fake engine knows, shown offscreen.
#include "FakeEngine.h"
#include "PlaylistModel.h"
#include "PlaylistRow.h"
#include "PlaylistView.h"
#include "TrackInfoCache.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <vector>

struct ListRig {
    QTemporaryDir dir;
    FakeEngine engine;
    PlaylistModel model;
    TrackInfoCache cache{engine};

    // Rows named "t0.mp3", "t1.mp3"... whose files exist and open in the engine.
    void addRows(int n) {
        std::vector<PlaylistEntry> rows;
        for (int i = 0; i < n; ++i) {
            const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("t%1.mp3").arg(i)));
            QFile(QFile::decodeName(path)).open(QIODevice::WriteOnly);
            engine.files[path.toStdString()] = FakeTrack{.lengthSeconds = 60 + i};
            rows.push_back({QString(), QString(), path});
        }
        model.appendRows(std::move(rows));
    }
    // The file number each row holds, in row order.
    std::vector<int> order() const {
        std::vector<int> numbers;
        for (int i = 0; i < model.count(); ++i) {
            const QByteArray name = model.Row(i).Path.mid(model.Row(i).Path.lastIndexOf('/') + 2);
            numbers.push_back(name.left(name.indexOf('.')).toInt());
        }
        return numbers;
    }
    std::vector<int> selectedRows() const {
        std::vector<int> rows;
        for (int i = model.selectedIndex(); i >= 0; i = model.nextSelected(i))
            rows.push_back(i);
        return rows;
    }
};

// A point in the middle of a row's line, in the viewport's coordinates.
inline QPoint RowPoint(PlaylistView& view, int row) {
    return view.visualRect(view.model()->index(row, 0)).center();
}

inline void Click(QWidget* target, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF local(at), global(target->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(target, &release);
}

inline void DoubleClick(QWidget* target, QPoint at) {
    Click(target, at);
    const QPointF local(at), global(target->mapToGlobal(at));
    QMouseEvent twice(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &twice);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

inline void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}
