#include "recordfit.h"

#include <algorithm>
#include <numeric>

#include "text.h"
#include "valueforms.h"

namespace kd {

namespace {

bool HasLetter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), IsLetter);
}

// Digits with the blanks some exports put between groups.
bool DigitsWithBlanks(std::string_view text, std::size_t minimum, std::size_t maximum) {
  std::size_t digits = 0;
  for (const char c : text) {
    if (IsDigit(c)) {
      ++digits;
    } else if (c != ' ') {
      return false;
    }
  }
  return digits >= minimum && digits <= maximum;
}

// A decimal number of at most `integerDigits` digits before its separator and two after it.
bool SmallDecimal(std::string_view text, std::size_t integerDigits) {
  if (!IsDecimal(text)) return false;
  const std::size_t separator = text.find_first_of(",.");
  const std::size_t before = separator == std::string_view::npos ? text.size() : separator;
  const std::size_t after = separator == std::string_view::npos ? 0 : text.size() - separator - 1;
  return before >= 1 && before <= integerDigits && after <= 3;
}

// A date the way exports write it, perhaps with the time a spreadsheet adds ("01.02.1970
// 00:00:00"); dates of zeros stand for no date.
FormVerdict JudgeDate(std::string_view value) {
  if (std::all_of(value.begin(), value.end(), [](char c) { return c == '0' || c == '.'; })) {
    return FormVerdict::Neutral;
  }
  const std::size_t blank = value.find(' ');
  if (blank != std::string_view::npos) {
    const std::string_view time = TrimView(value.substr(blank));
    if (!std::all_of(time.begin(), time.end(), [](char c) { return IsDigit(c) || c == ':'; })) {
      return FormVerdict::Misfit;
    }
    value = value.substr(0, blank);
  }
  return IsDottedDate(value) || IsCompactDate(value) ? FormVerdict::Fits : FormVerdict::Misfit;
}

// A name, a job: text that is no date, no bare number and no insurance number or IBAN. A date
// has no letter; the numbers have a letter or two among at least eleven digits.
FormVerdict JudgeText(std::string_view value) {
  if (!HasLetter(value)) return FormVerdict::Misfit;
  if (std::count_if(value.begin(), value.end(), IsDigit) >= 11 &&
      (IsInsuranceNumberForm(value) || IsIbanForm(value))) {
    return FormVerdict::Misfit;
  }
  return FormVerdict::Fits;
}

// Words that say something of a person and never stand for a street or a town: a salutation, a
// sex, a marital status, yes or no. A column of them lands in the address when a reader takes
// its columns from the wrong places.
bool DescribesAPerson(std::string_view value) {
  static constexpr std::string_view kWords[] = {
      "HERR",        "FRAU",     "M",      "W",     "D",           "M\xC4NNLICH",
      "M\xE4NNLICH", "WEIBLICH", "DIVERS", "LEDIG", "VERHEIRATET", "GESCHIEDEN",
      "VERWITWET",   "GETRENNT", "JA",     "NEIN"};
  bool any = false;
  for (std::size_t at = 0; at < value.size();) {
    const std::size_t end = std::min(value.find(' ', at), value.size());
    const std::string_view word = value.substr(at, end - at);
    if (!word.empty()) {
      if (std::none_of(std::begin(kWords), std::end(kWords),
                       [word](std::string_view w) { return SameUpperAscii(word, w); })) {
        return false;
      }
      any = true;
    }
    at = end + 1;
  }
  return any;
}

// A street with its house number: a text whose digits are a house number's, not a telephone
// number's or an account's.
FormVerdict JudgeStreet(std::string_view value) {
  constexpr std::ptrdiff_t kMostDigits = 6;
  if (std::count_if(value.begin(), value.end(), IsDigit) > kMostDigits) return FormVerdict::Misfit;
  if (DescribesAPerson(value)) return FormVerdict::Misfit;
  return JudgeText(value);
}

