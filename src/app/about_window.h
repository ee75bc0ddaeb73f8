#pragma once
// Form3, the About window: product name and version, rights, a short description, where this copy keeps
// its files, the FAQ file and the two contact links.

#include "app/window_context.h"

#include <QDialog>

namespace qln {

class Form3 final : public QDialog {
    Q_OBJECT
public:
    // The project's contact addresses.
    static inline const QString kEmailAddress = QStringLiteral("mailto:support@quillon.example.org");
    static inline const QString kWebSite = QStringLiteral("https://quillon.example.org/");

    explicit Form3(WindowContext& context, QWidget* parent = nullptr);

    // What the links do: "faq" opens the FAQ file in the text editor; other links open a new mail
    // message or a web page with the desktop's default program.
    void OpenLink(const QString& link);

private:
    WindowContext& context_;
};

}  // namespace qln
