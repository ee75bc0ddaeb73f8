#pragma once
// Drawings worked on side by side: each worker thread has a host session of its own and opens,
// changes (or searches) and closes its own drawings, while what each drawing leaves for the logs,
// the status line and the results is handed back on the run's thread in the order the drawings were
// given. The logs of a run therefore read the same whatever the number of workers.
//
//   DrawingWorkers workers(hostClass, state, frontend, jobs, stop);
//   for (each drawing) {
//       auto out = std::make_shared<Outcome>();
//       workers.Add(&session,
//                   [=](cAutoCAD& s) { ...open, work, close; fill *out... },   // a worker (or here)
//                   [=] { ...write *out to the logs... });                     // here, in order
//   }
//   workers.Finish();
//
// With one job, or a host that serves one session at a time (AutoCAD), every piece of work runs at once
// on the run's thread with the session given to Add: the order of work of a run without workers.
// A stop (the flag given) lets the drawings in progress finish and be handed back; the drawings not
// yet begun are dropped. The run's thread keeps the frontend's events flowing while it waits.

#include "host/automation.h"
#include "host/frontend.h"
#include "host/program_state.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QBuffer;

namespace qln {

class cAutoCAD;
class LineWriter;

// A parsed template as the session holds it, for another session to use (a worker's).
struct TemplateFields {
    QString strTextType, strSpaces, strBlocks, strLayers, strVersion, strAttributes;
    QStringList strCommands;
};
TemplateFields TemplateOf(const cAutoCAD& session);
void UseTemplate(cAutoCAD& session, const TemplateFields& fields);

// The audit lines of one drawing, collected while it is worked on and written to the run's audit log
// when its turn comes, encoded as that log encodes them.
class AuditBuffer {
public:
    // `like`: the log the lines will go to (nullptr: no audit, Writer() is null).
    explicit AuditBuffer(const LineWriter* like);
    ~AuditBuffer();
    LineWriter* Writer() { return writer_.get(); }
    QByteArray Take();

private:
    QByteArray bytes_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<LineWriter> writer_;
};

// The number of workers a run uses: `requested` when above 0, else one per processor; always 1 for a
// host whose sessions cannot work at once.
int WorkerCount(int requested, const host::ApplicationClass* hostClass);

class DrawingWorkers {
public:
    using Work = std::function<void(cAutoCAD& session)>;
    using Done = std::function<void()>;

    // `jobs` as WorkerCount gives it. Worker sessions are started with `hostClass` and share `state`;
    // they show nothing (the run's thread shows what each drawing left).
    DrawingWorkers(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend, int jobs,
                   const std::atomic<bool>* stop);
    ~DrawingWorkers();
    DrawingWorkers(const DrawingWorkers&) = delete;
    DrawingWorkers& operator=(const DrawingWorkers&) = delete;

    int Jobs() const { return jobs_; }
    bool Parallel() const { return jobs_ > 1; }

    // One drawing: `work` with a session whose host is started (with one job: `inlineSession`), then
    // `done` on this thread once every drawing added before it is done. `work` may be empty: `done`
    // then simply keeps its place in the order (a line for the log between drawings).
    // Waits while many drawings are in progress, so that what is held stays small however many there are.
    // `drawing` names the file worked on: two pieces of work on the same file never run at once (the
    // second begins when the first is done, as one after the other would), whatever else runs.
    void Add(cAutoCAD* inlineSession, Work work, Done done, const QString& drawing = QString());
    // Waits for every drawing added, handing each back in order (after a stop, those in progress), and
    // ends the workers (their sessions quit).
    void Finish();

private:
    struct Item {
        Work work;
        Done done;
        QString drawing;  // absolute, clean; empty: none
        bool started = false;
        bool finished = false;
    };
    void Worker();
    bool Stopping() const { return stop_ && stop_->load(); }
    // Hands back the finished drawings at the front; waits a moment for one when `wait` and none is.
    void HandBack(bool wait);
    void DropUnstarted();

    host::ApplicationClassPtr hostClass_;
    ProgramState& state_;
    Frontend& frontend_;
    const int jobs_;
    const std::atomic<bool>* stop_;

    std::mutex mutex_;
    std::condition_variable workReady_;   // a drawing to work on, or the end
    std::condition_variable workDone_;    // a drawing finished
    std::deque<std::shared_ptr<Item>> order_;    // every drawing not yet handed back, in order
    std::deque<std::shared_ptr<Item>> waiting_;  // those no worker has taken yet
    bool closing_ = false;
    std::vector<QString> busy_;  // the drawings being worked on now
    std::vector<std::thread> threads_;
};

}  // namespace qln