// "Muster, Max": each part a text without digits.
FormVerdict JudgeName(std::string_view value) {
  const std::size_t comma = value.find(',');
  FormVerdict verdict = FormVerdict::Neutral;
  for (const std::string_view part :
       {value.substr(0, comma),
        comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1)}) {
    const std::string_view trimmed = TrimView(part);
    if (trimmed.empty()) continue;
    if (std::any_of(trimmed.begin(), trimmed.end(), IsDigit)) return FormVerdict::Misfit;
    if (JudgeText(trimmed) == FormVerdict::Misfit) return FormVerdict::Misfit;
    verdict = FormVerdict::Fits;
  }
  return verdict;
}

// A postcode, perhaps with the letters of its country ("A-1010"), then the town; or the town
// alone behind the blank of a missing postcode.
FormVerdict JudgePlace(std::string_view written) {
  if (DescribesAPerson(TrimView(written))) return FormVerdict::Misfit;
  if (written.front() == ' ') return JudgeText(TrimView(written));
  const std::string_view value = TrimView(written);
  const std::size_t blank = value.find(' ');
  std::string_view postcode = value.substr(0, blank);
  const std::size_t dash = postcode.find('-');
  if (dash != std::string_view::npos && dash >= 1 && dash <= 3 &&
      std::all_of(postcode.begin(), postcode.begin() + static_cast<std::ptrdiff_t>(dash),
                  IsCapital)) {
    postcode.remove_prefix(dash + 1);
  }
  if (postcode.size() < 4 || postcode.size() > 5 || !AllDigits(postcode)) {
    return FormVerdict::Misfit;
  }
  if (blank == std::string_view::npos) return FormVerdict::Fits;
  return JudgeText(TrimView(value.substr(blank)));
}

FormVerdict Verdict(bool fits) {
  return fits ? FormVerdict::Fits : FormVerdict::Misfit;
}

bool IsRomanTaxClass(std::string_view value) {
  return value == "I" || value == "II" || value == "III" || value == "IV" || value == "V" ||
         value == "VI";
}

bool IsKnownTaxClass(std::string_view value) {
  if (value.size() == 2 && (value[0] == 'B' || value[0] == 'b')) value.remove_prefix(1);
  if (value.size() == 1) {
    return (value[0] >= '0' && value[0] <= '6') || value[0] == 'P' || value[0] == 'p';
  }
  return value == "EP" || value == "ep" || IsRomanTaxClass(value);
}

// Confession codes: letters, joined by "/" or not at all, "--" for none; a word the reader
// passes on as the export wrote it.
bool IsChurchCode(std::string_view value) {
  return value.size() <= 30 && std::all_of(value.begin(), value.end(), [](char c) {
           return IsLetter(c) || c == '/' || c == '-' || c == ' ' || c == '.';
         });
}

constexpr std::uint32_t Code(std::string_view key) {
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < key.size() && i < 4; ++i) {
    code |= static_cast<std::uint32_t>(static_cast<unsigned char>(key[i])) << (8 * i);
  }
  return code | static_cast<std::uint32_t>(key.size() > 4 ? 0x80 : 0);
}

// The key's form, or -1 for a key whose value says nothing about where it was taken from.
int FormKeyOf(std::string_view key) {
  if (key.size() > 6) return -1;
  if (key == "Faktor") return static_cast<int>(FormKey::Factor);
  if (key == "Kirche") return static_cast<int>(FormKey::Church);
  switch (Code(key)) {
    case Code("PNr"):
      return static_cast<int>(FormKey::PersonnelNumber);
    case Code("KSt"):
      return static_cast<int>(FormKey::CostCentre);
    case Code("Name"):
      return static_cast<int>(FormKey::Name);
    case Code("Str"):
      return static_cast<int>(FormKey::Street);
    case Code("Ort"):
      return static_cast<int>(FormKey::Place);
    case Code("Staat"):
      return static_cast<int>(FormKey::Nationality);
    case Code("Geb"):
      return static_cast<int>(FormKey::BirthDate);
    case Code("BegB"):
      return static_cast<int>(FormKey::EntryDate);
    case Code("BegV"):
      return static_cast<int>(FormKey::SecondBeginDate);
    case Code("VNr"):
      return static_cast<int>(FormKey::InsuranceNumber);
    case Code("Art"):
      return static_cast<int>(FormKey::JobTitle);
    case Code("PG"):
      return static_cast<int>(FormKey::PersonGroup);
    case Code("Taet"):
      return static_cast<int>(FormKey::ActivityKey);
    case Code("BG"):
      return static_cast<int>(FormKey::ContributionGroup);
    case Code("StKl"):
      return static_cast<int>(FormKey::TaxClass);
    case Code("KiFr"):
      return static_cast<int>(FormKey::ChildAllowances);
    case Code("IdNr"):
      return static_cast<int>(FormKey::TaxId);
    case Code("AGS"):
      return static_cast<int>(FormKey::MunicipalityKey);
    case Code("WAZ"):
      return static_cast<int>(FormKey::WorkingTime);
    default:
      return -1;
  }
}

