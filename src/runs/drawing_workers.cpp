#include "runs/drawing_workers.h"

#include "host/cautocad.h"
#include "host/text_files.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <chrono>

namespace qln {

namespace {

// How many drawings may be in progress or waiting to be handed back, per worker.
constexpr size_t kAheadPerWorker = 4;
// How long the run's thread waits for a drawing before it lets the frontend's events through.
constexpr auto kPumpInterval = std::chrono::milliseconds(25);

}  // namespace

TemplateFields TemplateOf(const cAutoCAD& s) {
    return {s.strTextType, s.strSpaces, s.strBlocks, s.strLayers, s.strVersion, s.strAttributes, s.strCommands};
}

void UseTemplate(cAutoCAD& s, const TemplateFields& f) {
    s.strTextType = f.strTextType;
    s.strSpaces = f.strSpaces;
    s.strBlocks = f.strBlocks;
    s.strLayers = f.strLayers;
    s.strVersion = f.strVersion;
    s.strAttributes = f.strAttributes;
    s.strCommands = f.strCommands;
}

AuditBuffer::AuditBuffer(const LineWriter* like) {
    if (!like) return;
    buffer_ = std::make_unique<QBuffer>(&bytes_);
    buffer_->open(QIODevice::WriteOnly);
    writer_ = std::make_unique<LineWriter>(buffer_.get());
    writer_->SetVisibleControls(like->ShowsControls());
}

AuditBuffer::~AuditBuffer() = default;

QByteArray AuditBuffer::Take() {
    if (writer_) writer_->Close();
    if (buffer_) buffer_->close();
    return std::move(bytes_);
}

int WorkerCount(int requested, const host::ApplicationClass* hostClass) {
    if (!hostClass || !hostClass->InProcess()) return 1;
    if (requested > 0) return requested;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

DrawingWorkers::DrawingWorkers(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend,
                               int jobs, const std::atomic<bool>* stop)
    : hostClass_(std::move(hostClass)), state_(state), frontend_(frontend), jobs_(std::max(1, jobs)), stop_(stop) {}

DrawingWorkers::~DrawingWorkers() { Finish(); }

void DrawingWorkers::Add(cAutoCAD* inlineSession, Work work, Done done, const QString& drawing) {
    if (!Parallel()) {
        if (work && inlineSession) work(*inlineSession);
        if (done) done();
        return;
    }
    // Started lazily: a run over fewer drawings than workers starts only as many as it needs.
    if (work && threads_.size() < size_t(jobs_)) threads_.emplace_back([this] { Worker(); });
    while (true) {
        {
            const std::lock_guard lock(mutex_);
            if (order_.size() < kAheadPerWorker * size_t(jobs_)) break;
        }
        HandBack(/*wait=*/true);
    }
    auto item = std::make_shared<Item>();
    item->work = std::move(work);
    item->done = std::move(done);
    if (!drawing.isEmpty()) item->drawing = QDir::cleanPath(QFileInfo(drawing).absoluteFilePath());
    {
        const std::lock_guard lock(mutex_);
        order_.push_back(item);
        if (item->work) waiting_.push_back(item);
        else item->finished = true;
    }
    if (item->work) workReady_.notify_one();
    HandBack(/*wait=*/false);
}

void DrawingWorkers::Finish() {
    while (true) {
        {
            const std::lock_guard lock(mutex_);
            if (order_.empty()) break;
        }
        HandBack(/*wait=*/true);
    }
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    workReady_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    closing_ = false;
}

void DrawingWorkers::DropUnstarted() {
    // Workers take drawings in order, so the ones begun are the first ones: the first drawing not begun
    // and every one after it are dropped.
    waiting_.clear();
    const auto first = std::find_if(order_.begin(), order_.end(),
                                    [](const std::shared_ptr<Item>& i) { return i->work && !i->started; });
    order_.erase(first, order_.end());
}

void DrawingWorkers::HandBack(bool wait) {
    std::vector<std::shared_ptr<Item>> ready;
    {
        std::unique_lock lock(mutex_);
        if (Stopping()) DropUnstarted();
        if (wait && (order_.empty() || !order_.front()->finished)) {
            workDone_.wait_for(lock, kPumpInterval);
            if (Stopping()) DropUnstarted();
        }
        while (!order_.empty() && order_.front()->finished) {
            ready.push_back(std::move(order_.front()));
            order_.pop_front();
        }
    }
    for (const auto& item : ready)
        if (item->done) item->done();
    frontend_.ProcessEvents();
}

void DrawingWorkers::Worker() {
    // A session of this worker's own, showing nothing: the run's thread shows what each drawing left.
    NullFrontend quiet;
    cAutoCAD session(hostClass_, state_, quiet);
    bool started = false;
    while (true) {
        std::shared_ptr<Item> item;
        {
            std::unique_lock lock(mutex_);
            // The next drawing in order, unless another worker is on the same file: then this one waits
            // for it, so that the drawings begun stay the first ones of the list.
            auto free = [&] {
                const QString& d = waiting_.front()->drawing;
                return d.isEmpty() || std::find(busy_.begin(), busy_.end(), d) == busy_.end();
            };
            workReady_.wait(lock, [&] { return closing_ || (!waiting_.empty() && !Stopping() && free()); });
            if (waiting_.empty() || Stopping() || !free()) {
                if (closing_) break;
                continue;
            }
            item = std::move(waiting_.front());
            waiting_.pop_front();
            item->started = true;
            if (!item->drawing.isEmpty()) busy_.push_back(item->drawing);
        }
        if (!started) started = session.OpenAutoCAD() == 1;
        item->work(session);
        {
            const std::lock_guard lock(mutex_);
            item->finished = true;
            if (!item->drawing.isEmpty()) busy_.erase(std::find(busy_.begin(), busy_.end(), item->drawing));
        }
        workDone_.notify_all();
        workReady_.notify_all();
    }
    if (started) session.CloseAutoCAD();
}

}  // namespace qln
