#pragma once
// A frontend that records what a run shows, in order, for tests to compare.

#include "host/frontend.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace testhost {

class RecordingFrontend final : public qln::Frontend {
public:
    QStringList statuses;      // every status text, in order
    QStringList transient;     // those of them marked transient, in order
    QStringList messages;      // "Warning|title|text" per message box
    QStringList opened;        // files handed to their default program
    int beeps = 0;
    int busyDepth = 0;         // busy on minus busy off
    int busyOn = 0;
    int events = 0;            // event pump calls
    bool openSucceeds = true;
    // Called at each event pump, with the number of calls so far (to abort a search in the middle, say).
    std::function<void(int)> onEvents;
    QStringList progress;

    void SetStatus(const QString& text) override { statuses << text; }
    void SetTransientStatus(const QString& text) override {
        statuses << text;
        transient << text;
    }
    void MessageBox(Icon icon, const QString& title, const QString& text, bool) override {
        messages << IconName(icon) + u'|' + title + u'|' + text;
    }
    void Beep() override { ++beeps; }
    void SetBusy(bool busy) override {
        busyDepth += busy ? 1 : -1;
        if (busy) ++busyOn;
    }
    void ProcessEvents() override {
        ++events;
        if (onEvents) onEvents(events);
    }
    bool OpenWithDefaultProgram(const QString& path) override {
        opened << path;
        return openSucceeds;
    }
    void Progress(int done, int total, const QString& item) override {
        progress << QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(item);
    }

    QString LastStatus() const { return statuses.isEmpty() ? QString() : statuses.last(); }

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
};

}  // namespace testhost
