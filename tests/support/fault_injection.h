#pragma once
// Failures of the file layer on demand: the steps of a save fail as a failing machine would make them.
//
//   testhost::Faults faults;                  // installed until it goes out of scope
//   faults.Fail(qln::fileio::Step::Sync, "Input/output error");
//   faults.ShortWrites(100, "No space left on device");   // 100 bytes get through, then the disk is full

#include "host/file_io.h"

#include <map>

namespace testhost {

class Faults final : public qln::fileio::FaultInjector {
public:
    Faults() { qln::fileio::SetFaultInjector(this); }
    ~Faults() override { qln::fileio::SetFaultInjector(nullptr); }
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;

    // Every call of `step` from now on fails with `reason`.
    void Fail(qln::fileio::Step step, const QString& reason) { failing_[step] = reason; }
    // Writes get `room` bytes through in short pieces, then fail with `reason`.
    void ShortWrites(std::int64_t room, const QString& reason) {
        room_ = room;
        fullReason_ = reason;
    }
    // Short pieces but no failure: every write gets at most `piece` bytes through.
    void Pieces(std::int64_t piece) { piece_ = piece; }
    void Clear() {
        failing_.clear();
        room_ = -1;
        piece_ = 0;
    }
    int writes = 0;  // write calls seen

    std::optional<QString> Before(qln::fileio::Step step, const QString&, std::int64_t* size) override {
        if (step == qln::fileio::Step::Write) {
            ++writes;
            if (room_ == 0) return fullReason_;
            if (room_ > 0) {
                *size = std::min<std::int64_t>({*size, room_, 7});
                room_ -= *size;
            }
            if (piece_ > 0) *size = std::min(*size, piece_);
        }
        if (auto it = failing_.find(step); it != failing_.end()) return it->second;
        return std::nullopt;
    }

private:
    std::map<qln::fileio::Step, QString> failing_;
    std::int64_t room_ = -1;
    std::int64_t piece_ = 0;
    QString fullReason_;
};

}  // namespace testhost
