// PlaceWindow and RememberPlace.

#include "app/window_geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace qln {

namespace {

// What the window manager adds around a window that is not shown yet: title bar and borders.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 40;

}  // namespace

void PlaceWindow(QWidget* window, const QSettings& store, const QString& key, const QRect& available) {
    QRect place(window->pos(), window->size());
    bool stored = false;
    if (const QVariant value = store.value(key); value.canConvert<QRect>()) {
        const QRect rect = value.toRect();
        if (rect.isValid()) {
            place = rect;
            stored = true;
        }
    }
    if (available.isValid()) {
        const QSize room(available.width() - kFrameWidth, available.height() - kFrameHeight);
        place.setSize(place.size().boundedTo(room).expandedTo(window->minimumSize()));
        const QRect inner = available.adjusted(kFrameWidth / 2, kFrameHeight - kFrameWidth / 2, -kFrameWidth / 2,
                                               -kFrameWidth / 2);
        if (!stored || !inner.contains(place)) place.moveCenter(available.center());
        // A window larger than the room left starts at its top left corner.
        if (place.top() < inner.top()) place.moveTop(inner.top());
        if (place.left() < inner.left()) place.moveLeft(inner.left());
    }
    window->resize(place.size());
    if (stored || available.isValid()) window->move(place.topLeft());
}

void RememberPlace(const QWidget* window, QSettings& store, const QString& key) {
    // The frame's top left corner, as move() takes it, and the size, as resize() takes it.
    const QRect normal = window->isMaximized() || window->isFullScreen() ? window->normalGeometry()
                                                                          : QRect(window->pos(), window->size());
    if (normal.isValid()) store.setValue(key, normal);
}

QRect ScreenArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

}  // namespace qln
