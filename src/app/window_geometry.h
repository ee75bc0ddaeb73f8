#pragma once
// Where a window opens: where the user last left it, but never larger than the free area of the screen
// nor outside it (a large-font setting or a smaller screen than last time must not hide its bottom
// rows), and where it is remembered when it closes.

#include <QRect>
#include <QString>

class QSettings;
class QWidget;

namespace qln {

// The window's stored place (its size when the store has none), kept within `available`.
void PlaceWindow(QWidget* window, const QSettings& store, const QString& key, const QRect& available);
// Once the window is framed: frame and all within `available`, moved and made smaller where needed.
void KeepFrameOnScreen(QWidget* window, const QRect& available);
// Store the window's place (its normal place when it is maximised).
void RememberPlace(const QWidget* window, QSettings& store, const QString& key);
// The free area of the window's screen.
QRect ScreenArea(const QWidget* window);

}  // namespace qln
