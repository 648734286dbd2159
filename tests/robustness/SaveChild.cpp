// The saving child of the kill test: opens a presentation and saves it under another name.
// Exit 0 when saved, 2 with the message on standard error when the save was refused.

#include "engine/presentation/Presentation.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    try {
        engine::Presentation::open(QString::fromLocal8Bit(argv[1])).save(QString::fromLocal8Bit(argv[2]));
    } catch (const engine::DocumentError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 2;
    }
    return 0;
}
