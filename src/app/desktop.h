#pragma once
// The desktop services the windows start other programs with: the text editor for templates and the
// FAQ file, and the default program for a web page, a mail address or a file. Window tests record the
// requests instead of starting anything.

#include <QString>
#include <QUrl>

class QWidget;

namespace qln {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Open a text file in the text editor (Notepad on Windows; elsewhere the desktop's default program
    // for text files). Nothing waits for it. False when no program could be started.
    virtual bool OpenInTextEditor(const QString& path) = 0;
    // Open a URL (web page, mail address, local file) with the desktop's default program for it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Tell the user, who is looking at another program, that `window` has news (a long run ended).
    virtual void Notify(QWidget* window, const QString& title, const QString& text) = 0;
};

// The real desktop.
class SystemDesktop final : public Desktop {
public:
    bool OpenInTextEditor(const QString& path) override;
    bool OpenUrl(const QUrl& url) override;
    // The task bar entry flashes; where the desktop has a notification area, a message shows there too.
    void Notify(QWidget* window, const QString& title, const QString& text) override;
};

}  // namespace qln
