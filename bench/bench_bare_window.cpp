// The reference for the start-up benchmark: a bare Qt window, shown at once.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("bare");
    window.resize(756, 603);
    window.show();
    return app.exec();
}
