#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel placeholder("Tovrin: the desktop window is not built yet.");
    placeholder.setWindowTitle("Tovrin");
    placeholder.resize(480, 120);
    placeholder.show();
    return app.exec();
}
