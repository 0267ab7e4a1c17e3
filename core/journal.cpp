#include "journal.h"

#include <atomic>
#include <cstdio>
#include <random>

#include "text.h"

namespace kd {

namespace {

constexpr std::string_view kJournalHead = "KDIMPORT-Journal 2";
constexpr std::string_view kEarlierHead = "KDIMPORT-Journal 1";
constexpr std::string_view kTimeLabel = "Zeit ";
constexpr std::string_view kCountLabel = "Dateien ";
constexpr std::string_view kEndLine = "Ende";

bool IsHex(std::string_view text, std::size_t maxDigits) {
  return !text.empty() && text.size() <= maxDigits &&
         text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// Names in the journal stand one to a field: a tab, a line break or "%" in a name (a year typed
// on the command line may hold anything) is written as "%" and its hex code.
std::string Escaped(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> Unescaped(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      out += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    const std::string hex(field.substr(i + 1, 2));
    if (hex.find_first_not_of("0123456789ABCDEF") != std::string::npos) return std::nullopt;
    out += static_cast<char>(std::stoi(hex, nullptr, 16));
    i += 2;
  }
  return out;
}

// A writer's own file of `target` in the same folder.
bool IsOwnFileOf(std::string_view name, std::string_view target, std::string_view kind) {
  const std::optional<OwnName> own = ParseOwnName(name);
  return own && own->target == target && own->kind == kind;
}

}  // namespace

std::string UniqueName(std::string_view target, std::string_view kind) {
  static std::atomic<unsigned> counter{0};
  static std::random_device random;
  static const unsigned start = static_cast<unsigned>(random());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%x-%x-%08x.", start, counter++,
                static_cast<unsigned>(random()));
  return std::string(target) + suffix + std::string(kind);
}

std::optional<OwnName> ParseOwnName(std::string_view name) {
  const std::size_t kindDot = name.rfind('.');
  if (kindDot == std::string_view::npos || kindDot == 0) return std::nullopt;
  const std::string_view kind = name.substr(kindDot + 1);
  if (kind != "tmp" && kind != "alt" && kind != "jnl") return std::nullopt;
  const std::size_t uniqueDot = name.rfind('.', kindDot - 1);
  if (uniqueDot == std::string_view::npos || uniqueDot == 0) return std::nullopt;
  const std::string_view unique = name.substr(uniqueDot + 1, kindDot - uniqueDot - 1);
  const std::size_t dash1 = unique.find('-');
  const std::size_t dash2 = unique.rfind('-');
  if (dash1 == std::string_view::npos || dash1 == dash2) return std::nullopt;
  const std::string_view run = unique.substr(0, dash1);
  if (!IsHex(run, 8) || !IsHex(unique.substr(dash1 + 1, dash2 - dash1 - 1), 8) ||
      !IsHex(unique.substr(dash2 + 1), 8) || unique.size() - dash2 - 1 != 8) {
    return std::nullopt;
  }
  return OwnName{std::string(name.substr(0, uniqueDot)), std::stoul(std::string(run), nullptr, 16),
                 std::string(kind)};
}

std::string JournalText(const Journal& journal) {
  std::string text = std::string(kJournalHead) + "\n" + std::string(kTimeLabel) + journal.time +
                     "\n" + std::string(kCountLabel) + std::to_string(journal.entries.size()) +
                     "\n";
  for (const JournalEntry& entry : journal.entries) {
    text += Escaped(entry.target) + "\t" + Escaped(entry.temporary) + "\t" + Escaped(entry.backup) +
            "\n";
  }
  return text + std::string(kEndLine) + "\n";
}

std::optional<Journal> ParseJournal(std::string_view text) {
  std::vector<std::string_view> lines = SplitLines(text);
  if (lines.size() < 3 || !lines[1].starts_with(kTimeLabel)) return std::nullopt;
  std::size_t first = 2;
  if (lines[0] == kJournalHead) {
    // Head, time, count, the files, end.
    if (lines.size() < 5 || lines.back() != kEndLine ||
        lines[2] != std::string(kCountLabel) + std::to_string(lines.size() - 4)) {
      return std::nullopt;
    }
    first = 3;
    lines.pop_back();
  } else if (lines[0] != kEarlierHead) {
    return std::nullopt;
  }
  Journal journal;
  journal.time = std::string(lines[1].substr(kTimeLabel.size()));
  for (std::size_t i = first; i < lines.size(); ++i) {
    std::vector<std::optional<std::string>> fields;
    for (std::size_t start = 0;;) {
      const std::size_t tab = lines[i].find('\t', start);
      fields.push_back(Unescaped(lines[i].substr(start, tab - start)));
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    if (fields.size() != 3 || !fields[0] || !fields[1] || !fields[2]) return std::nullopt;
    JournalEntry entry{*fields[0], *fields[1], *fields[2]};
    // Only the writer's own files of a bare target name in this folder are ever touched.
    if (entry.target.empty() || !PathFolder(entry.target).empty() ||
        !IsOwnFileOf(entry.temporary, entry.target, "tmp") ||
        (!entry.backup.empty() && !IsOwnFileOf(entry.backup, entry.target, "alt"))) {
      return std::nullopt;
    }
    journal.entries.push_back(std::move(entry));
  }
  return journal;
}

}  // namespace kd
