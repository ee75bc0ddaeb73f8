// Holds a drawing open for writing on the DXF host, as another program would, until killed or until its
// standard input closes. Prints "open" once the drawing is open, or "failed: <reason>".
#include "host/dxf/dxf_host.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    auto hostClass = qln::dxf::MakeDxfHost();
    auto application = hostClass->CreateInstance();
    auto documents = (*application)->Documents();
    auto doc = (*documents)->Open(QString::fromLocal8Bit(argv[1]), false);
    if (!doc) {
        std::printf("failed: %s\n", doc.error().description.toLocal8Bit().constData());
        return 1;
    }
    std::printf("open\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return 0;
}
