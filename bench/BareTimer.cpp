// The yardstick of the polling's cost: a Qt program that does nothing but run a 1 ms timer.
#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QTimer timer;
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [] {});
  timer.start();
  return application.exec();
}
