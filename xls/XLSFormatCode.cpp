#include "xls/XLSFormatCode.h"

#include <algorithm>
#include <charconv>

#include "platform/format_settings.h"
#include "xls/XLSPatternText.h"

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool IsDigitPlaceholder(char16_t c) { return c == u'0' || c == u'#' || c == u'?'; }

bool IsDateLetter(char16_t c) {
  c = Lower(c);
  return c == u'y' || c == u'm' || c == u'd' || c == u'h' || c == u's';
}

// The length of an AM/PM code at `i` ("am/pm" 5, "a/p" 3), 0 when none starts there.
size_t AmPmLength(std::u16string_view s, size_t i) {
  if (StartsWithWord(s, i, u"am/pm")) return 5;
  if (StartsWithWord(s, i, u"a/p")) return 3;
  return 0;
}

// The position past a quoted text that starts with the '"' at `i` (the end when it never closes).
size_t SkipQuoted(std::u16string_view s, size_t i) {
  const size_t close = s.find(u'"', i + 1);
  return close == std::u16string_view::npos ? s.size() : close + 1;
}

// The sections of a code: split at ';' outside quotes, brackets and escapes; at most four.
std::vector<std::u16string_view> SplitSections(std::u16string_view text) {
  std::vector<std::u16string_view> sections;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'"') {
      i = SkipQuoted(text, i);
    } else if (c == u'\\') {
      i += 2;
    } else if (c == u'[') {
      const size_t close = text.find(u']', i);
      i = close == std::u16string_view::npos ? i + 1 : close + 1;
    } else if (c == u';') {
      sections.push_back(text.substr(start, i - start));
      start = ++i;
      if (sections.size() == 4) return sections;
    } else {
      ++i;
    }
  }
  sections.push_back(text.substr(std::min(start, text.size())));
  return sections;
}

// What a section is made of, seen before its tokens are read.
struct TSectionSurvey {
  bool date_codes = false;    // y, m, d, h, s, AM/PM or an elapsed block
  bool placeholders = false;  // '0', '#' or '?' that are not decimals of the seconds
  bool general = false;       // the word General
  bool at = false;            // '@'
};

bool IsElapsedBlock(std::u16string_view b) {
  if (b.empty()) return false;
  const char16_t c = Lower(b[0]);
  if (c != u'h' && c != u'm' && c != u's') return false;
  return std::all_of(b.begin(), b.end(), [c](char16_t x) { return Lower(x) == c; });
}

TSectionSurvey Survey(std::u16string_view s) {
  TSectionSurvey r;
  char16_t last_letter = 0;  // the last date letter met
  bool second_decimals = false;  // after "s.": zeros are decimals of the seconds
  for (size_t i = 0; i < s.size();) {
    const char16_t c = s[i];
    if (c == u'"') {
      i = SkipQuoted(s, i);
      continue;
    }
    if (c == u'\\' || c == u'_' || c == u'*') {
      i += 2;
      continue;
    }
    if (c == u'[') {
      const size_t close = s.find(u']', i);
      if (close != std::u16string_view::npos) {
        if (IsElapsedBlock(s.substr(i + 1, close - i - 1))) {
          r.date_codes = true;
          last_letter = Lower(s[i + 1]);
        }
        i = close + 1;
        continue;
      }
    } else if (StartsWithWord(s, i, u"general")) {
      r.general = true;
      i += 7;
      continue;
    } else if (const size_t n = AmPmLength(s, i)) {
      r.date_codes = true;
      i += n;
      continue;
    } else if (IsDateLetter(c)) {
      r.date_codes = true;
      last_letter = Lower(c);
    } else if (c == u'.') {
      second_decimals = last_letter == u's';
    } else if (c == u'0' && second_decimals) {
    } else if (IsDigitPlaceholder(c)) {
      r.placeholders = true;
    } else if (c == u'@') {
      r.at = true;
    }
    if (c != u'.' && c != u'0') second_decimals = false;
    ++i;
  }
  return r;
}

