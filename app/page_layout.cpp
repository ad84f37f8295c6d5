#include "app/page_layout.h"

namespace {

const QColor kInk(40, 40, 40);
const QColor kGrey(165, 165, 165);
const QColor kRed(200, 30, 30);
constexpr int kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int kCentre = Qt::AlignCenter;

TPageText Text(QRect bounds, const char* text, int size, bool bold = false, QColor color = kInk,
               int alignment = kLeft) {
  return {bounds, QString::fromUtf8(text), size, bold, color, alignment};
}

// A list's selection page (question active) or its preview page (preview question active).
TPageLayout PricePage(int step, const char* question, const char* preview, bool previewing) {
  TPageLayout layout{step, false, {}, {}, {}, TPageDecoration::None};
  layout.Texts.push_back(
      Text({214, 64, 412, 56}, question, 15, true, previewing ? kGrey : kInk));
  layout.Texts.push_back(Text({207, 131, 38, 28}, "Файл:", 13, false, previewing ? kGrey : kInk));
  layout.Texts.push_back(Text({214, 170, 412, 30}, preview, 14, true, previewing ? kInk : kGrey));
  layout.Fields.push_back({246, 131, 252, 28});
  return layout;
}

TPageLayout QuestionPage(int step, const char* question) {
  return {step, false, {Text({222, 96, 396, 170}, question, 19, true, kInk, kCentre)}, {}, {},
          TPageDecoration::None};
}

TPageLayout ErrorPage(const char* message) {
  return {-1,
          true,
          {Text({214, 74, 412, 34}, "Ошибка!", 22, true, kRed, kCentre),
           Text({226, 120, 388, 150}, message, 16, false, kInk, kCentre)},
          {},
          {},
          TPageDecoration::None};
}

}  // namespace

const std::vector<QString>& BreadcrumbSteps() {
  static const std::vector<QString> steps = {
      QStringLiteral("Приветствие"), QStringLiteral("Прайс"), QStringLiteral("Акции, скидки"),
      QStringLiteral("Неликвиды"), QStringLiteral("Отправка")};
  return steps;
}

TPageLayout PageLayout(int page_index) {
  const char* const kPreview1 = "Хотите посмотреть, как прайс-лист будет выглядеть в Интернете?";
  const char* const kPreview = "Хотите посмотреть, как эта информация будет выглядеть в Интернете?";
  const char* const kQuestion1 =
      "Укажите, где находится файл с прайс-листом ваших товаров (перечнем товаров).";
  const char* const kQuestion2 =
      "Укажите, где находится файл с информацией об акциях, скидках и распродажах.";
  const char* const kQuestion3 = "Укажите, где находится файл с информацией о неликвидных товарах.";
  switch (page_index) {
    case 0:
      return {0,
              false,
              {Text({214, 62, 412, 26}, "Здравствуйте!", 18, true),
               Text({214, 90, 412, 222},
                    "Я — помощник каталога товаров и справочника предприятий, который связывает "
                    "производителей, поставщиков и потребителей. Я помогу разместить ваши "
                    "прайс-листы в Интернете.\n"
                    "Подготовьте, пожалуйста, три файла:\n"
                    "1. Информацию о ваших товарах (продукции).\n"
                    "2. Товары, на которые действуют акции и скидки.\n"
                    "3. Список неликвидных, б/у и бракованных товаров.\n"
                    "Файлы должны быть в формате Microsoft Excel.",
                    14, false, kInk, Qt::AlignLeft | Qt::AlignTop)},
              {},
              {},
              TPageDecoration::None};
    case 1: return PricePage(1, kQuestion1, kPreview1, false);
    case 2: return PricePage(1, kQuestion1, kPreview1, true);
    case 3:
      return QuestionPage(2, "Планируете ли вы публиковать информацию об акциях, скидках и "
                             "распродажах?");
    case 4: return PricePage(2, kQuestion2, kPreview, false);
    case 5: return PricePage(2, kQuestion2, kPreview, true);
    case 6:
      return QuestionPage(3, "Хотите избавиться от неликвидных товаров, устаревшего "
                             "оборудования или бракованной продукции?");
    case 7: return PricePage(3, kQuestion3, kPreview, false);
    case 8: return PricePage(3, kQuestion3, kPreview, true);
    case 9:
      return {4,
              false,
              {Text({214, 70, 412, 64}, "Всё готово к отправке информации на сайт!", 19, true,
                    kInk, kCentre)},
              {},
              {{304, 185, 241, 79}},
              TPageDecoration::None};
    case 10:
      return ErrorPage("Документы не удалось отправить. Возможно, отсутствует подключение к "
                       "Интернету. Проверьте подключение и попробуйте ещё раз.");
    case 11:
      return ErrorPage("Файлы слишком большие. Уменьшите, пожалуйста, объём публикуемой "
                       "информации.");
    case 12:
      return {4,
              false,
              {Text({214, 62, 412, 44}, "Введите ваш логин на сайте сервиса и пароль.", 15, true,
                    kInk, kCentre),
               Text({290, 113, 84, 26}, "Логин:", 14, true, kInk, Qt::AlignRight | Qt::AlignVCenter),
               Text({290, 145, 84, 26}, "Пароль:", 14, true, kInk, Qt::AlignRight | Qt::AlignVCenter),
               Text({214, 176, 412, 40},
                    "Ещё не зарегистрированы или забыли пароль? Первая ссылка — восстановление "
                    "пароля, вторая — регистрация:",
                    13)},
              {{377, 113, 213, 26}, {377, 145, 213, 26}},
              {},
              TPageDecoration::None};
    case 13:
      return {4,
              false,
              {Text({214, 66, 412, 60}, "Информация размещена в Интернете!", 20, true, kInk,
                    kCentre)},
              {},
              {},
              TPageDecoration::Success};
    default:
      return {-1,
              true,
              {Text({214, 96, 412, 40}, "Ошибка!", 22, true, kRed, kCentre)},
              {},
              {},
              TPageDecoration::None};
  }
}
