#include "platform/format_settings.h"

TFormatSettings RussianFormatSettings() {
  TFormatSettings s;
  s.DecimalMark = u',';
  s.GroupMark = u'\u00A0';
  s.DateMark = u'.';
  s.TimeMark = u':';
  s.CurrencySymbol = u"р.";
  s.CurrencyPlacement = 3;
  s.NegativeCurrencyPattern = 8;
  s.CurrencyDigits = 2;
  s.ShortDatePattern = u"dd.mm.yyyy";
  s.LongDatePattern = u"d MMMM yyyy 'г.'";
  s.ShortTimePattern = u"h:mm";
  s.LongTimePattern = u"h:mm:ss";
  s.AmText = u"";
  s.PmText = u"";
  s.MonthNamesShort = {u"янв", u"фев", u"мар", u"апр", u"май", u"июн",
                       u"июл", u"авг", u"сен", u"окт", u"ноя", u"дек"};
  s.MonthNamesLong = {u"Январь", u"Февраль", u"Март",     u"Апрель",  u"Май",    u"Июнь",
                      u"Июль",   u"Август",  u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};
  s.MonthNamesGenitive = {u"января", u"февраля", u"марта",    u"апреля",  u"мая",    u"июня",
                          u"июля",   u"августа", u"сентября", u"октября", u"ноября", u"декабря"};
  s.DayNamesShort = {u"Вс", u"Пн", u"Вт", u"Ср", u"Чт", u"Пт", u"Сб"};
  s.DayNamesLong = {u"воскресенье", u"понедельник", u"вторник", u"среда",
                    u"четверг",     u"пятница",     u"суббота"};
  s.EraName = u"н.э.";
  s.ListSeparator = u';';
  return s;
}

TFormatSettings FormatSettings = RussianFormatSettings();
