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
        // move() places the frame's corner; resize() sizes what is inside the frame.
        const QSize frame(kFrameWidth, kFrameHeight);
        place.setSize(place.size().boundedTo(available.size() - frame).expandedTo(window->minimumSize()));
        if (!stored || !available.contains(QRect(place.topLeft(), place.size() + frame)))
            place.moveCenter(available.center() - QPoint(kFrameWidth / 2, kFrameHeight / 2));
        // A window larger than the room left starts at its top left corner.
        if (place.top() < available.top()) place.moveTop(available.top());
        if (place.left() < available.left()) place.moveLeft(available.left());
    }
    window->resize(place.size());
    if (stored || available.isValid()) window->move(place.topLeft());
}

void KeepFrameOnScreen(QWidget* window, const QRect& available) {
    if (!available.isValid() || window->isMaximized() || window->isFullScreen()) return;
    const QRect frame = window->frameGeometry();
    if (available.contains(frame)) return;
    const QSize extra = frame.size() - window->size();  // title bar and borders
    const QSize fits = window->size().boundedTo(available.size() - extra).expandedTo(window->minimumSize());
    QRect target(frame.topLeft(), fits + extra);
    if (target.bottom() > available.bottom()) target.moveBottom(available.bottom());
    if (target.right() > available.right()) target.moveRight(available.right());
    if (target.top() < available.top()) target.moveTop(available.top());
    if (target.left() < available.left()) target.moveLeft(available.left());
    window->resize(fits);
    window->move(target.topLeft());
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