// Data errors of the old program explain a value of the wrong form here and there: a record
// may hold one such value in every eight it has.
bool RecordFits(std::size_t checked, std::size_t misfits) {
  return misfits * 8 <= checked;
}

}  // namespace

FormVerdict JudgeValue(FormKey key, std::string_view written) {
  const std::string_view value = TrimView(written);
  if (value.empty()) return FormVerdict::Neutral;
  // Readers take the double quotes of the exports that quote their fields away, but for DATEV's
  // tax class: any other value that keeps them was read by a reader of another export.
  if (key == FormKey::TaxClass && value.size() >= 2 && value.front() == '"' &&
      value.back() == '"') {
    return JudgeValue(key, value.substr(1, value.size() - 2));
  }
  if (value.find('"') != std::string_view::npos) return FormVerdict::Misfit;
  switch (key) {
    case FormKey::PersonnelNumber:
    case FormKey::MunicipalityKey:
      return Verdict(AllDigits(value));
    case FormKey::CostCentre:
      return Verdict(value.size() <= 12 && value.find(' ') == std::string_view::npos &&
                     !IsDottedDate(value));
    case FormKey::Name:
      return JudgeName(value);
    case FormKey::Street:
      // The house number alone behind the blank of a missing street: a value missing.
      if (written.front() == ' ' && value.size() <= 6 && StartsWithDigit(value)) {
        return FormVerdict::Neutral;
      }
      return JudgeStreet(value);
    case FormKey::JobTitle:
      return JudgeText(value);
    case FormKey::Place:
      return JudgePlace(written);
    case FormKey::Nationality:
      if (value == "000") return FormVerdict::Neutral;  // written by most readers as a fixed item
      return Verdict(value.size() <= 3 &&
                     (AllDigits(value) || std::all_of(value.begin(), value.end(), IsCapital)));
    case FormKey::BirthDate:
    case FormKey::EntryDate:
    case FormKey::SecondBeginDate:
      return JudgeDate(value);
    case FormKey::InsuranceNumber:
      return Verdict(IsInsuranceNumberForm(value));
    case FormKey::PersonGroup:
      return Verdict(value.size() == 3 && AllDigits(value));
    case FormKey::ActivityKey:
      return Verdict(DigitsWithBlanks(value, 1, 12));
    case FormKey::ContributionGroup:
      // Four digits, of which a reader that joins them from four columns may lack some.
      return Verdict(IsContributionGroup(value) || (value.size() <= 4 && AllDigits(value)));
    case FormKey::TaxClass:
      return Verdict(IsKnownTaxClass(value));
    case FormKey::ChildAllowances:
      return Verdict(SmallDecimal(value, 2));
    case FormKey::Factor:
      return Verdict(SmallDecimal(value, 1));
    case FormKey::WorkingTime:
      return Verdict(SmallDecimal(value, 3));
    case FormKey::Church:
      // "--" and a lone "/" of two empty codes name no confession.
      if (value.find_first_not_of("/-") == std::string_view::npos) return FormVerdict::Neutral;
      return Verdict(IsChurchCode(value));
    case FormKey::TaxId:
      return Verdict(DigitsWithBlanks(value, 11, 11));
    case FormKey::Iban:
      return Verdict(IsIbanForm(value));
    case FormKey::BankCode:
      return Verdict(AllDigits(value) && value.size() == 8);
    case FormKey::AccountNumber:
      return Verdict(AllDigits(value) && value.size() <= 13);
    case FormKey::Bic:
      return Verdict(IsBicForm(value));
  }
  return FormVerdict::Neutral;
}

