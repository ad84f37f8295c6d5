#pragma once
// The process-wide regional values that decide every cell text: number marks, currency layout,
// date and time patterns and the month and day names. Set once at start (the Russian values
// below unless changed), then only read; tests may set any field.

#include <array>
#include <string>

struct TFormatSettings {
  char16_t DecimalMark;              // decimal separator of both number engines
  char16_t GroupMark;                // thousands separator; 0 for none
  char16_t DateMark;                 // written for '/' in date-time patterns; 0 for none
  char16_t TimeMark;                 // written for ':' in date-time patterns; 0 for none
  std::u16string CurrencySymbol;     // written by the currency formats
  int CurrencyPlacement;             // 0 to 3: layout of positive currency amounts
  int NegativeCurrencyPattern;       // 0 to 15: layout of negative currency amounts
  int CurrencyDigits;                // decimals of the currency formats
  std::u16string ShortDatePattern;   // date-time pattern of the short date
  std::u16string LongDatePattern;    // date-time pattern of the long date
  std::u16string ShortTimePattern;   // date-time pattern of the short time
  std::u16string LongTimePattern;    // date-time pattern of the long time
  std::u16string AmText;             // the "ampm" code before noon
  std::u16string PmText;             // the "ampm" code from noon on
  std::array<std::u16string, 12> MonthNamesShort;  // January first
  std::array<std::u16string, 12> MonthNamesLong;   // January first
  std::array<std::u16string, 12> MonthNamesGenitive;  // January first: a full name right after a day number
  std::array<std::u16string, 7> DayNamesShort;     // Sunday first
  std::array<std::u16string, 7> DayNamesLong;      // Sunday first
  std::u16string EraName;            // the "g" code: era of the Gregorian calendar
  char16_t ListSeparator;            // separator of list items
};

// The values Windows reports for the ru-RU locale: decimal mark ',', group mark U+00A0, date
// mark '.', time mark ':', "р." after the amount with a blank (placement 3, negative pattern 8),
// 2 currency digits, "dd.mm.yyyy", "d MMMM yyyy 'г.'", "h:mm", "h:mm:ss", no AM and PM texts,
// list separator ';'; month names in the nominative ("Март") and the genitive ("марта").
TFormatSettings RussianFormatSettings();

// The settings every formatting call reads.
extern TFormatSettings FormatSettings;
