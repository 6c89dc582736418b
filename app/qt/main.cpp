// Vellum: starts the toolkit, creates the main window and runs the event loop until the
// window closes.
#include "app/qt/MainWindow.h"
#include "app/qt/VellumApplication.h"

int main(int argc, char** argv) {
  ny::TVellumApplication app(argc, argv);
  ny::MainWindow window;
  app.CloseOnTerminate(&window);
  window.show();
  return app.exec();
}
