// kdimport: the window for taking over personnel master data into Kandrel.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "formservices.h"
#include "tform1.h"

namespace {

// For the picture in the documentation: the window as it stands after one conversion run with
// the saved settings; the messages of the run go to the console instead of message boxes.
class PictureServices : public QtFormServices {
 public:
  void Message(QWidget*, const QString& text, const QString& caption, kd::Icon) override {
    std::printf("[%s] %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
  }
  void Error(QWidget*, const QString& text) override {
    std::printf("[Fehler] %s\n", text.toUtf8().constData());
  }
};

int TakePicture(QApplication& app, const QString& file) {
  PictureServices services;
  TForm1 form(services);
  form.show();
  int status = 1;
  QTimer::singleShot(500, &form, [&] {
    form.Button1Click();
    QTimer::singleShot(500, &form, [&] {
      status = form.grab().save(file) ? 0 : 1;
      app.quit();
    });
  });
  app.exec();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kdimport"));
  Q_INIT_RESOURCE(kdimport);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kdimport.png")));

  const QStringList arguments = QApplication::arguments();
  if (const qsizetype at = arguments.indexOf(QStringLiteral("--bild")); at > 0) {
    if (at + 1 >= arguments.size()) return 2;
    return TakePicture(app, arguments.at(at + 1));
  }

  QtFormServices services;
  TForm1 form(services);
  form.show();
  return QApplication::exec();
}
