#include "xls/XLSFormatClass.h"

#include <algorithm>

#include "platform/format_settings.h"
#include "xls/XLSFormatCode.h"
#include "xls/XLSFormatStr.h"

namespace {

// The negative patterns that put negative amounts in parentheses.
bool ParenthesisPattern(int pattern) {
  return pattern == 0 || pattern == 4 || pattern == 14 || pattern == 15;
}

int NegativePattern() {
  const int p = FormatSettings.NegativeCurrencyPattern;
  return p >= 0 && p <= 15 ? p : 0;
}

// "#,##0", with the point and the currency digits when `decimals`.
std::u16string LocaleNumber(bool decimals) {
  std::u16string n = u"#,##0";
  if (decimals) {
    n += u'.';
    n.append(static_cast<size_t>(std::max(FormatSettings.CurrencyDigits, 0)), u'0');
  }
  return n;
}

}  // namespace

TFormatClass ClassifyFormat(std::u16string_view f) { return TFormatCode::Parse(f).Class(); }

TFormatClass ClassifyIfmt(int ifmt) {
  if (ifmt == 0) return TFormatClass::General;
  if ((ifmt >= 1 && ifmt <= 13) || (ifmt >= 37 && ifmt <= 44) || ifmt == 48)
    return TFormatClass::Double;
  if ((ifmt >= 14 && ifmt <= 22) || (ifmt >= 45 && ifmt <= 47)) return TFormatClass::Date;
  if (ifmt == 49) return TFormatClass::Text;
  return TFormatClass::None;
}

std::u16string DefaultFormatForIfmt(int ifmt) {
  const TFormatSettings& fs = FormatSettings;
  if (ifmt == 14) return fs.ShortDatePattern;
  if (ifmt == 22) return fs.ShortDatePattern + u' ' + fs.ShortTimePattern;
  if ((ifmt >= 5 && ifmt <= 8) || (ifmt >= 41 && ifmt <= 44)) return LocaleCurrencyFormat(ifmt);
  if (ifmt >= 37 && ifmt <= 40) return LocaleNumberFormat(ifmt);
  if ((ifmt >= 0 && ifmt <= 4) || (ifmt >= 9 && ifmt <= 21) || (ifmt >= 45 && ifmt <= 49)) {
    std::u16string f(BuiltInFormatString(ifmt));
    if (ifmt >= 15 && ifmt <= 17) {
      std::u16string marked;
      for (char16_t c : f) {
        if (c != u'-') {
          marked += c;
        } else if (fs.DateMark != 0) {
          marked += fs.DateMark;
        }
      }
      f = marked;
    }
    return f;
  }
  return {};
}

std::u16string LocaleNumberFormat(int ifmt) {
  const std::u16string n = LocaleNumber(ifmt == 39 || ifmt == 40);
  if (ParenthesisPattern(NegativePattern())) return u"(" + n + u"_);(" + n + u")";
  return n + u"_;" + n;
}

std::u16string LocaleCurrencyFormat(int ifmt) {
  const std::u16string c = u"\"" + FormatSettings.CurrencySymbol + u"\"";
  const std::u16string n = LocaleNumber(ifmt != 5 && ifmt != 6 && ifmt != 41 && ifmt != 42);
  const int pattern = NegativePattern();
  std::u16string p;
  switch (FormatSettings.CurrencyPlacement) {
    case 1: p = n + c + u"_"; break;
    case 2: p = c + u" " + n + u"_"; break;
    case 3: p = n + u" " + c + u"_"; break;
    default: p = c + n + u"_"; break;
  }
  if (ParenthesisPattern(pattern) && ifmt >= 41 && ifmt <= 44) p = u"_(" + p + u")";
  std::u16string m;
  switch (pattern) {
    case 0: m = u"(" + c + n + u")"; break;
    case 1: m = u"-" + c + n; break;
    case 2: m = c + u"-" + n; break;
    case 3: m = c + n + u"-"; break;
    case 4: m = u"(" + n + c + u")"; break;
    case 5: m = u"-" + n + c; break;
    case 6: m = n + u"-" + c; break;
    case 7: m = n + c + u"-"; break;
    case 8: m = u"-" + n + u" " + c; break;
    case 9: m = u"-" + c + u" " + n; break;
    case 10: m = n + u" " + c + u"-"; break;
    case 11: m = c + u" " + n + u"-"; break;
    case 12: m = c + u" -" + n; break;
    case 13: m = n + u"- " + c; break;
    case 14: m = u"(" + c + u" " + n + u")"; break;
    case 15: m = u"(" + n + u" " + c + u")"; break;
  }
  if (ParenthesisPattern(pattern)) m = u"(" + m + u")";
  return p + u";" + m;
}
