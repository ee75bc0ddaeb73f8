#pragma once
// Shared pieces of the in-process benchmarks: where the generated drawings are, and a front end that
// shows nothing.
//
// The drawings come from bench/gen_drawings.py; QLN_BENCH_DATA names its output folder (default
// "bench-data" in the working directory).

#include "host/frontend.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace qln::bench {

inline QString DataPath(const char* name) {
    const char* dir = std::getenv("QLN_BENCH_DATA");
    return QString::fromLocal8Bit(dir ? dir : "bench-data") + u'/' + QString::fromLocal8Bit(name);
}

// The bytes of a generated drawing; skips the benchmark when it is missing.
inline QByteArray ReadData(benchmark::State& state, const char* name) {
    QFile f(DataPath(name));
    if (!f.open(QIODevice::ReadOnly)) {
        state.SkipWithError("drawing missing: run bench/gen_drawings.py and set QLN_BENCH_DATA");
        return {};
    }
    return f.readAll();
}

class QuietFrontend final : public Frontend {
public:
    void SetStatus(const QString&) override {}
    void MessageBox(Icon, const QString&, const QString& text, bool) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    void Beep() override {}
    void SetBusy(bool) override {}
    void ProcessEvents() override {}
    bool OpenWithDefaultProgram(const QString&) override { return false; }
};

// The generated drawings by size, as benchmark arguments.
inline const char* SizeName(std::int64_t mb) {
    switch (mb) {
        case 1: return "size-1mb.dxf";
        case 5: return "size-5mb.dxf";
        case 20: return "size-20mb.dxf";
        default: return "size-100mb.dxf";
    }
}

}  // namespace qln::bench
