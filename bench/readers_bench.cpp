// Reader throughput on synthetic exports: the employee lines of each sample export repeated to
// 100,000 employees, read with the bank setting off and on; the bank code lookup over the
// bundled bank code list; and the recognition of each sample's export grown to 1 MB and 100 MB.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bankcodes.h"
#include "conversion.h"
#include "readers.h"
#include "sourcetext.h"
#include "text.h"

namespace {

constexpr std::size_t kEmployees = 100000;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

class NullUi : public kd::UserInterface {
 public:
  void ShowMessage(const std::string&, const std::string&, kd::Icon) override {}
  void ShowError(const std::string&) override {}
  bool Ask(const std::string&, const std::string&) override { return true; }
  void ShowSourceFile(const std::string&, std::string_view) override {}
  void AppendRecord(std::string_view) override {}
};

// The sample's lines before its first employee line, then its employee lines repeated.
std::string Enlarge(const std::string& sample, std::size_t employees, bool fixedWidth) {
  const std::string decoded = kd::DecodeSourceText(sample);
  const auto lines = kd::SplitLines(decoded);
  std::string head;
  std::vector<std::string_view> employeeLines;
  for (const auto line : lines) {
    const bool employee = fixedWidth ? line.size() >= 10 && line[9] >= '0' && line[0] <= '9'
                                     : kd::StartsWithDigit(line);
    if (employee) {
      employeeLines.push_back(line);
    } else if (employeeLines.empty()) {
      head.append(line).append("\r\n");
    }
  }
  if (employeeLines.empty()) return head;
  std::string text = head;
  text.reserve(head.size() + employees * (employeeLines[0].size() + 2));
  for (std::size_t i = 0; i < employees; ++i) {
    text.append(employeeLines[i % employeeLines.size()]).append("\r\n");
  }
  return text;
}

struct Fixture {
  std::filesystem::path work;
  std::filesystem::path bare;

