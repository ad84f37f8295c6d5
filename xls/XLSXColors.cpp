#include "xls/XLSXColors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kSchemeSlots[] = {"lt1", "dk1", "lt2", "dk2", "accent1", "accent2",
                                        "accent3", "accent4", "accent5", "accent6", "hlink",
                                        "folHlink"};

// The palette entry of a palette number: 0 to 7 repeat 8 to 15; 64 and 65 are the automatic
// text and background colours; 0 for numbers beyond.
TXLColorIndex EntryOfNumber(int ANumber) {
  if (ANumber >= 0 && ANumber < 8) return static_cast<TXLColorIndex>(ANumber + 1);
  if (ANumber >= 8 && ANumber <= 65) return BiffColorToColorIndex(ANumber);
  return 0;
}

double HueToChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}

}  // namespace

void TXLSXThemeReader::StartElement(std::string_view AName, const TXmlAttributes& AAttributes) {
  if (AName == "clrScheme") {
    FInScheme = true;
    return;
  }
  if (!FInScheme) return;
  for (int i = 0; i < 12; ++i)
    if (AName == kSchemeSlots[i]) FSlot = i;
  if (FSlot < 0) return;
  const char* value = AName == "srgbClr" ? AAttributes.Find("val")
                      : AName == "sysClr" ? AAttributes.Find("lastClr")
                                          : nullptr;
  std::uint32_t color;
  if (value && ParseHexColor(value, color)) FColors[static_cast<std::size_t>(FSlot)] = color;
}

void TXLSXThemeReader::EndElement(std::string_view AName) {
  if (AName == "clrScheme") FInScheme = false;
  for (const char* slot : kSchemeSlots)
    if (AName == slot) FSlot = -1;
}

bool ParseHexColor(const char* AText, std::uint32_t& AColor) {
  std::string_view text(AText);
  if (!text.empty() && text[0] == '#') text.remove_prefix(1);
  if (text.size() != 6 && text.size() != 8) return false;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  AColor = RGBColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);  // alpha dropped
  return true;
}

std::uint32_t TintColor(std::uint32_t AColor, double ATint) {
  if (ATint == 0 || !std::isfinite(ATint)) return AColor;
  ATint = std::clamp(ATint, -1.0, 1.0);
  const double r = (AColor & 0xFF) / 255.0, g = ((AColor >> 8) & 0xFF) / 255.0,
               b = ((AColor >> 16) & 0xFF) / 255.0;
  const double high = std::max({r, g, b}), low = std::min({r, g, b});
  double hue = 0, saturation = 0, lightness = (high + low) / 2;
  if (high != low) {
    const double d = high - low;
    saturation = lightness > 0.5 ? d / (2 - high - low) : d / (high + low);
    if (high == r) hue = (g - b) / d + (g < b ? 6 : 0);
    else if (high == g) hue = (b - r) / d + 2;
    else hue = (r - g) / d + 4;
    hue /= 6;
  }
  lightness = ATint < 0 ? lightness * (1 + ATint) : lightness * (1 - ATint) + ATint;
  double out[3] = {lightness, lightness, lightness};
  if (saturation != 0) {
    const double q = lightness < 0.5 ? lightness * (1 + saturation)
                                     : lightness + saturation - lightness * saturation;
    const double p = 2 * lightness - q;
    out[0] = HueToChannel(p, q, hue + 1.0 / 3);
    out[1] = HueToChannel(p, q, hue);
    out[2] = HueToChannel(p, q, hue - 1.0 / 3);
  }
  // Channels are cut, not rounded, as Excel does (accent 1 darker 25% is 366092, not 376092).
  auto channel = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 1.0) * 255 + 1e-9); };
  return RGBColor(channel(out[0]), channel(out[1]), channel(out[2]));
}