int ColourOfName(std::u16string_view b) {
  static constexpr std::u16string_view kNames[] = {u"black", u"blue",    u"cyan",  u"green",
                                                   u"magenta", u"red", u"white", u"yellow"};
  for (size_t k = 0; k < std::size(kNames); ++k)
    if (b.size() == kNames[k].size() && StartsWithWord(b, 0, kNames[k])) return static_cast<int>(k) + 1;
  for (std::u16string_view prefix : {u"colour", u"color"}) {
    if (b.size() > prefix.size() && StartsWithWord(b, 0, prefix)) {
      int n = 0;
      for (size_t i = prefix.size(); i < b.size(); ++i) {
        if (b[i] < u'0' || b[i] > u'9') return 0;
        n = std::min(n * 10 + (b[i] - u'0'), 1000);
      }
      return 8 + n;
    }
  }
  return 0;
}

// A condition block's comparison and number; false when it is none.
bool ParseCondition(std::u16string_view b, TFormatCondition& out) {
  using Op = TFormatCondition::TOp;
  static constexpr struct {
    std::u16string_view text;
    Op op;
  } kOps[] = {{u"<=", Op::LessEqual}, {u">=", Op::GreaterEqual}, {u"<>", Op::NotEqual},
              {u"<", Op::Less},       {u">", Op::Greater},       {u"=", Op::Equal}};
  for (const auto& k : kOps) {
    if (!b.starts_with(k.text)) continue;
    std::string number;
    for (char16_t c : b.substr(k.text.size())) {
      if (c > 0x7F) return false;
      if (c != u' ') number += static_cast<char>(c);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return false;
    out.Op = k.op;
    out.Value = value;
    return true;
  }
  return false;
}

// Reads the tokens of one section whose kind is known.
class TSectionReader {
 public:
  TSectionReader(std::u16string_view text, TFormatSection& section, std::u16string_view currency_padding)
      : s_(text), section_(section), currency_padding_(currency_padding) {}

  void Read() {
    const bool number = section_.Kind == TSectionKind::Number;
    const bool date = section_.Kind == TSectionKind::Date;
    size_t i = 0;
    while (i < s_.size()) {
      const char16_t c = s_[i];
      if (c == u'"') {
        const size_t close = s_.find(u'"', i + 1);
        Literal(s_.substr(i + 1, close == std::u16string_view::npos ? close : close - i - 1));
        i = close == std::u16string_view::npos ? s_.size() : close + 1;
      } else if (c == u'\\') {
        if (i + 1 < s_.size()) Literal(s_.substr(i + 1, 1));
        i += 2;
      } else if (c == u'_') {
        i = Padding(i, date);
      } else if (c == u'-' && i + 1 < s_.size() && s_[i + 1] == u'*') {
        i += 2;  // a minus glued to a fill code goes with it
      } else if (c == u'*') {
        ++i;  // the fill character after it is written once, as a literal
      } else if (c == u'[' && s_.find(u']', i) != std::u16string_view::npos) {
        const size_t close = s_.find(u']', i);
        Block(s_.substr(i + 1, close - i - 1));
        i = close + 1;
      } else if (number) {
        i = NumberCode(i);
      } else if (date) {
        i = DateCode(i);
      } else {
        Literal(s_.substr(i, 1));
        ++i;
      }
    }
  }

 private:
  void Push(TFormatTokenKind kind, int count = 0) {
    TFormatToken t;
    t.Kind = kind;
    t.Count = count;
    section_.Tokens.push_back(std::move(t));
  }

  void Literal(std::u16string_view text) {
    if (text.empty()) return;
    auto& tokens = section_.Tokens;
    if (!tokens.empty() && tokens.back().Kind == TFormatTokenKind::Literal && tokens.back().Ch == 0) {
      tokens.back().Text += text;
    } else {
      Push(TFormatTokenKind::Literal);
      tokens.back().Text = text;
    }
  }

  // "_x": the currency padding ("_р_." for the symbol "р.") is one blank; in number sections
  // "_-", "_(" and "_)" are nothing and any other "_" three blanks, in date sections "_-" and any
  // other "_" one blank. Returns the position after what was read.
  size_t Padding(size_t i, bool date) {
    if (!date && !currency_padding_.empty() && s_.substr(i).starts_with(currency_padding_)) {
      Literal(u" ");
      return i + currency_padding_.size();
    }
    const char16_t next = i + 1 < s_.size() ? s_[i + 1] : 0;
    if (date) {
      Literal(u" ");
      return next == u'-' ? i + 2 : i + 1;
    }
    if (next == u'-' || next == u'(' || next == u')') return i + 2;
    Literal(u"   ");
    return i + 1;
  }

  void Block(std::u16string_view b) {
    if (b.starts_with(u'$')) {
      const size_t dash = b.find(u'-');
      Literal(b.substr(1, dash == std::u16string_view::npos ? std::u16string_view::npos : dash - 1));
      if (dash == std::u16string_view::npos) return;
      const std::u16string_view code = b.substr(dash + 1);
      if (StartsWithWord(code, 0, u"f800") && code.size() == 4) section_.Regional = TRegionalPattern::LongDate;
      if (StartsWithWord(code, 0, u"x-sysdate")) section_.Regional = TRegionalPattern::LongDate;
      if (StartsWithWord(code, 0, u"f400") && code.size() == 4) section_.Regional = TRegionalPattern::LongTime;
      if (StartsWithWord(code, 0, u"x-systime")) section_.Regional = TRegionalPattern::LongTime;
    } else if (ParseCondition(b, section_.Condition)) {
    } else if (IsElapsedBlock(b)) {
      if (section_.Kind != TSectionKind::Date) return;
      const char16_t unit = Lower(b[0]);
      Push(unit == u'h' ? TFormatTokenKind::ElapsedHours
                        : unit == u'm' ? TFormatTokenKind::ElapsedMinutes : TFormatTokenKind::ElapsedSeconds,
           static_cast<int>(b.size()));
    } else if (const int colour = ColourOfName(b)) {
      section_.Colour = colour;
    }  // other blocks (calendars, numeral systems) change nothing here
  }

  size_t NumberCode(size_t i) {
    const char16_t c = s_[i];
    if (IsDigitPlaceholder(c)) {
      Push(TFormatTokenKind::Digit);
      section_.Tokens.back().Ch = c;
      return i + 1;
    }
    if (c == u'.') {
      if (!point_) Push(TFormatTokenKind::Point);
      point_ = true;
      return i + 1;
    }
    if (c == u',') {
      Push(TFormatTokenKind::Literal);  // a comma marker, resolved when the section is read
      section_.Tokens.back().Ch = u',';
      return i + 1;
    }
    if (c == u'%') {
      ++section_.Percent;
      Literal(u"%");
      return i + 1;
    }
    if ((c == u'E' || c == u'e') && i + 1 < s_.size() && (s_[i + 1] == u'+' || s_[i + 1] == u'-')) {
      Push(TFormatTokenKind::Exponent);
      TFormatToken& t = section_.Tokens.back();
      t.Ch = c;
      t.Sign = s_[i + 1];
      size_t k = i + 2;
      for (; k < s_.size() && IsDigitPlaceholder(s_[k]); ++k)
        if (s_[k] == u'0') ++t.Count;
      return k;
    }
    if (c == u'/') return Slash(i);
    if (StartsWithWord(s_, i, u"general")) {
      Push(TFormatTokenKind::General);
      section_.HasGeneral = true;
      return i + 7;
    }
    Literal(s_.substr(i, 1));
    return i + 1;
  }

  // A '/' after a digit placeholder is a fraction bar; its denominator is placeholders or a
  // number. One without either cannot be shown.
  size_t Slash(size_t i) {
    const auto& tokens = section_.Tokens;
    if (tokens.empty() || tokens.back().Kind != TFormatTokenKind::Digit) {
      Literal(u"/");
      return i + 1;
    }
    Push(TFormatTokenKind::Slash);
    size_t k = i + 1;
    if (k < s_.size() && s_[k] >= u'1' && s_[k] <= u'9') {
      long long d = 0;
      for (; k < s_.size() && s_[k] >= u'0' && s_[k] <= u'9'; ++k) d = std::min(d * 10 + (s_[k] - u'0'), 1000000LL);
      Push(TFormatTokenKind::Denominator, static_cast<int>(d));
    } else if (k >= s_.size() || !IsDigitPlaceholder(s_[k])) {
      section_.Invalid = true;
    }
    return k;
  }

  size_t DateCode(size_t i) {
    const char16_t c = s_[i];
    if (const size_t n = AmPmLength(s_, i)) {
      Push(TFormatTokenKind::AmPm);
      section_.Tokens.back().Text = s_.substr(i, n);
      section_.TwelveHour = true;
      return i + n;
    }
    const char16_t letter = Lower(c);
    if (IsDateLetter(c) || letter == u'g') {
      size_t run = i + 1;
      while (run < s_.size() && Lower(s_[run]) == letter) ++run;
      const int count = static_cast<int>(run - i);
      switch (letter) {
        case u'y': Push(TFormatTokenKind::Year, count); break;
        case u'm': Push(TFormatTokenKind::Month, count); break;
        case u'd': Push(TFormatTokenKind::Day, count); break;
        case u'h': Push(TFormatTokenKind::Hour, count); break;
        case u's': Push(TFormatTokenKind::Second, count); break;
        default: Push(TFormatTokenKind::EraName, count); break;
      }
      return run;
    }
    if (letter == u'e') {
      Push(TFormatTokenKind::EraYear);
      return i + 1;
    }
    if (c == u'.' && i + 1 < s_.size() && s_[i + 1] == u'0' && AfterSeconds()) {
      size_t k = i + 1;
      while (k < s_.size() && s_[k] == u'0') ++k;
      const int digits = std::min(static_cast<int>(k - i - 1), 3);
      Push(TFormatTokenKind::SubSecond, digits);
      section_.SubSecondDigits = std::max(section_.SubSecondDigits, digits);
      return k;
    }
    if (c == u'/') {
      Push(TFormatTokenKind::DateMark);
    } else if (c == u':') {
      Push(TFormatTokenKind::TimeMark);
    } else {
      Literal(s_.substr(i, 1));
    }
    return i + 1;
  }

  // Whether the last date code read is a seconds code.
  bool AfterSeconds() const {
    for (auto t = section_.Tokens.rbegin(); t != section_.Tokens.rend(); ++t) {
      if (t->Kind == TFormatTokenKind::Literal || t->Kind == TFormatTokenKind::TimeMark ||
          t->Kind == TFormatTokenKind::DateMark)
        continue;
      return t->Kind == TFormatTokenKind::Second || t->Kind == TFormatTokenKind::ElapsedSeconds;
    }
    return false;
  }

  std::u16string_view s_;               // the section's text
  TFormatSection& section_;             // filled
  std::u16string_view currency_padding_;  // "_р_." for the symbol "р."; empty for none
  bool point_ = false;                  // the decimal point has been read
};

bool IsCommaMarker(const TFormatToken& t) { return t.Kind == TFormatTokenKind::Literal && t.Ch == u','; }

// Number sections: commas become grouping or scaling, digits get their roles, unpaired
// parentheses are dropped.
void ResolveNumber(TFormatSection& s) {
  auto& tokens = s.Tokens;
  std::vector<TFormatToken> kept;
  for (size_t j = 0; j < tokens.size();) {
    if (!IsCommaMarker(tokens[j])) {
      kept.push_back(std::move(tokens[j++]));
      continue;
    }
    size_t k = j;
    while (k < tokens.size() && IsCommaMarker(tokens[k])) ++k;
    const bool digit_before = !kept.empty() && kept.back().Kind == TFormatTokenKind::Digit;
    const bool digit_after = k < tokens.size() && tokens[k].Kind == TFormatTokenKind::Digit;
    if (digit_before && !digit_after) s.Scale += static_cast<int>(k - j);
    else s.Grouping = true;
    j = k;
  }
  tokens = std::move(kept);

  bool open = false, close = false;
  for (const TFormatToken& t : tokens) {
    if (t.Kind != TFormatTokenKind::Literal) continue;
    open = open || t.Text.find(u'(') != std::u16string::npos;
    close = close || t.Text.find(u')') != std::u16string::npos;
  }
  if (open != close) {
    const char16_t lone = open ? u'(' : u')';
    for (TFormatToken& t : tokens)
      if (t.Kind == TFormatTokenKind::Literal) std::erase(t.Text, lone);
  }

  // Roles: integer digits, then decimals after the point; a fraction's numerator is the run of
  // placeholders right before its bar, its denominator the run right after it.
  const auto slash = std::find_if(tokens.begin(), tokens.end(),
                                  [](const TFormatToken& t) { return t.Kind == TFormatTokenKind::Slash; });
  if (slash != tokens.end()) {
    s.Fraction = true;
    for (auto t = slash; t != tokens.begin() && (t - 1)->Kind == TFormatTokenKind::Digit; --t)
      (t - 1)->Role = TDigitRole::Numerator;
    for (auto t = slash + 1; t != tokens.end() && t->Kind == TFormatTokenKind::Digit; ++t)
      t->Role = TDigitRole::Denominator;
    if (slash + 1 != tokens.end() && (slash + 1)->Kind == TFormatTokenKind::Denominator)
      s.FixedDenominator = (slash + 1)->Count;
  }
  bool after_point = false, after_slash = false;
  for (TFormatToken& t : tokens) {
    switch (t.Kind) {
      case TFormatTokenKind::Point: after_point = true; break;
      case TFormatTokenKind::Exponent: s.Scientific = true; break;
      case TFormatTokenKind::Slash: after_slash = true; break;
      case TFormatTokenKind::Digit:
        s.HasDigits = true;
        if (t.Role == TDigitRole::Numerator) {
          ++s.NumeratorDigits;
        } else if (t.Role == TDigitRole::Denominator) {
          ++s.DenominatorDigits;
        } else if (after_slash) {
          s.Invalid = true;  // digits after a fraction's denominator
        } else if (after_point) {
          t.Role = TDigitRole::Decimal;
          ++s.DecimalDigits;
        } else {
          ++s.IntegerDigits;
        }
        break;
      default: break;
    }
  }
  if (s.Fraction && (s.Scientific || after_point || s.HasGeneral)) s.Invalid = true;
  if (s.Fraction && s.FixedDenominator == 0 && s.DenominatorDigits == 0) s.Invalid = true;
}

bool IsPlainPlace(const TFormatToken& t, TDigitRole role) {
  return t.Kind == TFormatTokenKind::Digit && t.Role == role && (t.Ch == u'0' || t.Ch == u'#');
}

// Sets the layout of a resolved number section that is plain decimal: literals around one run
// of integer places (at least one), then the point and its decimal places if any.
void ResolvePlain(TFormatSection& s) {
  if (s.Invalid || s.Fraction || s.Scientific || s.HasGeneral || s.IntegerDigits == 0) return;
  const auto& tokens = s.Tokens;
  const int n = static_cast<int>(tokens.size());
  TPlainLayout plain;
  int i = 0;
  while (i < n && tokens[i].Kind == TFormatTokenKind::Literal) ++i;
  plain.NumberFrom = i;
  for (int k = 0; i < n && IsPlainPlace(tokens[i], TDigitRole::Integer); ++i, ++k)
    if (tokens[i].Ch == u'0' && plain.IntegerZeros == 0) plain.IntegerZeros = s.IntegerDigits - k;
  if (i - plain.NumberFrom != s.IntegerDigits) return;
  if (i < n && tokens[i].Kind == TFormatTokenKind::Point) {
    plain.Point = true;
    int k = 0;
    for (++i; i < n && IsPlainPlace(tokens[i], TDigitRole::Decimal); ++i, ++k)
      if (tokens[i].Ch == u'0') plain.DecimalZeros = k + 1;
    if (k != s.DecimalDigits) return;
  }
  plain.NumberTo = i;
  for (; i < n; ++i)
    if (tokens[i].Kind != TFormatTokenKind::Literal) return;
  s.Plain = plain;
}

bool IsDateCode(TFormatTokenKind k) {
  return k != TFormatTokenKind::Literal && k != TFormatTokenKind::DateMark && k != TFormatTokenKind::TimeMark;
}

// Date sections: "m" and "mm" right after an hour code or right before a seconds code are
// minutes.
void ResolveDate(TFormatSection& s) {
  auto& tokens = s.Tokens;
  for (size_t j = 0; j < tokens.size(); ++j) {
    if (tokens[j].Kind != TFormatTokenKind::Month || tokens[j].Count > 2) continue;
    bool minutes = false;
    for (size_t k = j; k-- > 0;) {
      if (!IsDateCode(tokens[k].Kind)) continue;
      minutes = tokens[k].Kind == TFormatTokenKind::Hour || tokens[k].Kind == TFormatTokenKind::ElapsedHours;
      break;
    }
    for (size_t k = j + 1; !minutes && k < tokens.size(); ++k) {
      if (!IsDateCode(tokens[k].Kind)) continue;
      minutes = tokens[k].Kind == TFormatTokenKind::Second || tokens[k].Kind == TFormatTokenKind::ElapsedSeconds;
      break;
    }
    if (minutes) tokens[j].Kind = TFormatTokenKind::Minute;
  }
}

TFormatSection ParseSection(std::u16string_view text, std::u16string_view currency_padding) {
  TFormatSection section;
  const TSectionSurvey survey = Survey(text);
  if (survey.general) section.Kind = TSectionKind::Number;
  else if (survey.date_codes && !survey.placeholders) section.Kind = TSectionKind::Date;
  else if (survey.placeholders) section.Kind = TSectionKind::Number;
  else if (survey.at) section.Kind = TSectionKind::Text;
  else section.Kind = TSectionKind::Number;  // literal text only (or nothing)
  TSectionReader(text, section, currency_padding).Read();
  if (section.Regional != TRegionalPattern::None) section.Kind = TSectionKind::Date;
  if (section.Kind == TSectionKind::Number) {
    ResolveNumber(section);
    ResolvePlain(section);
  }
  if (section.Kind == TSectionKind::Date) ResolveDate(section);
  if (section.Tokens.empty() && section.Kind != TSectionKind::Date) section.Kind = TSectionKind::Empty;
  return section;
}

bool ContainsAny(std::u16string_view s, std::u16string_view chars) {
  return s.find_first_of(chars) != std::u16string_view::npos;
}

}  // namespace

