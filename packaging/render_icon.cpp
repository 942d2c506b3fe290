// SPDX-License-Identifier: MIT
// Renders the program's icon, as the windows and the version dialog draw it,
// to a PNG for the desktop entry: the build draws the installed icons with it.
//
//   QT_QPA_PLATFORM=offscreen render_icon OUT.png [SIZE]
#include "ui/program_icon.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_icon OUT.png [SIZE]\n");
        return 2;
    }
    const int size = argc > 2 ? std::atoi(argv[2]) : 256;
    if (!tavelin::ui::ProgramPicture(size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
