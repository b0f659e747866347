// lumivane: the desktop window.
#include <QApplication>

#include "app/main_form.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("lumivane");
  lumivane::TMainForm form;
  form.show();
  return app.exec();
}