  Fixture() {
    work = std::filesystem::temp_directory_path() /
           ("kdimport-bench-" + std::to_string(std::random_device{}()));
    bare = work / "bin";
    std::filesystem::create_directories(work / "FIRMA");
    std::filesystem::create_directories(bare);
    std::filesystem::copy_file(KDIMPORT_BANK_CODE_LIST, bare / kd::kBankCodeListName);
  }
  ~Fixture() {
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
  }
};

Fixture& SharedFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_Reader(benchmark::State& state, std::string program, std::filesystem::path sample) {
  Fixture& fixture = SharedFixture();
  const bool bank = state.range(0) != 0;
  const bool fixedWidth = kd::UpperAscii(program) == "VARIAL";
  const std::string text = Enlarge(ReadAll(sample), kEmployees, fixedWidth);
  if (fixedWidth && bank) {
    const std::filesystem::path connections = sample.parent_path() / "PWASCUEB.EXP";
    std::ofstream(fixture.bare / "PWASCUEB.EXP", std::ios::binary)
        << Enlarge(ReadAll(connections), kEmployees, true);
  }
  const std::vector<std::string_view> lines = kd::SplitLines(text);

  kd::ConversionSettings settings;
  settings.DataDirectory = (fixture.work / "FIRMA").string() + "/";
  settings.ConvertUmlauts = "JA";
  settings.TakeBankData = bank ? "JA" : "NEIN";
  settings.PayrollYear = "18";
  const std::string upper = kd::UpperAscii(program);
  const kd::ReaderEntry* entry = nullptr;
  std::string header = std::string(lines.empty() ? std::string_view() : lines.front()) + ";";
  for (const auto& row : kd::readers::Table()) {
    if (row.program == upper && (row.applies == nullptr || row.applies(header))) {
      entry = &row;
      break;
    }
  }
  NullUi ui;
  kd::ColumnTable table;
  std::size_t records = 0;
  for (auto _ : state) {
    kd::FileOutput files(settings, text.size());
    const kd::BareFileLookup bareFiles({fixture.bare.string(), ""}, settings.SourcePath);
    kd::Protocol protocol;
    kd::ReaderContext context(text, settings, ui, header, table, ',', bareFiles, files, protocol);
    entry->read(context);
    kd::PutFilesInPlace(context, files, ui);
    records = context.OutputLineCount() - 1;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["records"] = static_cast<double>(records);
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_BankCodeLookup(benchmark::State& state) {
  const std::string list = ReadAll(KDIMPORT_BANK_CODE_LIST);
  // The BICs of the list (characters 140-150), of which a company's employees use a few hundred.
  std::vector<std::string> bics;
  for (const auto line : kd::SplitLines(list)) {
    const std::string bic = kd::Trim(kd::Cut(line, 140, 11));
    if (!bic.empty()) bics.push_back(bic);
  }
  std::sort(bics.begin(), bics.end());
  bics.erase(std::unique(bics.begin(), bics.end()), bics.end());
  std::mt19937 random(42);
  std::shuffle(bics.begin(), bics.end(), random);
  const std::size_t distinct =
      std::min<std::size_t>(static_cast<std::size_t>(state.range(0)), bics.size());
  std::vector<std::string> employees(kEmployees);
  for (auto& bic : employees) bic = bics[random() % distinct];
  for (auto _ : state) {
    kd::BankCodeTable table(list);
    std::size_t found = 0;
    for (const auto& bic : employees) found += table.Lookup(bic).empty() ? 0 : 1;
    benchmark::DoNotOptimize(found);
  }
  state.counters["distinct_bics"] = static_cast<double>(distinct);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kEmployees));
}
BENCHMARK(BM_BankCodeLookup)->Arg(10)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

// The sample's export grown to about `megabytes` MB, as a file in the fixture's folder. The
// benchmarks run one after the other; only the file of the current one is kept.
std::string EnlargedFile(const std::filesystem::path& sample, std::size_t megabytes) {
  static std::string key;
  static std::filesystem::path path;
  const std::string wanted = sample.string() + "/" + std::to_string(megabytes);
  if (wanted == key) return path.string();
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove(path, ec);
  const std::string text = ReadAll(sample);
  const bool fixedWidth = sample.filename() == "PWASCANS.EXP";
  const std::size_t perThousand = std::max<std::size_t>(1, Enlarge(text, 1000, fixedWidth).size());
  const std::size_t employees = megabytes * 1000000 * 1000 / perThousand;
  key = wanted;
  path = SharedFixture().work / sample.filename();
  std::ofstream(path, std::ios::binary) << Enlarge(text, employees, fixedWidth);
  return path.string();
}

// Recognition of the program that made an export file: it reads only the file's first 64 KiB,
// so a 100 MB export takes as long as a small one.
void BM_RecognizeFile(benchmark::State& state, std::filesystem::path sample) {
  const std::size_t megabytes = static_cast<std::size_t>(state.range(0));
  const std::string path = EnlargedFile(sample, megabytes);
  std::string program;
  for (auto _ : state) {
    const kd::Recognition recognition = kd::readers::RecognizeFile(path);
    program = std::string(recognition.program);
    benchmark::DoNotOptimize(recognition.fit);
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.SetLabel(program);
}

// One benchmark per sample export, with the bank setting off (0) and on (1).
int RegisterReaders() {
  const std::filesystem::path samples = KDIMPORT_SAMPLES_DIR;
  std::vector<std::filesystem::path> files;
  for (const auto& dir : std::filesystem::directory_iterator(samples)) {
    if (!dir.is_directory()) continue;
    for (const auto& file : std::filesystem::directory_iterator(dir.path())) {
      if (!file.is_regular_file() || file.path().filename() == "PWASCUEB.EXP") continue;
      // The protocol's sample loses most employees to the column shift: no measure of speed.
      if (file.path().filename().string().find("_Protokoll") != std::string::npos) continue;
      files.push_back(file.path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    const std::string program = file.parent_path().filename().string();
    bool known = false;
    for (const auto& row : kd::readers::Table())
      known = known || row.program == kd::UpperAscii(program);
    if (!known) continue;
    benchmark::RegisterBenchmark(("BM_Reader/" + program + "/" + file.filename().string()).c_str(),
                                 BM_Reader, program, file)
        ->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond);
    // Exports of 1 MB and 100 MB.
    benchmark::RegisterBenchmark(
        ("BM_RecognizeFile/" + program + "/" + file.filename().string()).c_str(), BM_RecognizeFile,
        file)
        ->Arg(1)
        ->Arg(100)
        ->Unit(benchmark::kMicrosecond);
  }
  return 0;
}
const int kRegistered = RegisterReaders();

}  // namespace
