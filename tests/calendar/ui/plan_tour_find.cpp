// plan_tour_find SHOT.png: finds the occupancy plan's first month block on a screenshot and
// prints "X Y U H": the screen point of the block's top left corner (day 1, first resource) and
// the cell width and row height in screen pixels, measured from the drawing itself (the grey
// lines between the days are 2U apart, the black line under the first resource lies H below).
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

bool isColour(const QImage &image, int x, int y, QRgb colour)
{
    return image.valid(x, y) && (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: plan_tour_find SHOT.png\n");
        return 2;
    }
    QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) return 1;
    const QRgb black = qRgb(0, 0, 0), grey = qRgb(192, 192, 192), white = qRgb(255, 255, 255);
    // The top edge of the first frame: a long black run with the white (or the grey lines
    // between the days) of the frame's inside below it.
    for (int y = 0; y + 1 < image.height(); y++) {
        for (int x = 0; x + 200 < image.width(); x++) {
            int run = 0;
            // The grey lines between the days are drawn over the edge.
            while ((isColour(image, x + run, y, black) ||
                    (run > 0 && isColour(image, x + run, y, grey))) &&
                   (isColour(image, x + run + 1, y + 1, white) ||
                    isColour(image, x + run + 1, y + 1, grey)))
                run++;
            if (run < 200) {
                x += run;
                continue;
            }
            int greyX = x + 1;
            while (greyX < x + run && !isColour(image, greyX, y + 2, grey)) greyX++;
            int h = 1;
            while (y + h < image.height() && !isColour(image, x + 2, y + h, black)) h++;
            if (greyX >= x + run || h <= 2) continue;
            std::printf("%d %d %d %d\n", x, y, (greyX - x) / 2, h);
            return 0;
        }
    }
    return 1;
}
