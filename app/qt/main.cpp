// kdimport: the window for taking over personnel master data into Kandrel.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "qtform.h"
#include "qtformservices.h"
#include "qtprotocolwindow.h"

namespace {

// For the pictures in the documentation: the window as it stands after one conversion run with
// the saved settings, or the protocol window of that run; the messages of the run go to the
// console instead of message boxes.
class PictureServices : public QtFormServices {
 public:
  void Message(const std::string& text, const std::string& caption, kd::Icon) override {
    std::printf("[%s] %s\n", caption.c_str(), text.c_str());
  }
  void Error(const std::string& text) override { std::printf("[Fehler] %s\n", text.c_str()); }
  bool Question(const std::string& text, const std::string& caption) override {
    std::printf("[%s] %s\n", caption.c_str(), text.c_str());
    return true;
  }
};

int TakePicture(QApplication& app, const QString& file, bool protocol) {
  PictureServices services;
  QtForm form(services);
  form.show();
  int status = 1;
  QTimer::singleShot(500, &form, [&] {
    form.Logic().Button1Click();
    if (protocol) form.Logic().ProtokollButtonClick();
    QTimer::singleShot(800, &form, [&] {
      QWidget* window = protocol ? static_cast<QWidget*>(form.ProtocolWindowIfCreated()) : &form;
      status = window != nullptr && window->grab().save(file) ? 0 : 1;
      app.quit();
    });
  });
  app.exec();
  return status;
}

// Qt's own texts (file dialogs, buttons of message boxes) in German: the translation that the
// program folder brings along, else the one installed with Qt.
void LoadGermanQtTexts(QApplication& app, QTranslator& translator) {
  const QStringList folders = {QApplication::applicationDirPath() + QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    if (translator.load(QStringLiteral("qtbase_de"), folder)) {
      app.installTranslator(&translator);
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kdimport"));
  Q_INIT_RESOURCE(kdimport);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kdimport.png")));
  QTranslator germanQtTexts;
  LoadGermanQtTexts(app, germanQtTexts);

  const QStringList arguments = QApplication::arguments();
  for (const QString& option : {QStringLiteral("--bild"), QStringLiteral("--protokoll-bild")}) {
    if (const qsizetype at = arguments.indexOf(option); at > 0) {
      if (at + 1 >= arguments.size()) return 2;
      return TakePicture(app, arguments.at(at + 1), option != QStringLiteral("--bild"));
    }
  }

  QtFormServices services;
  QtForm form(services);
  services.SetParent(&form);
  form.show();
  return QApplication::exec();
}
