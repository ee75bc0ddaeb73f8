#pragma once
// What the fuzz target does with one input, for each of the three readers of outside files: a drawing
// (DXF, ASCII or binary), a template and a drawing list file. The libFuzzer program (fuzz_main.cpp) and
// the regression test over the inputs it once crashed on (regressions_test.cpp) both call these.
//
// Beyond not crashing, each checks what must hold for any input: a drawing that the host opens, changed
// and saved, opens again; a template or list file is read the same way twice. A broken rule aborts.

#include <QByteArrayView>
#include <QString>

namespace qln::fuzz {

void DxfInput(QByteArrayView bytes);
void TemplateInput(QByteArrayView bytes);
void ListFileInput(QByteArrayView bytes);

// The input kind by name ("dxf", "template", "list"); false for another name.
bool RunInput(const QString& kind, QByteArrayView bytes);

}  // namespace qln::fuzz
