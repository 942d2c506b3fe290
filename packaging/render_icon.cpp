// SPDX-License-Identifier: MIT
// Renders the program's icon, as the windows and the version dialog draw it,
// to a PNG for the desktop entry: the build draws the installed icons with it.
// With --compare it checks a PNG drawn elsewhere (the hand-drawn SVG, as
// rsvg-convert renders it) against its own drawing of the same size: the
// colours of every pixel, edges blurred by anti-aliasing allowed for.
//
//   QT_QPA_PLATFORM=offscreen render_icon OUT.png [SIZE]
//   QT_QPA_PLATFORM=offscreen render_icon --compare OTHER.png SIZE
#include "ui/program_icon.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The largest difference of one channel (alpha included) at one pixel.
int PixelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

// Two renderers place an edge's anti-aliasing differently, so a pixel may
// differ a lot along an edge; a shape moved, left out or recoloured changes
// whole runs of pixels. Fails when more than 1% of the pixels differ by more
// than a quarter of the range, or the mean difference exceeds 1 level (the
// two draw the same picture at 0.3 and 0.1%; three keys moved by two
// pixels give 2.0 and 1.6%).
int Compare(const char* otherFile, int size)
{
    const QImage other = QImage(QString::fromLocal8Bit(otherFile)).convertToFormat(QImage::Format_ARGB32);
    const QImage own = tavelin::ui::ProgramPicture(size).toImage().convertToFormat(QImage::Format_ARGB32);
    if (other.isNull() || other.size() != own.size()) {
        std::fprintf(stderr, "render_icon: %s is no %dx%d picture\n", otherFile, size, size);
        return 1;
    }
    long long total = 0;
    int far = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int difference = PixelDifference(own.pixel(x, y), other.pixel(x, y));
            total += difference;
            far += difference > 64;
        }
    const double mean = double(total) / (size * size);
    const double farShare = 100.0 * far / (size * size);
    std::printf("%s against the drawing at %d px: mean difference %.2f, %.1f%% of pixels far off\n", otherFile,
                size, mean, farShare);
    return mean <= 1.0 && farShare <= 1.0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--compare") == 0)
        return Compare(argv[2], std::atoi(argv[3]));
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: render_icon OUT.png [SIZE] | render_icon --compare OTHER.png SIZE\n");
        return 2;
    }
    const int size = argc > 2 ? std::atoi(argv[2]) : 256;
    if (!tavelin::ui::ProgramPicture(size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
