// The floor under the bar's start-up: the least a Qt Widgets program does to
// put a frameless window with one text box on the screen. bench/run starts
// it in the same rounds as the bar; what the bar takes above it is its own.
#include <QApplication>
#include <QLineEdit>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLineEdit box;
  box.setWindowFlag(Qt::FramelessWindowHint);
  box.show();
  return QApplication::exec();
}
