#pragma once
// A number format code parsed once into what a cell text is rendered from: up to four sections
// (positive; negative; zero; text), each with its condition, colour, locale tag and tokens, and
// the layout of its number or date. Parsing never fails: what cannot be shown marks the section
// invalid, and such a section shows the general rendering.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/XLSFormatClass.h"

enum class TFormatTokenKind : std::uint8_t {
  Literal,         // Text written as it is
  Digit,           // a digit placeholder Ch ('0', '#' or '?') in the part Role names
  Point,           // the decimal point
  Exponent,        // "E+" / "E-": Ch the letter as written, Sign '+' or '-', Count minimum digits
  Slash,           // the bar between numerator and denominator
  Denominator,     // a fixed denominator, Count
  General,         // the general rendering of the number
  Year,            // Count letters
  Month,           // month number (Count 1, 2) or name (3 short, 4 long, 5 initial, 6+ long)
  Minute,          // Count 1 or 2
  Day,             // day number (Count 1, 2) or weekday name (3 short, 4+ long)
  Hour,            // Count 1 or 2+
  Second,          // Count 1 or 2+
  SubSecond,       // the decimal mark and Count decimals of the second
  ElapsedHours,    // "[h]": whole hours of the serial, at least Count digits
  ElapsedMinutes,  // "[m]"
  ElapsedSeconds,  // "[s]"
  AmPm,            // "AM/PM" or "A/P" with Text as written
  EraYear,         // 'e'
  EraName,         // 'g'
  DateMark,        // '/' of a date section
  TimeMark,        // ':' of a date section
};

// Which part of a number a digit placeholder belongs to.
enum class TDigitRole : std::uint8_t { Integer, Decimal, Exponent, Numerator, Denominator };

struct TFormatToken {
  TFormatTokenKind Kind = TFormatTokenKind::Literal;  // what the token writes
  TDigitRole Role = TDigitRole::Integer;  // of a Digit
  char16_t Ch = 0;                        // placeholder character, exponent letter
  char16_t Sign = 0;                      // exponent sign as written
  int Count = 0;                          // letters of a date code, digits, denominator
  std::u16string Text;                    // of a Literal or AmPm
};

// A condition block such as "[>=1000]"; None when the section has none.
struct TFormatCondition {
  enum TOp : std::uint8_t { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
  TOp Op = None;     // comparison
  double Value = 0;  // right-hand side
  bool Holds(double x) const;
  // True when only negative numbers meet it ("[<0]", "[<=-5]", "[=-1]").
  bool OnlyNegatives() const;
};

enum class TSectionKind : std::uint8_t {
  Empty,   // nothing at all: shows an empty text
  Number,  // digits, a fraction, an exponent, General, or only literal text
  Date,    // date and time codes
  Text,    // '@' and literals: the text section
};

// A regional pattern a locale tag stands for: "[$-F800]" the long date, "[$-F400]" the long
// time; the rest of such a section is not shown.
enum class TRegionalPattern : std::uint8_t { None, LongDate, LongTime };

// Where the number sits in a plain decimal section: literals, one run of '0'/'#' integer
// places, the point and '0'/'#' decimal places if any, literals. Such a section is written
// straight from the rounded digits.
struct TPlainLayout {
  int NumberFrom = 0;     // the first token of the number; the tokens before it are literals
  int NumberTo = 0;       // the token after the number; it and the tokens after it are literals
  bool Point = false;     // the section has a decimal point
  int IntegerZeros = 0;   // integer places from the first '0' on: integer digits shown at least
  int DecimalZeros = 0;   // decimal places up to the last '0': decimals shown at least
};

struct TFormatSection {
  TSectionKind Kind = TSectionKind::Empty;                // what the section writes
  TFormatCondition Condition;                             // "[>=1000]", "[<0]", ...
  int Colour = 0;                                         // 1 to 8 named, 9+ "[ColorN]" + 8; 0 none
  TRegionalPattern Regional = TRegionalPattern::None;     // a system date or time tag
  std::vector<TFormatToken> Tokens;                       // in writing order
  bool Invalid = false;                                   // cannot be shown: general rendering
  // Number sections.
  bool HasGeneral = false;          // a General token
  bool HasDigits = false;           // any digit placeholder
  bool Grouping = false;            // group mark between thousands
  int Percent = 0;                  // '%' signs: the number is multiplied by 100 for each
  int Scale = 0;                    // trailing commas: divided by 1000 for each
  int IntegerDigits = 0;            // placeholders of the integer (or the mantissa, whole part)
  int DecimalDigits = 0;            // placeholders after the point
  bool Scientific = false;          // an exponent
  bool Fraction = false;            // numerator / denominator
  int NumeratorDigits = 0;          // placeholders of the numerator
  int DenominatorDigits = 0;        // placeholders of the denominator (0 when fixed)
  int FixedDenominator = 0;         // the fixed denominator, 0 when searched
  std::optional<TPlainLayout> Plain;  // set for a plain decimal section, as it is laid out
  // Date sections.
  int SubSecondDigits = 0;          // decimals shown after the seconds
  bool TwelveHour = false;          // an AM/PM code makes hours 1 to 12
};

class TFormatCode {
 public:
  // Parses `AText`; the currency symbol of FormatSettings decides what its padding ("_р_.")
  // stands for, so the code remembers the symbol it was parsed under.
  static TFormatCode Parse(std::u16string_view AText);

  // The sections as written, at most four; none for an empty text.
  const std::vector<TFormatSection>& Sections() const { return FSections; }
  // The class the reader and the cell text use: General for an empty text or one whose first
  // section is General alone, Text for "@" alone, Date when the first section shows dates,
  // else Double when the text has a ',' or '.' and Integer otherwise.
  TFormatClass Class() const { return FClass; }
  // Whether the code was parsed under the currency symbol that FormatSettings holds now.
  bool Current() const;

 private:
  std::vector<TFormatSection> FSections;  // parsed sections
  TFormatClass FClass = TFormatClass::General;  // class of the whole code
  std::u16string FCurrencySymbol;               // the symbol its padding was parsed under
};

// A parsed code shared by the table entry that keeps it and the renderings that read it.
using TFormatCodePtr = std::shared_ptr<const TFormatCode>;
TFormatCodePtr ParseFormatCode(std::u16string_view AText);
