// grab_screen FILE.png: saves the whole X screen as a picture (for the program's tour under a
// virtual display).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: grab_screen FILE.png\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    QPixmap shot = screen->grabWindow(0);
    return !shot.isNull() && shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
