#pragma once
// A Dialogs double for window tests: answers come from queues filled by the test, and every question
// is recorded in order.

#include "app/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace testhost {

class ScriptedDialogs final : public qln::Dialogs {
public:
    // "Message|Warning|title|text", "Input|title|prompt|default", "Open|filter|title|folder",
    // "Save|filter|title|folder|name", "Folder|title|folder".
    QStringList asked;
    // Answers, taken from the front. When a queue is empty a message box answers Ok (Cancel when it has
    // a Cancel or No button), and the other dialogs are cancelled.
    std::deque<Answer> messageAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    // Called while a message box is up (to act as the user would meanwhile).
    std::function<void()> whileMessageOpen;

    Answer Message(QWidget*, Icon icon, const QString& title, const QString& text, Buttons buttons) override {
        asked << QStringLiteral("Message|") + IconName(icon) + u'|' + title + u'|' + text;
        if (whileMessageOpen) whileMessageOpen();
        if (!messageAnswers.empty()) return Take(messageAnswers);
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    std::optional<QString> Input(QWidget*, const QString& title, const QString& prompt,
                                 const QString& defaultText) override {
        asked << QStringLiteral("Input|") + title + u'|' + prompt + u'|' + defaultText;
        return inputAnswers.empty() ? std::nullopt : Take(inputAnswers);
    }
    QString OpenFile(QWidget*, const QString& filter, const QString& title, const QString& folder) override {
        asked << QStringLiteral("Open|") + filter + u'|' + title + u'|' + folder;
        return openAnswers.empty() ? QString() : Take(openAnswers);
    }
    QString SaveFile(QWidget*, const QString& filter, const QString& title, const QString& folder,
                     const QString& name) override {
        asked << QStringLiteral("Save|") + filter + u'|' + title + u'|' + folder + u'|' + name;
        return saveAnswers.empty() ? QString() : Take(saveAnswers);
    }
    QString BrowseFolder(QWidget*, const QString& title, const QString& folder) override {
        asked << QStringLiteral("Folder|") + title + u'|' + folder;
        return folderAnswers.empty() ? QString() : Take(folderAnswers);
    }

    static QString IconName(Icon icon) {
        switch (icon) {
            case Icon::Information: return QStringLiteral("Information");
            case Icon::Warning: return QStringLiteral("Warning");
            case Icon::Critical: return QStringLiteral("Critical");
            case Icon::Question: return QStringLiteral("Question");
            case Icon::None: break;
        }
        return QStringLiteral("None");
    }

private:
    template <typename T>
    static T Take(std::deque<T>& queue) {
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

}  // namespace testhost
