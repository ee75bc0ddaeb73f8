// The libFuzzer entry (built with clang's -fsanitize=fuzzer by tests/fuzz/CMakeLists.txt). Which reader
// gets the inputs is named by the environment variable QLN_FUZZ_TARGET: dxf, template or list.

#include "fuzz_inputs.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {
QString g_kind;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);  // Qt's codecs and file engines as in the programs
    g_kind = qEnvironmentVariable("QLN_FUZZ_TARGET");
    if (g_kind != u"dxf" && g_kind != u"template" && g_kind != u"list") {
        std::fprintf(stderr, "qln_fuzz: set QLN_FUZZ_TARGET to dxf, template or list\n");
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    qln::fuzz::RunInput(g_kind, QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