bool TFormatCondition::Holds(double x) const {
  switch (Op) {
    case Less: return x < Value;
    case LessEqual: return x <= Value;
    case Greater: return x > Value;
    case GreaterEqual: return x >= Value;
    case Equal: return x == Value;
    case NotEqual: return x != Value;
    default: return true;
  }
}

bool TFormatCondition::OnlyNegatives() const {
  return (Op == Less && Value <= 0) || (Op == LessEqual && Value < 0) || (Op == Equal && Value < 0);
}

TFormatCode TFormatCode::Parse(std::u16string_view AText) {
  TFormatCode code;
  code.FCurrencySymbol = FormatSettings.CurrencySymbol;
  std::u16string padding;
  for (char16_t c : code.FCurrencySymbol) {
    padding += u'_';
    padding += c;
  }
  if (AText.empty()) return code;
  for (std::u16string_view text : SplitSections(AText)) code.FSections.push_back(ParseSection(text, padding));

  const TFormatSection& first = code.FSections.front();
  const auto& tokens = first.Tokens;
  if (first.Kind == TSectionKind::Number && tokens.size() == 1 && tokens[0].Kind == TFormatTokenKind::General)
    code.FClass = TFormatClass::General;
  else if (first.Kind == TSectionKind::Text && code.FSections.size() == 1)
    code.FClass = TFormatClass::Text;
  else if (first.Kind == TSectionKind::Date)
    code.FClass = TFormatClass::Date;
  else
    code.FClass = ContainsAny(AText, u",.") ? TFormatClass::Double : TFormatClass::Integer;
  return code;
}

bool TFormatCode::Current() const {
  // Asked for every cell: a plain loop over the few characters of the symbols.
  const std::u16string& now = FormatSettings.CurrencySymbol;
  if (FCurrencySymbol.size() != now.size()) return false;
  for (size_t i = 0; i < now.size(); ++i)
    if (FCurrencySymbol[i] != now[i]) return false;
  return true;
}

TFormatCodePtr ParseFormatCode(std::u16string_view AText) {
  return std::make_shared<const TFormatCode>(TFormatCode::Parse(AText));
}
