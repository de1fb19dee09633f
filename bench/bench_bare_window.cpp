// The references for the start-up benchmark: a bare Qt window, shown at once; with "share-gl",
// the same after the shared OpenGL context that the program starts for its web tool.
#include <QApplication>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "share-gl") == 0)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("bare");
    window.resize(756, 603);
    window.show();
    return app.exec();
}