TXLSXColor ParseColor(const TXmlAttributes& AAttributes, const TXLSXThemeColors& ATheme) {
  TXLSXColor color;
  std::uint32_t rgb;
  const char* tint = AAttributes.Find("tint");
  const double tint_value = tint ? std::strtod(tint, nullptr) : 0;
  if (XmlBool(AAttributes.Find("auto"), false)) return color;
  if (const char* text = AAttributes.Find("rgb"); text && ParseHexColor(text, rgb)) {
    color.Kind = TXLSXColor::ckRGB;
    color.RGB = TintColor(rgb, tint_value);
  } else if (const char* theme = AAttributes.Find("theme")) {
    const long slot = std::strtol(theme, nullptr, 10);
    if (slot < 0 || slot >= static_cast<long>(ATheme.size())) return color;
    color.Kind = TXLSXColor::ckRGB;
    color.RGB = TintColor(ATheme[static_cast<std::size_t>(slot)], tint_value);
  } else if (const char* indexed = AAttributes.Find("indexed")) {
    const long number = std::strtol(indexed, nullptr, 10);
    if (EntryOfNumber(static_cast<int>(number)) == 0 || number > 65) return color;
    color.Kind = TXLSXColor::ckIndexed;
    color.Indexed = static_cast<std::uint8_t>(number);
    // A tinted palette colour is a colour of its own.
    if (tint_value != 0 && number < 64) {
      color.Kind = TXLSXColor::ckRGB;
      color.RGB = TintColor(PaletteColor(EntryOfNumber(static_cast<int>(number))), tint_value);
    }
  }
  return color;
}

void TXLSXPalette::Use(const TXLSXColor& AColor) {
  if (AColor.Kind == TXLSXColor::ckIndexed) {
    FReserved[EntryOfNumber(AColor.Indexed)] = true;
  } else if (AColor.Kind == TXLSXColor::ckRGB &&
             std::find(FRGB.begin(), FRGB.end(), AColor.RGB) == FRGB.end()) {
    FRGB.push_back(AColor.RGB);
  }
}

void TXLSXPalette::Apply() {
  constexpr int kEntries = 56;
  for (std::size_t number = 8; number < FIndexed.size() && number < 64; ++number)
    SetPaletteColor(EntryOfNumber(static_cast<int>(number)), FIndexed[number]);
  // A colour the palette holds keeps that entry; the others take the free entries in order.
  std::vector<std::uint32_t> missing;
  for (std::uint32_t rgb : FRGB) {
    TXLColorIndex found = 0;
    for (int entry = 1; entry <= kEntries && !found; ++entry)
      if (PaletteColor(static_cast<TXLColorIndex>(entry)) == rgb) found = static_cast<TXLColorIndex>(entry);
    if (found) {
      FReserved[found] = true;
      FAssigned.emplace_back(rgb, found);
    } else {
      missing.push_back(rgb);
    }
  }
  int entry = 1;
  std::vector<std::uint32_t> left;
  for (std::uint32_t rgb : missing) {
    while (entry <= kEntries && FReserved[static_cast<std::size_t>(entry)]) ++entry;
    if (entry > kEntries) {
      left.push_back(rgb);
      continue;
    }
    SetPaletteColor(static_cast<TXLColorIndex>(entry), rgb);
    FReserved[static_cast<std::size_t>(entry)] = true;
    FAssigned.emplace_back(rgb, static_cast<TXLColorIndex>(entry));
  }
  for (std::uint32_t rgb : left) FAssigned.emplace_back(rgb, NearestColorIndex(rgb));
}

TXLColorIndex TXLSXPalette::IndexOf(const TXLSXColor& AColor, TXLColorIndex AAuto) const {
  switch (AColor.Kind) {
    case TXLSXColor::ckIndexed: return EntryOfNumber(AColor.Indexed);
    case TXLSXColor::ckRGB:
      for (const auto& [rgb, entry] : FAssigned)
        if (rgb == AColor.RGB) return entry;
      return NearestColorIndex(AColor.RGB);
    case TXLSXColor::ckAuto: break;
  }
  return AAuto;
}
