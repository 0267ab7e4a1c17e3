// The main window driven as a user drives it: start with and without a settings file, the two
// selection dialogs, conversion runs, "&Ende" and the message boxes, on the offscreen platform.
#include "qtform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "faultyfilesystem.h"
#include "formdefinition.h"
#include "qtformservices.h"
#include "qtprotocolwindow.h"
#include "scriptedservices.h"
#include "text.h"
#include "textfile.h"

namespace {

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

// Windows-1252 bytes of a text typed in the source code (UTF-8).
QByteArray Cp1252(const QString& text) {
  return QByteArray::fromStdString(kd::Utf8ToCp1252(text.toUtf8().toStdString()));
}

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

QString FromCp1252(const QByteArray& bytes) {
  return QString::fromStdString(kd::Cp1252ToUtf8(bytes.toStdString()));
}

QStringList Lines(const QPlainTextEdit* memo) {
  return memo->toPlainText().split(QLatin1Char('\n'));
}

template <typename T>
T* Child(const QtForm& form, const char* name) {
  T* child = form.findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("control %s is missing", name);
  return child;
}

// An Agenda export: the column line and two employees with 81 columns each, one with an
// umlaut in the name and a bank connection.
QByteArray AgendaExport() {
  QByteArray out = "Personalnummer;Anrede;Nachname;Vorname\r\n";
  const auto employee = [](const QByteArray& number, const QByteArray& surname,
                           const QByteArray& iban) {
    QList<QByteArray> fields(81);
    fields[0] = number;
    fields[2] = surname;
    fields[3] = "Anna";
    fields[7] = "Hauptstr.";
    fields[8] = "5";
    fields[9] = "12345";
    fields[10] = "Bonn";
    fields[13] = "01.04.2015";
    fields[15] = "12.03.1980";
    fields[23] = "Sparkasse";
    fields[24] = iban;
    fields[25] = "COLSDE33XXX";
    fields[36] = "1";
    return fields.join(';') + "\r\n";
  };
  out += employee("17", "M\xFCller", "DE12 3705 0198 0000 1234 56");
  out += employee("18", "Schmidt", "");
  return out;
}

}  // namespace

class QtFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> programDir_;
  std::unique_ptr<ScriptedServices> services_;
  kdtest::FaultyFileSystem files_{kd::DiskFiles()};
  QString startDirectory_;

  QString ProgramPath(const QString& name) const { return programDir_->filePath(name); }
  // A data directory with the marker file of the given year.
  QString MakeDataDirectory(const QString& name, const QString& year) const {
    QDir(programDir_->path()).mkpath(name);
    const QString folder = ProgramPath(name);
    QFile marker(folder + "/Konfi-" + year);
    if (!marker.open(QIODevice::WriteOnly)) qFatal("cannot create the marker file");
    return folder;
  }
  QString Native(const QString& path) const { return QDir::toNativeSeparators(path); }

 private slots:
  void init() {
    programDir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(programDir_->isValid());
    services_ = std::make_unique<ScriptedServices>();
    services_->programFolder = programDir_->path().toStdString();
    services_->files = &files_;
    startDirectory_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(programDir_->path()));
  }

  void cleanup() {
    files_.fault = nullptr;
    QDir::setCurrent(startDirectory_);
    services_.reset();
    programDir_.reset();
  }

  // ------------------------------------------------------------------------------------------
  // The window's definition

  void controlTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Panel3") << "Panel3"
                            << "Die Angaben hierfür ......................";
    QTest::newRow("Panel2") << "Panel2"
                            << "....... legen Sie hier fest.";
    QTest::newRow("Label1") << "Label1"
                            << "1. Übernahme aus Programm:";
    QTest::newRow("Button3") << "Button3"
                             << "2.  Suchen woher";
    QTest::newRow("Button4") << "Button4"
                             << "3.  Suchen wohin";
    QTest::newRow("Button1") << "Button1"
                             << "4.  Kandrel-Datei  erstellen";
    QTest::newRow("EndeButton") << "EndeButton"
                                << "&Ende";
    QTest::newRow("Panel4") << "Panel4"
                            << "Quelldatei";
    QTest::newRow("Panel1") << "Panel1"
                            << "Erzeugte Datensätze";
  }

  void controlTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QtForm form(*services_);
    QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      QCOMPARE(button->text(), text);
    } else {
      auto* label = qobject_cast<QLabel*>(control);
      QVERIFY(label != nullptr);
      QCOMPARE(label->text(), text);
    }
  }

  void windowBeforeItIsShown() {
    QtForm form(*services_);
    QCOMPARE(form.windowTitle(),
             QString("Kandrel - Schnittstelle zur Übernahme von Personalstammdaten im "
                     "Textformat (Stand: 24.04.2018)"));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.size(), QSize(805, 699));
    QVERIFY(!Child<QPushButton>(form, "Button1")->isEnabled());

    auto* combo = Child<QComboBox>(form, "ProgrammCombo");
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->currentText(), QString());
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    QCOMPARE(items, QStringList({"Agenda", "BBS", "Datev", "Dataline", "Exact", "GDI", "Lexware",
                                 "sage", "SBS", "VARIAL"}));

    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "Memo5")),
             QStringList({"Pfad und Name der Quell-Datei:", "Datenverzeichnis in Kandrel:",
                          "Umlaute konvertieren:", "Bankverbindungen übernehmen:",
                          "Jahr der 1. Abr. - wird aut. akt."}));
    QCOMPARE(Child<QPlainTextEdit>(form, "FormelMemo")->toPlainText(),
             QString("c:\\Kandrel\\Firma\\\n\nJa\nJa \n15-wird autom. aktualiert "));

    auto* memo1 = Child<QPlainTextEdit>(form, "Memo1");
    QCOMPARE(memo1->document()->blockCount(), 1);
    QCOMPARE(memo1->toPlainText(), QString());
    // The source file's fixed positions line up: narrow and wide characters take the same room
    // (some monospaced fonts count as "dual width" for their CJK glyphs and do not call
    // themselves fixed-pitch, so the widths are what is checked).
    const QFontMetrics metrics(memo1->font());
    for (const QChar c : QString::fromUtf8("W0ä ;.")) {
      QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(QLatin1Char('i')));
    }
    QCOMPARE(Child<QPlainTextEdit>(form, "Memo3")->toPlainText(), QString());
    QVERIFY(Child<QPlainTextEdit>(form, "Memo2")->isReadOnly());
    QVERIFY(Child<QPlainTextEdit>(form, "Memo5")->isReadOnly());
    QVERIFY(!(Child<QPlainTextEdit>(form, "Memo5")->focusPolicy() & Qt::TabFocus));
    QVERIFY(!Child<QPlainTextEdit>(form, "FormelMemo")->isReadOnly());
  }

  // The .ui form and the definition the Win32 window is built from agree: every control there,
  // in its place, with its text.
  void formMatchesTheSharedDefinition() {
    QtForm form(*services_);
    for (const kd::form::ControlDefinition& c : kd::form::Controls()) {
      const QString name = QString::fromUtf8(c.name.data(), qsizetype(c.name.size()));
      QWidget* widget = form.findChild<QWidget*>(name);
      QVERIFY2(widget != nullptr, qPrintable(name));
      const QString text = QString::fromUtf8(c.text.data(), qsizetype(c.text.size()));
      if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
        QCOMPARE(memo->toPlainText(), text);
        QCOMPARE(memo->isReadOnly(), bool(c.flags & kd::form::kReadOnly));
      } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), text);
      } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QCOMPARE(button->text(), text);
        QCOMPARE(button->isEnabled(), !(c.flags & kd::form::kDisabled));
      }
      QCOMPARE(widget->geometry(), QRect(c.place.x, c.place.y, c.place.width, c.place.height));
    }
  }

  void helpText() {
    QtForm form(*services_);
    const QStringList lines = Lines(Child<QPlainTextEdit>(form, "Memo2"));
    const auto at = [&](const QString& start) {
      for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(start)) return i;
      }
      return -1;
    };
    QCOMPARE(lines.first(), QString("Folgende Voraussetzungen müssen vorliegen:"));
    QCOMPARE(at("Reihenfolge der Schritte:"), 5);
    for (int step = 1; step <= 4; ++step)
      QVERIFY(lines[step].startsWith(QString::number(step) + ". "));
    for (int step = 1; step <= 6; ++step) {
      QVERIFY(lines[5 + step].startsWith(QString::number(step) + ". "));
    }
    QVERIFY(lines[7].contains("\"2.  Suchen woher\""));
    QVERIFY(lines[8].contains("C:\\KANDREL\\FIRMA\\"));
    QVERIFY(lines[9].contains("KDIMPORT.TXT"));
    QVERIFY(lines[10].contains("Stammdaten / Mitarbeiterdaten / Neuen Mitarbeiter anlegen"));
    QCOMPARE(lines[12], QString());
    QCOMPARE(lines[13], QString("Hinweise und Probleme"));
    QCOMPARE(lines[15],
             QString("- Die Personal-Nr. muss numerisch, max. 4-stellig sein (ansonsten bitte "
                     "anrufen)."));
    QVERIFY(lines[16].contains('@'));
    QCOMPARE(lines[17], QString());
    QCOMPARE(lines[18], QString("Übernahmen aus folgenden Programmen sind möglich:"));
    const QStringList programs = {"DATEV (Stand: 09.11.2017)",   "Lexware (Stand 24.04.2018)",
                                  "Dataline (Stand 23.09.2016)", "GDI (Stand 10.01.2015)",
                                  "Sage (Stand 01.05.2017)",     "BBS (Stand 02.09.2016)",
                                  "Agenda (Stand 07.09.2016)",   "EXACT (Stand 17.02.2009)",
                                  "SBS (Stand 31.08.2012)",      "Varial (Stand 25.09.2017)"};
    for (int i = 0; i < programs.size(); ++i) QCOMPARE(at(programs[i]), 19 + i);
    QVERIFY(lines[19].contains("LG_ASCII..._SD.txt"));
    QVERIFY(lines[20].contains(
        "Berichtszentrale/Stammdaten/Mitarbeiter(Personalstammblatt)/Exportieren MS Excel als "
        "CSV-Datei"));
    QVERIFY(lines[21].contains("Personalstammdaten.dat"));
    QCOMPARE(lines[22], QString("GDI (Stand 10.01.2015) Exportdatei Personal.csv"));
    QVERIFY(lines[25].contains("Personaldaten.csv"));
    QVERIFY(lines[26].contains("persli.txt"));
    QVERIFY(lines[27].contains("Tabelle2929.csv"));
    QVERIFY(lines[28].contains("PWASCANS.EXP") && lines[28].contains("PWASCUEB.EXP"));
    QCOMPARE(lines.mid(29), QStringList({"", ""}));
  }

  void tabOrderStartsWithTheConversionButton() {
    QtForm form(*services_);
    form.show();
    QWidget* first = Child<QWidget>(form, "Button1");
    QStringList order;
    QWidget* w = first;
    do {
      if (w->parentWidget() == &form && (w->focusPolicy() & Qt::TabFocus)) {
        order << w->objectName();
      }
      w = w->nextInFocusChain();
    } while (w != first && order.size() < 30);
    QCOMPARE(order, QStringList({"Button1", "ProgrammCombo", "Button3", "Button4", "FormelMemo",
                                 "EndeButton", "Memo2", "Memo1", "Memo3", "ProtokollButton"}));
  }

  // ------------------------------------------------------------------------------------------
  // First start and the year line

  void firstStartWithoutSettingsFile() {
    QtForm form(*services_);
    form.show();
    QVERIFY(Child<QPushButton>(form, "Button1")->isEnabled());
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "FormelMemo")),
             QStringList({"c:\\Kandrel\\Firma\\", "", "Ja", "Ja ", "19"}));
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "Memo5")).at(4),
             QString("Jahr der ersten Abrechnung (z.B. 19)"));
    QCOMPARE(form.Settings().SourcePath, std::string());
    QCOMPARE(form.Settings().DataDirectory, std::string());
    QCOMPARE(form.Settings().PayrollYear, std::string());

    // Without a program the run asks for one.
    form.Logic().Button1Click();
    QCOMPARE(services_->boxes.size(), std::size_t(1));
    QCOMPARE(Q(services_->boxes[0].caption), QString("Hinweis"));
    QCOMPARE(Q(services_->boxes[0].text),
             QString("Im Feld \"Übernahme aus Programm:\" muss festgelegt werden, aus welchem "
                     "Programm Daten übernommen werden sollen."));
    QCOMPARE(services_->boxes[0].icon, kd::Icon::Information);

    // With a program and a source file it stops at the data directory, which is still unset.
    const QString source = ProgramPath("Personaldaten.csv");
    WriteBytes(source, AgendaExport());
    Child<QComboBox>(form, "ProgrammCombo")->setEditText("Agenda");
    services_->openAnswers.push_back(source.toStdString());
    form.Logic().Button3Click();
    services_->boxes.clear();
    form.Logic().Button1Click();
    QCOMPARE(services_->boxes.size(), std::size_t(1));
    QCOMPARE(Q(services_->boxes[0].caption), QString("Übergabe nicht möglich."));
    QCOMPARE(Q(services_->boxes[0].text),
             QString("Entweder existiert das Datenverzeichnis >< nicht oder es enthält "
                     "keinerlei Lohndaten."));
    QCOMPARE(services_->boxes[0].icon, kd::Icon::Stop);
    QCOMPARE(Child<QLabel>(form, "Panel4")->text(), "Quelldatei: " + Native(source));
    QVERIFY(!QFile::exists(ProgramPath("KDIMPORT.TXT")));
    QCOMPARE(Child<QPlainTextEdit>(form, "Memo3")->toPlainText(), QString());
  }

  void yearLine_data() {
    QTest::addColumn<QString>("shortDate");
    QTest::addColumn<int>("todayYear");
    QTest::addColumn<QString>("year");
    QTest::newRow("2019") << "07.01.2019" << 2019 << "19";
    QTest::newRow("leading zero") << "31.12.2005" << 2005 << "05";
    QTest::newRow("new century") << "01.06.2100" << 2100 << "00";
    QTest::newRow("Qt's short German form") << "07.01.19" << 2019 << "19";
  }

  void yearLine() {
    QFETCH(QString, shortDate);
    QFETCH(int, todayYear);
    QFETCH(QString, year);
    services_->today = {shortDate.toStdString(), todayYear};
    QtForm form(*services_);
    form.show();
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "FormelMemo")).at(4), year);
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "Memo5")).at(4),
             "Jahr der ersten Abrechnung (z.B. " + year + ")");
  }

  // ------------------------------------------------------------------------------------------
  // Settings file

  void settingsRoundTrip() {
    {
      QtForm form(*services_);
      form.show();
      auto* combo = Child<QComboBox>(form, "ProgrammCombo");
      QTest::keyClicks(combo->lineEdit(), "lexware alt");
      QCOMPARE(combo->currentText(), QString("lexware alt"));
      Child<QPlainTextEdit>(form, "FormelMemo")
          ->setPlainText("/lohn/Müller.csv\n/daten/FIRMA/\nnein\nJa \n17");
      QTest::mouseClick(Child<QPushButton>(form, "EndeButton"), Qt::LeftButton);
      QVERIFY(!form.isVisible());
    }
    QCOMPARE(ReadBytes(ProgramPath("KDIMPORT.INI")),
             QByteArray("lexware alt\r\n/lohn/M\xFC"
                        "ller.csv\r\n/daten/FIRMA/\r\nnein\r\nJa "
                        "\r\n17\r\n"));

    // The next start restores everything; the year line shows the current year while the
    // settings keep the stored year until they are read again.
    services_->today = {"01.02.2020", 2020};
    QtForm form(*services_);
    form.show();
    QCOMPARE(Child<QComboBox>(form, "ProgrammCombo")->currentText(), QString("lexware alt"));
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "FormelMemo")),
             QStringList({"/lohn/Müller.csv", "/daten/FIRMA/", "nein", "Ja ", "20"}));
    QCOMPARE(form.Settings().SourcePath, std::string("/lohn/Müller.csv"));
    QCOMPARE(form.Settings().DataDirectory, std::string("/daten/FIRMA/"));
    QCOMPARE(form.Settings().ConvertUmlauts, std::string("NEIN"));
    QCOMPARE(form.Settings().TakeBankData, std::string("JA"));
    QCOMPARE(form.Settings().PayrollYear, std::string("17"));
    QVERIFY(services_->boxes.empty());
  }

  void settingsFileShapes_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("memo");
    QTest::addColumn<QByteArray>("savedAgain");
    QTest::newRow("empty file") << QByteArray() << "" << QStringList({"", "", "", "", "19"})
                                << QByteArray("\r\n\r\n\r\n\r\n\r\n19\r\n");
    QTest::newRow("program and source only")
        << QByteArray("Datev\r\n/x/a.csv\r\n") << "Datev"
        << QStringList({"/x/a.csv", "", "", "", "19"})
        << QByteArray("Datev\r\n/x/a.csv\r\n\r\n\r\n\r\n19\r\n");
    QTest::newRow("lines without CR") << QByteArray("SBS\n/a\n/b/\nJa\nnein\n18") << "SBS"
                                      << QStringList({"/a", "/b/", "Ja", "nein", "19"})
                                      << QByteArray("SBS\r\n/a\r\n/b/\r\nJa\r\nnein\r\n19\r\n");
    QTest::newRow("further lines kept")
        << QByteArray("GDI\r\n/a\r\n/b/\r\nJa\r\nJa \r\n18\r\nnotiz \xE4\r\n") << "GDI"
        << QStringList({"/a", "/b/", "Ja", "Ja ", "19", "notiz ä"})
        << QByteArray("GDI\r\n/a\r\n/b/\r\nJa\r\nJa \r\n19\r\nnotiz \xE4\r\n");
  }

  void settingsFileShapes() {
    QFETCH(QByteArray, file);
    QFETCH(QString, program);
    QFETCH(QStringList, memo);
    QFETCH(QByteArray, savedAgain);
    WriteBytes(ProgramPath("KDIMPORT.INI"), file);
    QtForm form(*services_);
    form.show();
    QCOMPARE(Child<QComboBox>(form, "ProgrammCombo")->currentText(), program);
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "FormelMemo")), memo);
    form.Logic().EndeButtonClick();
    QCOMPARE(ReadBytes(ProgramPath("KDIMPORT.INI")), savedAgain);
  }

  void endeKeepsEverythingWhenTheFileCannotBeWritten() {
    const QByteArray old("Sage\r\n/alt.csv\r\n/daten/\r\nJa\r\nJa \r\n18\r\n");
    WriteBytes(ProgramPath("KDIMPORT.INI"), old);
    QtForm form(*services_);
    form.show();
    auto* memo = Child<QPlainTextEdit>(form, "FormelMemo");
    const QString before = memo->toPlainText();
    files_.fault = kdtest::FailWrites;
    form.Logic().EndeButtonClick();
    files_.fault = nullptr;
    QCOMPARE(services_->boxes.size(), std::size_t(1));
    QCOMPARE(Q(services_->boxes[0].kind), QString("error"));
    QCOMPARE(Q(services_->boxes[0].text), QString("Datei KDIMPORT.INI kann nicht erstellt werden"));
    QVERIFY(form.isVisible());
    QCOMPARE(memo->toPlainText(), before);
    QCOMPARE(ReadBytes(ProgramPath("KDIMPORT.INI")), old);

    // The next try succeeds.
    form.Logic().EndeButtonClick();
    QVERIFY(!form.isVisible());
    QCOMPARE(ReadBytes(ProgramPath("KDIMPORT.INI")),
             QByteArray("Sage\r\n/alt.csv\r\n/daten/\r\nJa\r\nJa \r\n19\r\n"));
  }

  void closingOtherwiseDoesNotSave() {
    QtForm form(*services_);
    form.show();
    Child<QComboBox>(form, "ProgrammCombo")->setEditText("Datev");
    QVERIFY(form.close());
    QVERIFY(!QFile::exists(ProgramPath("KDIMPORT.INI")));
  }

  // ------------------------------------------------------------------------------------------
  // Source and target selection

  void sourceCancelledAndConfirmed() {
    WriteBytes(ProgramPath("KDIMPORT.INI"),
               "Lexware\r\n/alt/quelle.csv\r\n\r\nJa\r\nJa \r\n19\r\n");
    QDir(programDir_->path()).mkpath("anderswo");
    QtForm form(*services_);
    form.show();
    auto* memo = Child<QPlainTextEdit>(form, "FormelMemo");

    // Cancelled after the user typed another path: line 1 shows the path last chosen or read.
    memo->setPlainText("/getippt.csv\n/\nJa\nJa \n19");
    QDir::setCurrent(ProgramPath("anderswo"));
    form.Logic().Button3Click();
    QVERIFY(services_->openTitles == std::vector<std::string>{"Lexware -Exportdatei suchen"});
    QCOMPARE(Lines(memo), QStringList({"/alt/quelle.csv", "/", "Ja", "Ja ", "19"}));
    QCOMPARE(QDir::currentPath(), QDir(programDir_->path()).canonicalPath());

    // Confirmed: the chosen file becomes the source at once, umlauts and all.
    const QString chosen = ProgramPath("Lohn Müller.csv");
    WriteBytes(chosen, "1;2\r\n");
    services_->openAnswers.push_back(chosen.toStdString());
    QDir::setCurrent(ProgramPath("anderswo"));
    Child<QComboBox>(form, "ProgrammCombo")->setEditText("Datev");
    form.Logic().Button3Click();
    QCOMPARE(Q(services_->openTitles.back()), QString("Datev -Exportdatei suchen"));
    QCOMPARE(Lines(memo).first(), Native(chosen));
    QCOMPARE(form.Settings().SourcePath, Native(chosen).toStdString());
    QCOMPARE(QDir::currentPath(), QDir(programDir_->path()).canonicalPath());
    QVERIFY(services_->boxes.empty());
  }

  void targetSelection_data() {
    QTest::addColumn<QString>("answer");    // "<cancel>", or a path relative to the program folder
    QTest::addColumn<QString>("expected");  // line 2, relative to the program folder
    QTest::newRow("proposed name confirmed") << "FIRMA/Konfi-19"
                                             << "FIRMA/";
    QTest::newRow("other name in a deeper folder") << "A/B/xyz"
                                                   << "A/B/";
    QTest::newRow("cancelled keeps the folder") << "<cancel>"
                                                << "ALT/";
  }

  void targetSelection() {
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    const QString folder = programDir_->path() + "/";
    WriteBytes(ProgramPath("KDIMPORT.INI"), Cp1252("Agenda\r\n" + folder + "src.csv\r\n" + folder +
                                                   "ALT\r\nJa\r\nJa \r\n17\r\n"));
    QtForm form(*services_);
    form.show();
    services_->saveAnswers.push_back(
        answer == "<cancel>" ? std::nullopt : std::optional((folder + answer).toStdString()));
    form.Logic().Button4Click();
    QCOMPARE(services_->saveCalls.size(), std::size_t(1));
    QCOMPARE(Q(services_->saveCalls[0].title), QString("Kandrel - Verzeichnis suchen"));
    QCOMPARE(Q(services_->saveCalls[0].startFolder), Native(folder + "ALT/"));
    QCOMPARE(Q(services_->saveCalls[0].proposedName), QString("Konfi-19"));
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "FormelMemo")).at(1), Native(folder + expected));
    QCOMPARE(form.Settings().DataDirectory, Native(folder + expected).toStdString());
    QCOMPARE(form.Settings().PayrollYear, std::string("19"));
    QVERIFY(services_->boxes.empty());
  }

  void targetCutBackWithoutFolder_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bare name") << "Konfi-19"
                               << "/";
    QTest::newRow("only the root") << "/Konfi-19"
                                   << "/";
    QTest::newRow("folder with separator") << "/daten/"
                                           << "/daten/";
  }

  void targetCutBackWithoutFolder() {
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    QtForm form(*services_);
    form.show();
    services_->saveAnswers.push_back(answer.toStdString());
    form.Logic().Button4Click();
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "FormelMemo")).at(1), Native(expected));
  }

  void targetSelectionRereadsHandEditedLines() {
    const QString source = ProgramPath("Personaldaten.csv");
    WriteBytes(source, AgendaExport());
    WriteBytes(ProgramPath("KDIMPORT.INI"),
               Cp1252("Agenda\r\n" + source + "\r\n\r\nJa\r\nJa \r\n19\r\n"));
    const QString data = MakeDataDirectory("FIRMA", "19");
    QtForm form(*services_);
    form.show();
    QCOMPARE(form.Settings().TakeBankData, std::string("JA"));
    auto* memo = Child<QPlainTextEdit>(form, "FormelMemo");
    QStringList lines = Lines(memo);
    lines[3] = "nein";
    memo->setPlainText(lines.join('\n'));
    QCOMPARE(form.Settings().TakeBankData, std::string("JA"));
    services_->saveAnswers.push_back((data + "/Konfi-19").toStdString());
    form.Logic().Button4Click();
    QCOMPARE(form.Settings().TakeBankData, std::string("NEIN"));
    QCOMPARE(Child<QLabel>(form, "Panel4")->text(), "Datei aus Agenda: " + Native(source));
    QVERIFY(Child<QPlainTextEdit>(form, "Memo1")->toPlainText().contains("Müller"));

    // The run now writes no bank file.
    form.Logic().Button1Click();
    QVERIFY(QFile::exists(data + "/KDIMPORT.TXT"));
    QVERIFY(!QFile::exists(data + "/Bank-19"));
  }

  // ------------------------------------------------------------------------------------------
  // Conversion runs

  void conversionMatchesTheCommandLine() {
    QByteArray exportBytes = ReadBytes(KDIMPORT_SAMPLES_DIR "/agenda/Personaldaten.csv");
    if (exportBytes == "<missing>") exportBytes = AgendaExport();
    QDir(programDir_->path()).mkpath("Lohn Müller");
    const QString source = ProgramPath("Lohn Müller/Personaldaten.csv");
    WriteBytes(source, exportBytes);
    const QString data = MakeDataDirectory("FIRMA", "19");
    const QString separator = QLocale::system().decimalPoint().left(1);

    // The command line on the same export, with the same settings.
    QProcess cli;
    cli.setWorkingDirectory(programDir_->path());
    cli.start(KDIMPORT_CLI_PATH,
              {"--program", "Agenda", "--source", source, "--data-dir", data, "--year", "19",
               "--umlauts", "Ja", "--bank", "Ja ", "--decimal-separator", separator});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    // The message boxes' texts; the protocol's summary lines follow them.
    QString cliMessages;
    for (const QString& line : QString::fromUtf8(cli.readAllStandardOutput()).split('\n')) {
      if (!line.isEmpty() && !line.startsWith("[Protokoll] ")) cliMessages += line + "\n";
    }
    QCOMPARE(QString::fromUtf8(cli.readAllStandardError()), QString());
    const QByteArray expectedImport = ReadBytes(data + "/KDIMPORT.TXT");
    const QByteArray expectedBank = ReadBytes(data + "/Bank-19");
    QVERIFY(QFile::remove(data + "/KDIMPORT.TXT"));
    QVERIFY(QFile::remove(data + "/Bank-19"));
    QVERIFY(expectedImport.startsWith("KONV=1;\r\n"));
    QVERIFY(cliMessages.contains(" Bankverbindungen in der Datei "));

    WriteBytes(ProgramPath("KDIMPORT.INI"),
               Cp1252("Agenda\r\n" + source + "\r\n" + data + "\r\nJa\r\nJa \r\n19\r\n"));
    QtForm form(*services_);
    form.show();
    auto* memo3 = Child<QPlainTextEdit>(form, "Memo3");
    QStringList memo3AtBox;
    services_->onBox = [&] { memo3AtBox << memo3->toPlainText(); };

    QTest::mouseClick(Child<QPushButton>(form, "Button1"), Qt::LeftButton);
    QCOMPARE(ReadBytes(data + "/KDIMPORT.TXT"), expectedImport);
    QCOMPARE(ReadBytes(data + "/Bank-19"), expectedBank);

    // The same messages in the same order: the bank file first, then the import file.
    QString windowMessages;
    for (const ShownBox& box : services_->boxes) {
      QCOMPARE(Q(box.kind), QString("message"));
      QCOMPARE(box.icon, kd::Icon::Information);
      windowMessages += "[" + Q(box.caption) + "] " + Q(box.text) + "\n";
    }
    QCOMPARE(windowMessages, cliMessages);
    QCOMPARE(services_->boxes.size(), std::size_t(2));
    QVERIFY(Q(services_->boxes[0].text)
                .startsWith(QString::number(expectedBank.count("\r\n")) +
                            " Bankverbindungen in der Datei "));
    const QStringList records = FromCp1252(expectedImport).split("\r\n", Qt::SkipEmptyParts).mid(1);
    QCOMPARE(Q(services_->boxes[1].text), QString::number(records.size()) +
                                              " Datensätze in der Datei " + Native(data) +
                                              "/KDIMPORT.TXT gespeichert.");
    // The records are in the list already when the first message appears.
    QCOMPARE(memo3AtBox.first(), records.join('\n'));

    // The source file as loaded, umlauts shown as such.
    QCOMPARE(Child<QLabel>(form, "Panel4")->text(), "Quelldatei: " + Native(source));
    QString shown = FromCp1252(exportBytes);
    shown.replace("\r\n", "\n");
    if (shown.endsWith('\n')) shown.chop(1);
    QCOMPARE(Child<QPlainTextEdit>(form, "Memo1")->toPlainText(), shown);

    // A second run gives a complete file again and the list keeps the first run's records;
    // the view shows the file as loaded again after the user typed into it.
    auto* memo1 = Child<QPlainTextEdit>(form, "Memo1");
    memo1->moveCursor(QTextCursor::Start);
    QTest::keyClicks(memo1, "xy");
    QVERIFY(memo1->toPlainText().startsWith("xy"));
    form.Logic().Button1Click();
    QCOMPARE(memo1->toPlainText(), shown);
    QCOMPARE(ReadBytes(data + "/KDIMPORT.TXT"), expectedImport);
    QCOMPARE(Lines(memo3), records + records);
    QCOMPARE(services_->boxes.size(), std::size_t(4));
  }

  void importFileThatCannotBeWritten() {
    const QString source = ProgramPath("Personaldaten.csv");
    WriteBytes(source, AgendaExport());
    const QString data = MakeDataDirectory("FIRMA", "19");
    WriteBytes(ProgramPath("KDIMPORT.INI"),
               Cp1252("Agenda\r\n" + source + "\r\n" + data + "\r\nJa\r\nnein\r\n19\r\n"));
    QtForm form(*services_);
    form.show();
    files_.fault = kdtest::FailWrites;
    form.Logic().Button1Click();
    files_.fault = nullptr;
    QCOMPARE(services_->boxes.size(), std::size_t(1));
    QCOMPARE(Q(services_->boxes[0].kind), QString("error"));
    QCOMPARE(Q(services_->boxes[0].text),
             "Datei " + Native(data) + "/KDIMPORT.TXT kann nicht erstellt werden");
    QVERIFY(!QFile::exists(data + "/KDIMPORT.TXT"));
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "Memo3")).size(), 2);

    // The window stays usable: the next run writes the file.
    form.Logic().Button1Click();
    QVERIFY(QFile::exists(data + "/KDIMPORT.TXT"));
    QCOMPARE(Q(services_->boxes.back().caption), QString("Datei erfolgreich hergestellt."));
    QCOMPARE(Lines(Child<QPlainTextEdit>(form, "Memo3")).size(), 4);
  }

  void refusalsShowTheirMessageOnly_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("panel");
    QTest::newRow("unknown name with a blank") << "Lexware "
                                               << "Programmname Lexware  unbekannt."
                                               << "Datei aus Lexware : <source>";
    QTest::newRow("spreadsheet") << "Agenda"
                                 << "Übergabe nicht möglich."
                                 << "Datei aus Agenda: <source>";
  }

  void refusalsShowTheirMessageOnly() {
    QFETCH(QString, program);
    QFETCH(QString, caption);
    QFETCH(QString, panel);
    const QString source = ProgramPath("liste.xls.csv");
    WriteBytes(source, AgendaExport());
    MakeDataDirectory("FIRMA", "19");
    WriteBytes(ProgramPath("KDIMPORT.INI"),
               Cp1252(program + "\r\n" + source + "\r\n" + ProgramPath("FIRMA") +
                      "\r\nJa\r\nJa \r\n19\r\n"));
    QtForm form(*services_);
    form.show();
    form.Logic().Button1Click();
    QCOMPARE(services_->boxes.size(), std::size_t(1));
    QCOMPARE(Q(services_->boxes[0].caption), caption);
    QCOMPARE(services_->boxes[0].icon, kd::Icon::Stop);
    panel.replace("<source>", Native(source));
    QCOMPARE(Child<QLabel>(form, "Panel4")->text(), panel);
    QVERIFY(!QFile::exists(ProgramPath("FIRMA/KDIMPORT.TXT")));
  }

  void sourceViewShowsWindows1252_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("umlauts") << QByteArray(
                                    "1;M\xFC"
                                    "ller;Stra\xDF"
                                    "e\r\n")
                             << "1;Müller;Straße";
    QTest::newRow("euro and quotes") << QByteArray(
                                            "1;\x80 5;\x84"
                                            "a\x93\r\n")
                                     << "1;€ 5;„a“";
    QTest::newRow("line ends") << QByteArray("a;\r\nb;\rc;\n\nd;") << "a;\nb;\nc;\n\nd;";
  }

  void sourceViewShowsWindows1252() {
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    const QString source = ProgramPath("export.csv");
    WriteBytes(source, file);
    WriteBytes(ProgramPath("KDIMPORT.INI"),
               Cp1252("BBS\r\n" + source + "\r\n\r\nJa\r\nJa \r\n19\r\n"));
    QtForm form(*services_);
    form.show();
    QCOMPARE(Child<QPlainTextEdit>(form, "Memo1")->toPlainText(), shown);
    QCOMPARE(Child<QLabel>(form, "Panel4")->text(), "Datei aus BBS: " + Native(source));
  }

  // ------------------------------------------------------------------------------------------
  // The recognition hint and the protocol window

  // The longest hint the label can get fits it in the window's font.
  void hintFitsItsLabel() {
    QtForm form(*services_);
    auto* label = Child<QLabel>(form, "ErkanntLabel");
    QVERIFY(label->wordWrap());
    QCOMPARE(label->text(), QString());
    label->setText("Die Datei sieht nach Dataline aus, gewählt ist Lexware");
    QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
             qPrintable(QString::number(label->heightForWidth(label->width()))));
  }

  void hintAndProtocolWindow() {
    const QByteArray exportBytes =
        ReadBytes(KDIMPORT_SAMPLES_DIR "/lexware/Personalstammblatt_Protokoll.csv");
    QVERIFY(exportBytes != "<missing>");
    const QString source = ProgramPath("Personalstammblatt_Protokoll.csv");
    WriteBytes(source, exportBytes);
    const QString data = MakeDataDirectory("FIRMA", "18");
    WriteBytes(ProgramPath("KDIMPORT.INI"),
               Cp1252("Lexware\r\n" + source + "\r\n" + data + "\r\nJa\r\nJa \r\n18\r\n"));
    QtForm form(*services_);
    form.show();
    auto* hint = Child<QLabel>(form, "ErkanntLabel");
    auto* combo = Child<QComboBox>(form, "ProgrammCombo");
    QCOMPARE(hint->text(), QString("Erkannt: Lexware"));
    // Typed or chosen from the list, the hint follows the choice.
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), "Datev");
    QCOMPARE(hint->text(), QString("Die Datei sieht nach Lexware aus, gewählt ist Datev"));
    combo->setCurrentIndex(combo->findText("Lexware"));
    QCOMPARE(hint->text(), QString("Erkannt: Lexware"));

    auto* button = Child<QPushButton>(form, "ProtokollButton");
    QVERIFY(!button->isEnabled());
    QCOMPARE(button->text(), QString("Protokoll"));
    QTest::mouseClick(Child<QPushButton>(form, "Button1"), Qt::LeftButton);
    QVERIFY(button->isEnabled());
    const std::size_t attention = form.Logic().LastProtocol().AttentionCount();
    QCOMPARE(attention, std::size_t(6));
    QCOMPARE(button->text(), QString("Protokoll (%1)").arg(attention));

    QTest::mouseClick(button, Qt::LeftButton);
    QtProtocolWindow* window = form.ProtocolWindowIfCreated();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QCOMPARE(window->windowTitle(), QString("Protokoll der letzten Übernahme"));
    QVERIFY(window->Summary()->toPlainText().startsWith(
        "Zeilen gelesen: 8 (Personalstammblatt_Protokoll.csv)\nDatensätze übernommen: 5\n"));
    QTableView* table = window->Table();
    // The table has the keys at once.
    QCOMPARE(window->focusWidget(), static_cast<QWidget*>(table));
    const QAbstractItemModel* model = table->model();
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
      titles << model->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"Zeile", "PNr", "Name", "Ergebnis", "Hinweis"}));
    QCOMPARE(model->rowCount(), 7);
    QCOMPARE(model->index(2, 2).data().toString(), QString("Krause, Thomas"));
    QCOMPARE(window->AllLines()->text(), QString("Alle Zeilen anzeigen"));
    QTest::mouseClick(window->AllLines(), Qt::LeftButton);
    QCOMPARE(model->rowCount(), 8);
    QCOMPARE(model->index(1, 2).data().toString(), QString("Hartmann, Peter"));
    QTest::mouseClick(window->AllLines(), Qt::LeftButton);
    QCOMPARE(model->rowCount(), 7);

    // A double-click shows the row's line selected in the source-file view.
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The summary shows its fourteen lines without scrolling.
    QCOMPARE(window->Summary()->document()->blockCount(), 14);
    QCOMPARE(window->Summary()->verticalScrollBar()->maximum(), 0);
    const QRect cell = table->visualRect(model->index(2, 0));
    QVERIFY(table->viewport()->rect().contains(cell.center()));
    // A person's double-click: press, release, and the second press as a double-click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    auto* memo1 = Child<QPlainTextEdit>(form, "Memo1");
    const QString line4 = FromCp1252(exportBytes.split('\n').at(3)).remove('\r');
    QCOMPARE(memo1->textCursor().selectedText(), line4);
    QCOMPARE(memo1->textCursor().blockNumber(), 3);
    QCOMPARE(memo1->textCursor().positionInBlock(), 0);

    // "Speichern unter …" writes the CSV file.
    QCOMPARE(window->SaveButton()->text(), QString("Speichern unter …"));
    services_->saveAnswers.push_back((data + "/protokoll.csv").toStdString());
    QTest::mouseClick(window->SaveButton(), Qt::LeftButton);
    QCOMPARE(Q(services_->saveCalls.back().title), QString("Protokoll speichern"));
    QVERIFY(ReadBytes(data + "/protokoll.csv")
                .startsWith("\xEF\xBB\xBF"
                            "Datei;Zeile;PNr;Name;Ergebnis;Hinweis\r\n"));

    // "Drucken / Speichern…", last in the tab order, writes the page, which names the import
    // file by its SHA-256, and opens it in the browser.
    QCOMPARE(window->PrintButton()->text(), QString("Drucken / Speichern…"));
    QCOMPARE(window->SaveButton()->nextInFocusChain(), window->PrintButton());
    const std::string page = QDir::toNativeSeparators(data + "/protokoll.html").toStdString();
    services_->saveAnswers.push_back(page);
    QTest::mouseClick(window->PrintButton(), Qt::LeftButton);
    QCOMPARE(Q(services_->saveCalls.back().proposedName), QString("KDIMPORT-Protokoll.html"));
    QCOMPARE(services_->opened, std::vector<std::string>{page});
    QVERIFY(ReadBytes(Q(page)).contains(
        QCryptographicHash::hash(ReadBytes(data + "/KDIMPORT.TXT"), QCryptographicHash::Sha256)
            .toHex()));

    // Closing only hides it; the main window goes on, and the button shows it again.
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QVERIFY(form.isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(form.ProtocolWindowIfCreated(), window);
    QVERIFY(window->isVisible());
  }

  // ------------------------------------------------------------------------------------------
  // The real message boxes

  void messageBoxes_data() {
    QTest::addColumn<bool>("isError");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("caption");
    QTest::newRow("information") << false << int(QMessageBox::Information) << "Hinweis";
    QTest::newRow("stop") << false << int(QMessageBox::Critical) << "Übergabe nicht möglich.";
    QTest::newRow("file error") << true << int(QMessageBox::Critical) << "KDIMPORT";
  }

  void messageBoxes() {
    QFETCH(bool, isError);
    QFETCH(int, icon);
    QFETCH(QString, caption);
    QWidget parent;
    parent.show();
    QtFormServices real;
    real.SetParent(&parent);
    struct Seen {
      bool found = false;
      int icon = -1;
      QString title, text;
      QMessageBox::StandardButtons buttons;
      bool modal = false;
    } seen;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      poll.stop();
      seen = {true,        int(box->icon()),       box->windowTitle(),
              box->text(), box->standardButtons(), box->isModal()};
      box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    const QString text = "Datei /x/ä kann nicht erstellt werden";
    if (isError) {
      real.Error(text.toStdString());
    } else {
      real.Message(text.toStdString(), caption.toStdString(),
                   icon == QMessageBox::Critical ? kd::Icon::Stop : kd::Icon::Information);
    }
    QVERIFY(seen.found);
    QCOMPARE(seen.icon, icon);
    QCOMPARE(seen.title, caption);
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(seen.modal);
  }

  // The question before a doubtful run: "Ja" and "Nein", "Nein" the default button, so the
  // Enter key and Escape both answer no.
  void questionBox_data() {
    QTest::addColumn<int>("key");  // 0: a click on "Ja"
    QTest::addColumn<bool>("yes");
    QTest::newRow("Enter") << int(Qt::Key_Return) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Ja") << 0 << true;
  }

  void questionBox() {
    QFETCH(int, key);
    QFETCH(bool, yes);
    QWidget parent;
    parent.show();
    QtFormServices real;
    real.SetParent(&parent);
    QString title, yesText, noText, defaultText;
    int icon = -1;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      poll.stop();
      title = box->windowTitle();
      icon = int(box->icon());
      yesText = box->button(QMessageBox::Yes)->text();
      noText = box->button(QMessageBox::No)->text();
      defaultText = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
      if (key == 0) {
        box->button(QMessageBox::Yes)->click();
      } else {
        QTest::keyClick(box, Qt::Key(key));
      }
    });
    poll.start();
    QCOMPARE(real.Question("Trotzdem KDIMPORT.TXT ersetzen?", "Übernahme prüfen"), yes);
    QCOMPARE(title, QString("Übernahme prüfen"));
    QCOMPARE(icon, int(QMessageBox::Question));
    QCOMPARE(yesText, QString("&Ja"));
    QCOMPARE(noText, QString("&Nein"));
    QCOMPARE(defaultText, QString("&Nein"));
  }
};

QTEST_MAIN(QtFormTest)
#include "qtform_test.moc"