std::string_view FormKeyName(FormKey key) {
  static constexpr std::string_view kNames[kFormKeyCount] = {
      "Personalnummer",
      "Kostenstelle",
      "Name",
      "Straße",
      "Ort",
      "Staatsangehörigkeit",
      "Geburtsdatum",
      "Eintrittsdatum",
      "zweites Eintrittsdatum",
      "Versicherungsnummer",
      "Berufsbezeichnung",
      "Personengruppe",
      "Tätigkeitsschlüssel",
      "Beitragsgruppe",
      "Steuerklasse",
      "Kinderfreibeträge",
      "Faktor",
      "Konfession",
      "Steuer-Identifikationsnummer",
      "Gemeindeschlüssel",
      "Wochenarbeitszeit",
      "IBAN",
      "Bankleitzahl",
      "Kontonummer",
      "BIC",
  };
  return kNames[static_cast<int>(key)];
}

void RecordFit::Judge(FormKey key, std::string_view value) {
  const FormVerdict verdict = JudgeValue(key, value);
  if (verdict == FormVerdict::Neutral) return;
  ++checked_;
  if (verdict == FormVerdict::Fits) return;
  ++misfits_;
  const auto k = static_cast<std::size_t>(key);
  if (misfitsByKey_[k]++ == 0) firstMisfit_[k] = std::string(value);
}

void RecordFit::Close() {
  if (!open_) return;
  open_ = false;
  ++records_;
  if (!RecordFits(checked_, misfits_)) ++misfitRecords_;
}

void RecordFit::Record(std::string_view record) {
  Close();
  if (++seen_ > kJudgedInFull && seen_ % kSampleEvery != 0) return;
  open_ = true;
  checked_ = misfits_ = 0;
  std::size_t at = 0;
  while (at < record.size()) {
    const std::size_t equals = record.find('=', at);
    if (equals == std::string_view::npos) break;
    std::size_t end = record.find(';', equals + 1);
    if (end == std::string_view::npos) end = record.size();
    const int key = FormKeyOf(record.substr(at, equals - at));
    if (key >= 0) Judge(static_cast<FormKey>(key), record.substr(equals + 1, end - equals - 1));
    at = end + 1;
  }
}

void RecordFit::Bank(const BankConnection& bank) {
  if (!open_) return;
  Judge(FormKey::Iban, bank.iban);
  Judge(FormKey::BankCode, bank.bankCode);
  Judge(FormKey::AccountNumber, bank.accountNumber);
  Judge(FormKey::Bic, bank.bic);
}

std::size_t RecordFit::MisfitRecords() const {
  return misfitRecords_ + (open_ && !RecordFits(checked_, misfits_) ? 1 : 0);
}

double RecordFit::FitShare() const {
  const std::size_t records = Records();
  if (records == 0) return 0;
  return static_cast<double>(records - MisfitRecords()) / static_cast<double>(records);
}

bool RecordFit::ExportFits() const {
  return MisfitRecords() * 4 <= Records();
}

std::vector<RecordFit::Example> RecordFit::Examples(std::size_t count,
                                                    const std::vector<FormKey>& besides) const {
  std::vector<std::size_t> keys(kFormKeyCount);
  std::iota(keys.begin(), keys.end(), 0);
  std::stable_sort(keys.begin(), keys.end(), [this](std::size_t a, std::size_t b) {
    return misfitsByKey_[a] > misfitsByKey_[b];
  });
  std::vector<Example> examples;
  for (const std::size_t k : keys) {
    if (examples.size() == count || misfitsByKey_[k] == 0) break;
    if (std::find(besides.begin(), besides.end(), static_cast<FormKey>(k)) != besides.end()) {
      continue;
    }
    examples.push_back({static_cast<FormKey>(k), firstMisfit_[k]});
  }
  return examples;
}

}  // namespace kd
