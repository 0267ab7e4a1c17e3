// The conversion button of the window (offscreen) against kdimport-cli on the same SBS export,
// how a run's cost grows with the number of employees and with the records already shown, and
// what opening the protocol window of a big run costs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "formservices.h"
#include "qtform.h"
#include "qtprotocolwindow.h"
#include "text.h"

namespace {

// Messages are counted, never shown: no one is there to press OK.
class QuietServices : public kd::form::FormServices {
 public:
  std::optional<std::string> OpenFileName(const std::string&) override { return std::nullopt; }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileAs(const std::string&, const std::string&, const std::string&,
                                        const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool OpenDocument(const std::string&) override { return true; }
  void Message(const std::string&, const std::string&, kd::Icon) override { ++messages; }
  bool Question(const std::string&, const std::string&) override { return true; }
  void Error(const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::abort();
  }
  std::filesystem::path ProgramFolder() override { return folder.toStdString(); }
  kd::form::Today Date() override { return {"01.05.2018", 2018}; }
  std::string DecimalSeparator() override { return ","; }

  QString folder;
  int messages = 0;
};

// An SBS employee table: the column line and one line of 32 columns per employee.
QByteArray SbsExport(int employees) {
  QByteArray out =
      "Firmen-Nr.;Personal-Nr.;Nachname;Vorname;Stra\xDF"
      "e;Deutsche PLZ;Wohnort;Geburtsdatum;"
      "Geburtsort;Familienstand;Geschlecht;Eintritts-Datum;Steuerklasse;Berufsgruppe;"
      "Monats-Freibetrag;Jahres-Freibetrag;KiSt-Schl\xFC"
      "ssel AN;Konfess. Ehegatte;"
      "AN-Krankenkasse;T\xE4tigkeits-Schl.;Staatsangeh\xF6rigk.;Faktor 1;Sozialversich.Nr.;"
      "Kinderfreibetr\xE4ge;Nationalit\xE4ts-Kz.;Geburtsname;Personengruppe;Beitragsgruppe;"
      "Steuernummer;eTIN;Amtl.GemeindeSchl;TIN Steuer-Ident.;\r\n";
  out.reserve(out.size() + employees * 260);
  for (int i = 1; i <= employees; ++i) {
    const QByteArray n = QByteArray::number(i);
    out += "1;" + n + ";M\xFCller-" + n +
           ";Anna;Hauptstra\xDF"
           "e " +
           n +
           ";50667;K\xF6ln;12.03.1980;Bonn;ledig;w;01.04.2015;1;3;0,00;0,00;rk;;AOK;"
           "432114000;0;1,000;12120380M512;0,5;000;;101;1111;21/815/08150;;05315000;"
           "12345678901;\r\n";
  }
  return out;
}

// One export, data directory and settings file per size, shared by all benchmarks.
struct Workspace {
  QTemporaryDir folder;
  QString source;
  QString data;
};

Workspace& WorkspaceFor(int employees) {
  static std::map<int, std::unique_ptr<Workspace>> workspaces;
  std::unique_ptr<Workspace>& space = workspaces[employees];
  if (!space) {
    space = std::make_unique<Workspace>();
    const QString root = space->folder.path();
    space->source = root + "/Tabelle2929.csv";
    space->data = root + "/FIRMA";
    QDir(root).mkpath("FIRMA");
    QFile exportFile(space->source);
    exportFile.open(QIODevice::WriteOnly);
    exportFile.write(SbsExport(employees));
    QFile(space->data + "/Konfi-18").open(QIODevice::WriteOnly);
    QFile settings(root + "/KDIMPORT.INI");
    settings.open(QIODevice::WriteOnly);
    const std::string lines = "SBS\r\n" + space->source.toStdString() + "\r\n" +
                              space->data.toStdString() + "\r\nJa\r\nJa \r\n18\r\n";
    settings.write(QByteArray::fromStdString(kd::Utf8ToCp1252(lines)));
  }
  QDir::setCurrent(space->folder.path());
  return *space;
}

// A new window per iteration, as after a program start; the timed part is the button press
// and the events it leaves behind.
void RunWindow(benchmark::State& state, int employees, int earlierRuns) {
  Workspace& space = WorkspaceFor(employees);
  QuietServices services;
  services.folder = space.folder.path();
  for (auto _ : state) {
    state.PauseTiming();
    auto form = std::make_unique<QtForm>(services);
    form->show();
    for (int i = 0; i < earlierRuns; ++i) form->Logic().Button1Click();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    form->Logic().Button1Click();
    QCoreApplication::processEvents();
    state.PauseTiming();
    form.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(employees);
  state.counters["employees"] = employees;
}

void BM_WindowRun(benchmark::State& state) {
  RunWindow(state, 20000, 0);
}

void BM_CliRun(benchmark::State& state) {
  Workspace& space = WorkspaceFor(20000);
  const QStringList arguments = {"--program", "SBS",    "--source", space.source, "--data-dir",
                                 space.data,  "--year", "18",       "--bank",     "Ja "};
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  for (auto _ : state) {
    QProcess cli;
    cli.setWorkingDirectory(space.folder.path());
    cli.start(KDIMPORT_CLI_PATH, arguments);
    if (!cli.waitForFinished(120000) || cli.exitCode() != 0) {
      state.SkipWithError("kdimport-cli failed");
      break;
    }
  }
  // The processor time of the command line itself, comparable with the window's CPU column.
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  state.counters["cli_cpu_ms"] = benchmark::Counter(
      (ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime)) /
      static_cast<double>(state.iterations()));
}

// The run's cost by the number of employees: it must grow linearly.
void BM_WindowRunBySize(benchmark::State& state) {
  RunWindow(state, static_cast<int>(state.range(0)), 0);
}

// A run of 5,000 employees below the records of earlier runs: the list of produced records
// must not make later runs slower.
void BM_WindowRunAfterEarlierRuns(benchmark::State& state) {
  RunWindow(state, 5000, static_cast<int>(state.range(0)));
}

// Opening the protocol window after a run of 100,000 employees and drawing it, with the lines to
// look at (the column line and the 90,001 personnel numbers above 9998) or, after ticking the
// check box, with every line: the table asks only for the rows it shows.
void BM_ProtocolWindow(benchmark::State& state) {
  const bool allLines = state.range(0) != 0;
  std::size_t rows = 0;
  Workspace& space = WorkspaceFor(100000);
  QuietServices services;
  services.folder = space.folder.path();
  for (auto _ : state) {
    state.PauseTiming();
    auto form = std::make_unique<QtForm>(services);
    form->show();
    form->Logic().Button1Click();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    form->Logic().ProtokollButtonClick();
    if (allLines) form->ProtocolWindowIfCreated()->AllLines()->setChecked(true);
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(form->ProtocolWindowIfCreated()->grab());
    state.PauseTiming();
    rows = form->Logic().ProtocolLogic().RowCount();
    form.reset();
    state.ResumeTiming();
  }
  state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace

BENCHMARK(BM_ProtocolWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CliRun)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowRunBySize)
    ->RangeMultiplier(2)
    ->Range(2500, 40000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Complexity(benchmark::oN);
BENCHMARK(BM_WindowRunAfterEarlierRuns)
    ->Arg(0)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
